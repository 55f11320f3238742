#include "tournament/BackgroundSubmit.h"

#include <new>

namespace quillmere::tournament {

BackgroundSubmit::BackgroundSubmit(std::string archive, std::vector<std::string> paths, SubmitOptions options,
                                   std::chrono::milliseconds busyTimeout)
    : m_paths(std::move(paths)), m_round(options.round), m_receivedAt(options.receivedAt) {
    m_thread = std::thread(&BackgroundSubmit::run, this, std::move(archive), std::move(options), busyTimeout);
}

BackgroundSubmit::~BackgroundSubmit() {
    if (m_thread.joinable()) m_thread.join();
}

std::pair<std::size_t, std::size_t> BackgroundSubmit::progress() const { return {m_done.load(), m_paths.size()}; }

bool BackgroundSubmit::finished() const { return m_finished.load(std::memory_order_acquire); }

void BackgroundSubmit::run(std::string archive, SubmitOptions options, std::chrono::milliseconds busyTimeout) {
    options.choosePlayer = nullptr;
    options.onProgress = [this](std::size_t done, std::size_t) { m_done.store(done); };
    try {
        auto opened = Archive::Open(archive, OpenMode::ReadWrite, busyTimeout);
        m_summary = opened.submitFiles(m_paths, options);
    } catch (const ArchiveError& error) {
        m_error = error;
    } catch (const std::bad_alloc&) {
        m_error = ArchiveError(ArchiveProblem::Io, archive + ": insufficient memory");
    } catch (const std::exception& error) {
        m_error = ArchiveError(ArchiveProblem::Io, archive + ": " + error.what());
    }
    m_finished.store(true, std::memory_order_release);
}

}  // namespace quillmere::tournament
