#include "session/BackgroundLoad.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace quillmere::session {

struct BackgroundLoad::State {
    std::vector<std::string> paths;
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    mutable std::mutex mutex;
    analysis::BatchProgress progress;  // guarded by mutex
    analysis::ResultTable records;     // written once, before `finished` is set
};

BackgroundLoad::BackgroundLoad(std::vector<std::string> paths, unsigned jobs) : m_state(std::make_shared<State>()) {
    m_state->paths = std::move(paths);
    m_state->progress.total = m_state->paths.size();
    // The thread keeps the state alive for as long as it runs, whatever happens to this object.
    std::thread([state = m_state, jobs] {
        analysis::BatchControl control;
        control.jobs = jobs;
        control.cancel = &state->cancel;
        control.onProgress = [&state](const analysis::BatchProgress& progress) {
            const std::lock_guard lock(state->mutex);
            state->progress = progress;
        };
        analysis::ResultTable records;
        try {
            records = analysis::AnalyseFiles(state->paths, control);
        } catch (const std::exception&) {
            // Only running out of memory for the table itself gets here: the load ends with no rows.
        }
        {
            const std::lock_guard lock(state->mutex);
            state->records = std::move(records);
        }
        state->finished = true;
    }).detach();
}

BackgroundLoad::~BackgroundLoad() { cancel(); }

analysis::BatchProgress BackgroundLoad::progress() const {
    const std::lock_guard lock(m_state->mutex);
    return m_state->progress;
}

void BackgroundLoad::cancel() { m_state->cancel = true; }

bool BackgroundLoad::finished() const { return m_state->finished; }

analysis::ResultTable BackgroundLoad::takeRecords() {
    if (!finished()) return {};
    const std::lock_guard lock(m_state->mutex);
    return std::move(m_state->records);
}

}  // namespace quillmere::session
