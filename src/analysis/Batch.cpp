#include "analysis/Batch.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/SaveWalk.h"
#include "load/Container.h"
#include "load/LoadError.h"
#include "load/SaveFile.h"
#include "load/inflate/PortableInflater.h"

namespace quillmere::analysis {

struct FileAnalyser::Buffers {
    load::WorkBuffer work;
    load::ByteBuffer scratch;  // the file's bytes read on the way: pieces of its header, its stream
    load::inflate::PortableInflater inflater;
};

FileAnalyser::FileAnalyser() : m_buffers(std::make_unique<Buffers>()) {}

FileAnalyser::~FileAnalyser() = default;

SaveRecord FileAnalyser::analyse(const std::string& path) {
    SaveRecord rec = analyseWithBuffers(path);
    // A worker would otherwise hold a rare big file's size through every file after it.
    for (load::ByteBuffer* buffer : {&m_buffers->work.bytes, &m_buffers->scratch}) {
        if (buffer->capacity() > kKeptBufferBytes) buffer->release();
    }
    return rec;
}

std::size_t FileAnalyser::heldBytes() const { return m_buffers->work.bytes.capacity() + m_buffers->scratch.capacity(); }

SaveRecord FileAnalyser::analyseWithBuffers(const std::string& path) {
    return AnalyseGuarded(path, [&](FileFacts& facts) {
        const load::SaveFile file(path);
        facts.fileDate = file.modificationDate();
        facts.utcOffset = file.modificationUtcOffset();
        load::AssembleWorkBuffer(file.contents(), m_buffers->work, m_buffers->inflater, m_buffers->scratch);
        return AnalyseSave(m_buffers->work);
    });
}

SaveRecord FailedRecord(const std::string& path, std::string fileName, std::optional<double> fileDate,
                        std::string failure) {
    SaveRecord failed;
    failed.path = path;
    failed.fileName = std::move(fileName);
    failed.fileDate = fileDate;
    failed.failure = std::move(failure);
    return failed;
}

SaveRecord UnreadRecord(const std::string& path, std::string reason) {
    return FailedRecord(path, load::FileNameOf(path), std::nullopt, std::move(reason));
}

SaveRecord AnalyseFile(const std::string& path) { return FileAnalyser().analyse(path); }

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
