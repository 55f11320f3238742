#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tournament/Archive.h"

namespace quillmere::tournament {

// A batch added to a round on a thread of its own, over a connection of its own to the archive at
// `archive`, while a window stays responsive and keeps reading the archive through its own
// connection. The caller polls progress() and finished(), then reads summary() or error().
// Destroying it waits for the batch to end (committed or rolled back as a whole).
class BackgroundSubmit {
public:
    // Starts Archive::submitFiles(paths, options) on the archive at `archive`, opened for writing
    // with `busyTimeout`. `options.onProgress` and `options.choosePlayer` are its own: a name
    // several players play under is refused, never guessed.
    BackgroundSubmit(std::string archive, std::vector<std::string> paths, SubmitOptions options,
                     std::chrono::milliseconds busyTimeout = kDefaultBusyTimeout);
    ~BackgroundSubmit();
    BackgroundSubmit(const BackgroundSubmit&) = delete;
    BackgroundSubmit& operator=(const BackgroundSubmit&) = delete;

    [[nodiscard]] const std::vector<std::string>& paths() const { return m_paths; }
    [[nodiscard]] int round() const { return m_round; }
    [[nodiscard]] std::int64_t receivedAt() const { return m_receivedAt; }
    // How many saves are stored or refused so far, of how many.
    [[nodiscard]] std::pair<std::size_t, std::size_t> progress() const;
    [[nodiscard]] bool finished() const;
    // Once finished: what became of each save, or nothing when the archive failed as a whole.
    [[nodiscard]] const std::optional<SubmitSummary>& summary() const { return m_summary; }
    // Once finished: why the archive failed as a whole (nothing was stored then).
    [[nodiscard]] const std::optional<ArchiveError>& error() const { return m_error; }

private:
    void run(std::string archive, SubmitOptions options, std::chrono::milliseconds busyTimeout);

    std::vector<std::string> m_paths;
    int m_round = 0;
    std::int64_t m_receivedAt = 0;
    std::atomic<std::size_t> m_done{0};
    std::atomic<bool> m_finished{false};
    std::optional<SubmitSummary> m_summary;  // written by the thread before m_finished
    std::optional<ArchiveError> m_error;
    std::thread m_thread;  // last: started once the rest is complete
};

}  // namespace quillmere::tournament
