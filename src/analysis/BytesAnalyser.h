#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>

#include "analysis/SaveRecord.h"
#include "load/Container.h"

namespace quillmere::analysis {

// Analyses one save given as bytes, inflating its stream itself. The record, failures included, is the one AnalyseFile
// gives for the same file with the same time. Its work data is kept from one save to the next, as
// long as it holds at most FileAnalyser::kKeptBufferBytes.
class BytesAnalyser {
public:
    // The record of the file `path` (its name is the record's), last modified at `modified`, that
    // holds `bytes`; without a time (a save from a pipe) it has no file date, and so no verdict.
    [[nodiscard]] SaveRecord analyse(const std::string& path, std::optional<std::time_t> modified,
                                     std::span<const std::uint8_t> bytes);

    // The record of a file of `size` bytes, not read since it is larger than any save: refused as
    // AnalyseFile refuses it.
    [[nodiscard]] SaveRecord refuseUnread(const std::string& path, std::time_t modified, std::int64_t size);

    // Whether an analyser whose memory has grown to `heapBytes` should be let go and replaced by a
    // new one once its file is done: a WebAssembly instance's memory never shrinks, so one big save
    // would otherwise keep its size for every later load.
    [[nodiscard]] static bool ShouldBeReplaced(std::size_t heapBytes) { return heapBytes > kMostKeptHeapBytes; }
    static constexpr std::size_t kMostKeptHeapBytes = std::size_t{128} * 1024 * 1024;

private:
    load::WorkBuffer m_work;
};

}  // namespace quillmere::analysis
