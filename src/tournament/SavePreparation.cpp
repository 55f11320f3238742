#include "tournament/SavePreparation.h"

#include <new>
#include <system_error>
#include <utility>

#include "load/LoadError.h"
#include "load/SaveFile.h"
#include "session/RecordCodec.h"
#include "tournament/RecordBlob.h"

namespace quillmere::tournament {

namespace {

constexpr std::size_t kFilesAheadPerWorker = 2;

PreparedSave readAndPrepare(analysis::BytesAnalyser& analyser, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::time_t fileTime = 0;
    try {
        const load::SaveFile file(path);
        const auto contents = file.contents();
        bytes.resize(static_cast<std::size_t>(contents.size()));
        contents.copyTo(0, bytes);
        fileTime = file.modificationTime();
    } catch (const load::LoadError& error) {
        PreparedSave failed;
        failed.path = path;
        failed.readFailure = error.what();
        return failed;
    } catch (const std::bad_alloc&) {
        PreparedSave failed;
        failed.path = path;
        failed.readFailure = "insufficient memory";
        return failed;
    }
    try {
        return PrepareSave(analyser, path, fileTime, std::move(bytes));
    } catch (const std::exception& error) {
        // The analysis itself never throws; encoding a record can run out of memory.
        PreparedSave failed;
        failed.path = path;
        failed.readFailure = error.what();
        return failed;
    }
}

}  // namespace

PreparedSave PrepareSave(analysis::BytesAnalyser& analyser, std::string path, std::time_t fileTime,
                         std::vector<std::uint8_t> bytes) {
    PreparedSave save;
    save.record = analyser.analyse(path, fileTime, bytes);
    save.path = std::move(path);
    save.fileTime = fileTime;
    save.sha256 = Sha256(bytes);
    save.bytes = std::move(bytes);
    save.encodedRecord = PackRecord(save.record);
    // The summary is the record without its histories, encoded without copying them.
    auto history = std::exchange(save.record.history, {});
    save.encodedSummary = session::EncodeRecord(save.record);
    save.record.history = std::move(history);
    return save;
}

SavePreparer::SavePreparer(std::span<const std::string> paths, unsigned workers)
    : m_paths(paths), m_window(std::max(1u, workers) * kFilesAheadPerWorker) {
    for (unsigned w = 0; w < std::max(1u, workers) && w < paths.size(); ++w) {
        try {
            m_workers.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            if (m_workers.empty()) throw;
            break;  // fewer threads than asked for: the ones there are share the files
        }
    }
}

SavePreparer::~SavePreparer() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (auto& worker : m_workers) worker.join();
}

void SavePreparer::work() {
    analysis::BytesAnalyser analyser;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] {
            return m_stopping || m_nextToStart >= m_paths.size() || m_nextToStart < m_nextToHand + m_window;
        });
        if (m_stopping || m_nextToStart >= m_paths.size()) return;
        const std::size_t index = m_nextToStart++;
        lock.unlock();
        PreparedSave save = readAndPrepare(analyser, m_paths[index]);
        lock.lock();
        if (m_stopping) return;
        const std::size_t slot = index - m_nextToHand;
        if (m_ready.size() <= slot) m_ready.resize(slot + 1);
        m_ready[slot] = std::move(save);
        m_changed.notify_all();
    }
}

std::optional<PreparedSave> SavePreparer::next() {
    std::unique_lock lock(m_mutex);
    if (m_nextToHand >= m_paths.size()) return std::nullopt;
    m_changed.wait(lock, [&] { return !m_ready.empty() && m_ready.front().has_value(); });
    PreparedSave save = std::move(*m_ready.front());
    m_ready.pop_front();
    ++m_nextToHand;
    lock.unlock();
    m_changed.notify_all();
    return save;
}

}  // namespace quillmere::tournament
