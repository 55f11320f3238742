#include "analysis/Batch.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "load/LoadError.h"

namespace quillmere::analysis {

unsigned WorkerCount(unsigned jobs) {
    if (jobs > 0) return jobs;
    return std::max(1u, std::thread::hardware_concurrency());
}

ResultTable AnalyseFiles(std::span<const std::string> paths, const BatchControl& control) {
    ResultTable table(paths.size());
    std::atomic<std::size_t> next{0};
    std::mutex progressMutex;
    BatchProgress progress{.total = paths.size()};
    const auto cancelled = [&] { return control.cancel != nullptr && control.cancel->load(); };

    // Each record slot is written by exactly one worker; the progress is counted under the mutex.
    const auto work = [&] {
        FileAnalyser analyser;
        for (std::size_t i = next++; i < paths.size(); i = next++) {
            if (cancelled()) {
                table[i] = UnreadRecord(paths[i], std::string(kNotLoaded));
                continue;
            }
            table[i] = analyser.analyse(paths[i]);
            const std::lock_guard lock(progressMutex);
            if (control.onRecord) control.onRecord(i, table[i]);
            ++progress.done;
            if (!table[i].failure.empty()) ++progress.failed;
            if (control.onProgress) control.onProgress(progress);
        }
    };

    const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(WorkerCount(control.jobs), paths.size()));
    std::vector<std::thread> pool;
    // Joined on every way out: the workers use this frame's state.
    struct Joiner {
        std::vector<std::thread>& threads;
        void join() {
            for (auto& thread : threads) thread.join();
            threads.clear();
        }
        ~Joiner() { join(); }
    } joiner{pool};
    for (unsigned w = 1; w < workers; ++w) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer threads than asked for: the ones there are share the files
        }
    }
    work();  // the calling thread is a worker too
    joiner.join();
    return table;
}

}  // namespace quillmere::analysis
