#pragma once

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "analysis/BytesAnalyser.h"
#include "analysis/SaveRecord.h"
#include "tournament/Sha256.h"

namespace quillmere::tournament {

// One save made ready to store: its bytes, its record as quillmere-report makes it, their hashes and
// the record encoded (whole and packed, and without histories as it is for the standings).
struct PreparedSave {
    std::string path;         // as given: the record's path
    std::string readFailure;  // not empty: the file could not be read, and nothing else is set
    std::vector<std::uint8_t> bytes;
    std::time_t fileTime = 0;  // its modification time
    analysis::SaveRecord record;
    Sha256Digest sha256{};
    std::vector<std::uint8_t> encodedRecord;
    std::vector<std::uint8_t> encodedSummary;
};

// The save of `bytes`, known by `path` and last modified at `fileTime`, analysed by `analyser`.
[[nodiscard]] PreparedSave PrepareSave(analysis::BytesAnalyser& analyser, std::string path, std::time_t fileTime,
                                       std::vector<std::uint8_t> bytes);

// Reads and prepares the files of `paths` on `workers` threads while the caller stores them: next()
// hands them out in the order of the paths. At most a few files per worker are held ahead of the
// caller, so that memory does not grow with the batch.
class SavePreparer {
public:
    SavePreparer(std::span<const std::string> paths, unsigned workers);
    ~SavePreparer();
    SavePreparer(const SavePreparer&) = delete;
    SavePreparer& operator=(const SavePreparer&) = delete;

    // The next file in path order, waiting for it; nullopt after the last.
    [[nodiscard]] std::optional<PreparedSave> next();

private:
    void work();

    std::span<const std::string> m_paths;
    std::size_t m_window;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_nextToStart = 0;                    // the next path a worker takes
    std::size_t m_nextToHand = 0;                     // the next path next() hands out
    std::deque<std::optional<PreparedSave>> m_ready;  // index i is path m_nextToHand + i
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

}  // namespace quillmere::tournament
