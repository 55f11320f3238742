#include "analysis/TechnologyNames.h"

namespace quillmere::analysis {

namespace {

std::size_t firstByte(std::string_view name) { return static_cast<std::uint8_t>(name.front()); }

}  // namespace

TechnologyNames::TechnologyNames() {
    for (const auto& tech : kTechnologies) ++m_bucketStart[firstByte(tech.name) + 1];
    for (std::size_t b = 1; b < m_bucketStart.size(); ++b) m_bucketStart[b] += m_bucketStart[b - 1];
    auto next = m_bucketStart;
    for (std::uint8_t i = 0; i < kTechCount; ++i) m_order[next[firstByte(kTechnologies[i].name)]++] = i;
}

}  // namespace quillmere::analysis
