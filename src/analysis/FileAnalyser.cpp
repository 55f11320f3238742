#include "analysis/FileAnalyser.h"

#include "analysis/SaveWalk.h"
#include "load/Container.h"
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
    KeepOrGiveBack(m_buffers->work.bytes);
    KeepOrGiveBack(m_buffers->scratch);
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

}  // namespace quillmere::analysis
