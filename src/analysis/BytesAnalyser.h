#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/SaveRecord.h"
#include "load/Container.h"
#include "load/StreamInflater.h"

namespace quillmere::analysis {

// Analyses one save given as bytes: in one call, inflating its stream itself, or in two steps
// around an inflate that its caller does. The record, failures included, is the one AnalyseFile
// gives for the same file with the same time. Its work data is kept from one save to the next, as
// long as it holds at most FileAnalyser::kKeptBufferBytes.
class BytesAnalyser {
public:
    // The record of the file `path` (its name is the record's), last modified at `modified`, that
    // holds `bytes`.
    [[nodiscard]] SaveRecord analyse(const std::string& path, std::time_t modified,
                                     std::span<const std::uint8_t> bytes);

    // The stream to inflate: bytes [offset, offset + length) of the file. Its caller stops once the
    // output passes outputLimit bytes and reports InflateOutcome::TooLong.
    struct StreamRequest {
        std::int64_t offset = 0;
        std::int64_t length = 0;
        std::int64_t outputLimit = 0;
    };

    // Takes the file `path` (its name is the record's), last modified at `modified`, and checks its
    // container. Returns the stream to inflate, or nothing when the file is refused already: then
    // finish() gives its failure whatever it is passed.
    std::optional<StreamRequest> begin(std::string path, std::time_t modified, std::vector<std::uint8_t> bytes);
    // The same for a file of `size` bytes not read since it is larger than any save: refused.
    void beginUnread(std::string path, std::time_t modified, std::int64_t size);

    // The record, from what the inflate gave (all its output, or what came before it stopped) and
    // how it ended. Forgets the file.
    [[nodiscard]] SaveRecord finish(std::span<const std::uint8_t> inflated, load::InflateOutcome outcome);

private:
    std::string m_path;
    std::time_t m_modified = 0;
    std::vector<std::uint8_t> m_bytes;
    std::optional<load::StreamPlan> m_plan;
    std::string m_refusal;  // why the file was refused before its inflate
    load::WorkBuffer m_work;
};

}  // namespace quillmere::analysis
