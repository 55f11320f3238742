// The worker's side of the browser edition: one SaveAnalyser per worker, two calls per file around
// the inflate that the page does with the browser's own DecompressionStream.
//
//   const a = new Module.SaveAnalyser();
//   const step = a.begin(path, lastModifiedMs, bytes);
//     // {inflate: true, streamOffset, streamLength, outputLimit}, or {inflate: false} when the file
//     // is refused already; bytes[streamOffset, streamOffset + streamLength) is the zlib stream.
//   const record = a.finish(inflated, outcome);  // Uint8Array: the encoded record
//     // outcome: "complete" (with all the output), "too-long" (the output passed outputLimit and
//     // was stopped), "damaged" or "cut" (the browser refused the stream: the two are handled
//     // alike, the core inflates such a stream again for the desktop's message, so `inflated`
//     // may be empty), or "none" when step.inflate was false (then `inflated` is empty).
//   // A file above Module.maxSaveFileBytes() is not read at all:
//   a.beginUnread(path, lastModifiedMs, size); a.finish(new Uint8Array(0), "none");

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

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

std::vector<std::uint8_t> bytesOf(const val& array) {
    return emscripten::convertJSArrayToNumberVector<std::uint8_t>(array);
}

val uint8ArrayOf(const std::vector<std::uint8_t>& bytes) {
    return val::global("Uint8Array").new_(emscripten::typed_memory_view(bytes.size(), bytes.data()));
}

class SaveAnalyser {
public:
    val begin(const std::string& path, double lastModifiedMs, const val& bytes) {
        m_expectsInflate = false;
        const auto request = m_analyser.begin(path, secondsOf(lastModifiedMs), bytesOf(bytes));
        val step = val::object();
        step.set("inflate", request.has_value());
        if (request) {
            m_expectsInflate = true;
            step.set("streamOffset", static_cast<double>(request->offset));
            step.set("streamLength", static_cast<double>(request->length));
            step.set("outputLimit", static_cast<double>(request->outputLimit));
        }
        return step;
    }

    void beginUnread(const std::string& path, double lastModifiedMs, double size) {
        m_expectsInflate = false;
        m_analyser.beginUnread(path, secondsOf(lastModifiedMs), static_cast<std::int64_t>(size));
    }

    val finish(const val& inflated, const std::string& outcome) {
        const auto output = bytesOf(inflated);
        const auto record = m_analyser.finish(output, outcomeOf(outcome));
        return uint8ArrayOf(session::EncodeRecord(record));
    }

private:
    load::InflateOutcome outcomeOf(const std::string& outcome) const {
        if (!m_expectsInflate && outcome == "none") return load::InflateOutcome::Damaged;  // not looked at
        if (m_expectsInflate && outcome == "complete") return load::InflateOutcome::Complete;
        if (m_expectsInflate && outcome == "cut") return load::InflateOutcome::Cut;
        if (m_expectsInflate && outcome == "damaged") return load::InflateOutcome::Damaged;
        if (m_expectsInflate && outcome == "too-long") return load::InflateOutcome::TooLong;
        throw std::invalid_argument("SaveAnalyser.finish: unexpected outcome '" + outcome + "'");
    }

    analysis::BytesAnalyser m_analyser;
    bool m_expectsInflate = false;
};

double maxSaveFileBytes() { return static_cast<double>(load::kMaxSaveFileBytes); }

}  // namespace

EMSCRIPTEN_BINDINGS(quillmere_analyser) {
    emscripten::class_<SaveAnalyser>("SaveAnalyser")
        .constructor<>()
        .function("begin", &SaveAnalyser::begin)
        .function("beginUnread", &SaveAnalyser::beginUnread)
        .function("finish", &SaveAnalyser::finish);
    emscripten::function("maxSaveFileBytes", &maxSaveFileBytes);
}

}  // namespace quillmere::web
