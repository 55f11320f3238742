#include "session/BackgroundLoad.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>

#include "load/FileList.h"

namespace quillmere::session {

struct BackgroundLoad::State {
    std::vector<std::string> files;
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    mutable std::mutex mutex;
    analysis::BatchProgress progress;  // guarded by mutex
    // Likewise: the records finished since the last takeArrived().
    std::vector<std::pair<std::size_t, analysis::SaveRecord>> arrived;
    analysis::ResultTable records;  // written once, before `finished` is set
    std::string batchFailure;       // likewise
};

BackgroundLoad::BackgroundLoad(std::vector<std::string> files, unsigned jobs, Analysis analyse)
    : m_state(std::make_unique<State>()) {
    m_state->files = std::move(files);
    m_state->progress.total = m_state->files.size();
    const auto run = [state = m_state.get(), jobs, analyse = std::move(analyse)] {
        analysis::BatchControl control;
        control.jobs = jobs;
        control.cancel = &state->cancel;
        control.onRecord = [state](std::size_t index, const analysis::SaveRecord& record) {
            const std::lock_guard lock(state->mutex);
            state->arrived.emplace_back(index, record);
        };
        control.onProgress = [state](const analysis::BatchProgress& progress) {
            const std::lock_guard lock(state->mutex);
            state->progress = progress;
        };
        analysis::ResultTable records;
        std::string failure;
        try {
            records = analyse(state->files, control);
        } catch (const std::exception& error) {
            // Each file's own failure is its record's: only the batch itself gets here (no memory
            // for its table).
            failure = error.what();
        }
        {
            const std::lock_guard lock(state->mutex);
            state->records = std::move(records);
            state->batchFailure = std::move(failure);
        }
        state->finished = true;
    };
    try {
        m_thread = std::thread(run);
    } catch (const std::system_error& error) {
        m_state->batchFailure = std::string("cannot start the load: ") + error.what();
        m_state->finished = true;
    }
}

std::unique_ptr<BackgroundLoad> BackgroundLoad::expanding(const std::vector<std::string>& paths, bool recursive,
                                                          unsigned jobs) {
    auto inputs = load::ExpandPaths(paths, recursive);
    auto load = std::make_unique<BackgroundLoad>(std::move(inputs.files), jobs);
    load->m_passedOver = std::move(inputs.skipped);
    return load;
}

BackgroundLoad::~BackgroundLoad() {
    cancel();
    if (m_thread.joinable()) m_thread.join();
}

const std::vector<std::string>& BackgroundLoad::files() const { return m_state->files; }

analysis::BatchProgress BackgroundLoad::progress() const {
    const std::lock_guard lock(m_state->mutex);
    return m_state->progress;
}

std::vector<std::pair<std::size_t, analysis::SaveRecord>> BackgroundLoad::takeArrived() {
    const std::lock_guard lock(m_state->mutex);
    return std::exchange(m_state->arrived, {});
}

void BackgroundLoad::cancel() { m_state->cancel = true; }

bool BackgroundLoad::finished() const { return m_state->finished; }

analysis::ResultTable BackgroundLoad::takeRecords() {
    if (!finished()) return {};
    const std::lock_guard lock(m_state->mutex);
    return std::move(m_state->records);
}

std::string BackgroundLoad::batchFailure() const {
    if (!finished()) return {};
    const std::lock_guard lock(m_state->mutex);
    return m_state->batchFailure;
}

}  // namespace quillmere::session
