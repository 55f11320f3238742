#include "analysis/BytesAnalyser.h"

#include <utility>

#include "analysis/Batch.h"
#include "analysis/SaveWalk.h"
#include "load/LoadError.h"
#include "load/PortableInflater.h"
#include "load/SaveFile.h"

namespace quillmere::analysis {

SaveRecord BytesAnalyser::analyse(const std::string& path, std::time_t modified, std::span<const std::uint8_t> bytes) {
    SaveRecord rec = AnalyseGuarded(path, [&](FileFacts& facts) {
        facts.fileDate = load::LocalFileDate(modified);
        facts.utcOffset = load::LocalUtcOffset(modified);
        if (static_cast<std::int64_t>(bytes.size()) > load::kMaxSaveFileBytes) {
            throw load::LoadError(load::TooLargeMessage(static_cast<std::int64_t>(bytes.size())));
        }
        const load::MemoryBytes file(bytes);
        load::ByteBuffer unused;  // bytes in memory are viewed where they are
        const load::StreamPlan plan = load::PlanStream(file, unused);
        load::PortableInflater inflater;
        load::AssembleWorkBuffer(file, plan, m_work, inflater, unused);
        return AnalyseSave(m_work);
    });
    if (m_work.bytes.capacity() > FileAnalyser::kKeptBufferBytes) m_work.bytes.release();
    return rec;
}

std::optional<BytesAnalyser::StreamRequest> BytesAnalyser::begin(std::string path, std::time_t modified,
                                                                 std::vector<std::uint8_t> bytes) {
    m_path = std::move(path);
    m_modified = modified;
    m_bytes = std::move(bytes);
    m_plan.reset();
    m_refusal.clear();
    try {
        if (static_cast<std::int64_t>(m_bytes.size()) > load::kMaxSaveFileBytes) {
            throw load::LoadError(load::TooLargeMessage(static_cast<std::int64_t>(m_bytes.size())));
        }
        load::ByteBuffer unused;  // bytes in memory are viewed where they are
        m_plan = load::PlanStream(load::MemoryBytes(m_bytes), unused);
    } catch (const load::LoadError& error) {
        m_refusal = error.what();
        return std::nullopt;
    }
    return StreamRequest{m_plan->streamOffset, m_plan->streamBytes, m_plan->outputLimit()};
}

void BytesAnalyser::beginUnread(std::string path, std::time_t modified, std::int64_t size) {
    m_path = std::move(path);
    m_modified = modified;
    m_bytes.clear();
    m_plan.reset();
    m_refusal = load::TooLargeMessage(size);
}

SaveRecord BytesAnalyser::finish(std::span<const std::uint8_t> inflated, load::InflateOutcome outcome) {
    SaveRecord rec = AnalyseGuarded(m_path, [&](FileFacts& facts) {
        facts.fileDate = load::LocalFileDate(m_modified);
        facts.utcOffset = load::LocalUtcOffset(m_modified);
        if (!m_plan) throw load::LoadError(m_refusal);
        load::InflatedStream stream(inflated, outcome);
        load::ByteBuffer unused;
        load::AssembleWorkBuffer(load::MemoryBytes(m_bytes), *m_plan, m_work, stream, unused);
        return AnalyseSave(m_work);
    });
    m_bytes = {};
    m_plan.reset();
    if (m_work.bytes.capacity() > FileAnalyser::kKeptBufferBytes) m_work.bytes.release();
    return rec;
}

}  // namespace quillmere::analysis
