#include "analysis/BytesAnalyser.h"

#include "analysis/Batch.h"
#include "analysis/SaveWalk.h"
#include "load/LoadError.h"
#include "load/SaveFile.h"
#include "load/inflate/PortableInflater.h"

namespace quillmere::analysis {

SaveRecord BytesAnalyser::analyse(const std::string& path, std::optional<std::time_t> modified,
                                  std::span<const std::uint8_t> bytes) {
    SaveRecord rec = AnalyseGuarded(path, [&](FileFacts& facts) {
        if (modified) {
            facts.fileDate = load::LocalFileDate(*modified);
            facts.utcOffset = load::LocalUtcOffset(*modified);
        }
        if (static_cast<std::int64_t>(bytes.size()) > load::kMaxSaveFileBytes) {
            throw load::LoadError(load::TooLargeMessage(static_cast<std::int64_t>(bytes.size())));
        }
        load::inflate::PortableInflater inflater;
        load::AssembleWorkBuffer(bytes, m_work, inflater);
        return AnalyseSave(m_work);
    });
    FileAnalyser::KeepOrGiveBack(m_work.bytes);
    return rec;
}

SaveRecord BytesAnalyser::refuseUnread(const std::string& path, std::time_t modified, std::int64_t size) {
    return AnalyseGuarded(path, [&](FileFacts& facts) -> SaveRecord {
        facts.fileDate = load::LocalFileDate(modified);
        facts.utcOffset = load::LocalUtcOffset(modified);
        throw load::LoadError(load::TooLargeMessage(size));
    });
}

}  // namespace quillmere::analysis
