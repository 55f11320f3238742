// The worker's side of the browser edition: one SaveAnalyser per worker, one call per file; the
// core inflates the save's stream itself.
//
//   const a = new Module.SaveAnalyser();
//   a.input(file.size).set(bytes);  // the file's bytes, written straight into the core's memory
//   const record = a.analyse(path, lastModifiedMs);  // Uint8Array: the encoded record
//   // A file above Module.maxSaveFileBytes() is not read at all:
//   const refused = a.analyseUnread(path, lastModifiedMs, size);
//   if (a.grown()) ...  // this worker's memory grew past what a worker keeps: replace it
//
// The view input() gives is valid only until the next call into the module (its memory may grow).

#include <emscripten/bind.h>
#include <emscripten/heap.h>
#include <emscripten/val.h>

#include <cmath>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/Batch.h"
#include "analysis/BytesAnalyser.h"
#include "load/SaveFile.h"
#include "session/RecordCodec.h"

namespace quillmere::web {

namespace {

using emscripten::val;

// A browser's file time in milliseconds as the file system's whole seconds.
std::time_t secondsOf(double milliseconds) {
    return std::isfinite(milliseconds) ? static_cast<std::time_t>(std::floor(milliseconds / 1000)) : 0;
}

val uint8ArrayOf(const std::vector<std::uint8_t>& bytes) {
    return val::global("Uint8Array").new_(emscripten::typed_memory_view(bytes.size(), bytes.data()));
}

// Holds a file's bytes from one file to the next, so that each save costs no new buffer; one grown
// past what FileAnalyser keeps by a rare big save is given back after it.
class SaveAnalyser {
public:
    val input(double size) {
        if (!(size >= 0 && size <= static_cast<double>(load::kMaxSaveFileBytes))) {
            throw std::length_error("SaveAnalyser.input: no save is that large");
        }
        m_input.sizeForOverwrite(static_cast<std::size_t>(size));
        return val(emscripten::typed_memory_view(m_input.size(), m_input.data()));
    }

    val analyse(const std::string& path, double lastModifiedMs) {
        const auto record = m_analyser.analyse(path, secondsOf(lastModifiedMs), m_input);
        analysis::FileAnalyser::KeepOrGiveBack(m_input);
        return uint8ArrayOf(session::EncodeRecord(record));
    }

    // Whether this worker's memory grew past what a worker keeps: the page replaces it then.
    [[nodiscard]] bool grown() const { return analysis::BytesAnalyser::ShouldBeReplaced(emscripten_get_heap_size()); }

    val analyseUnread(const std::string& path, double lastModifiedMs, double size) {
        return uint8ArrayOf(session::EncodeRecord(
            m_analyser.refuseUnread(path, secondsOf(lastModifiedMs), static_cast<std::int64_t>(size))));
    }

private:
    analysis::BytesAnalyser m_analyser;
    load::ByteBuffer m_input;
};

double maxSaveFileBytes() { return static_cast<double>(load::kMaxSaveFileBytes); }

}  // namespace

EMSCRIPTEN_BINDINGS(quillmere_analyser) {
    emscripten::class_<SaveAnalyser>("SaveAnalyser")
        .constructor<>()
        .function("input", &SaveAnalyser::input)
        .function("analyse", &SaveAnalyser::analyse)
        .function("analyseUnread", &SaveAnalyser::analyseUnread)
        .function("grown", &SaveAnalyser::grown);
    emscripten::function("maxSaveFileBytes", &maxSaveFileBytes);
}

}  // namespace quillmere::web
