#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "analysis/RuleTables.h"

namespace quillmere::analysis {

// Finds the technologies whose names occur in a text, as exact, case-sensitive substrings. The
// names are bucketed by their first byte, so most positions of a text cost one table look-up.
class TechnologyNames {
public:
    TechnologyNames();

    // Calls found(i) for every technology i named in `text` (possibly more than once).
    template <typename Found>
    void forEachNamedIn(std::string_view text, Found found) const {
        for (std::size_t pos = 0; pos < text.size(); ++pos) {
            const auto b = static_cast<std::uint8_t>(text[pos]);
            for (auto k = m_bucketStart[b]; k < m_bucketStart[b + 1]; ++k) {
                const std::string_view name = kTechnologies[m_order[k]].name;
                if (name.size() <= text.size() - pos && std::memcmp(text.data() + pos, name.data(), name.size()) == 0) {
                    found(m_order[k]);
                }
            }
        }
    }

private:
    std::array<std::uint8_t, 257> m_bucketStart{};
    std::array<std::uint8_t, kTechCount> m_order{};
};

}  // namespace quillmere::analysis
