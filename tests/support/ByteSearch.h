#pragma once

#include <cstdint>
#include <cstring>
#include <span>

namespace quillmere::testsupport {

// Offset of the first int32 equal to `value` at or after `start`, at any alignment; -1 when none.
[[nodiscard]] inline std::int64_t FindInt(std::span<const std::uint8_t> data, std::int32_t value, std::int64_t start) {
    std::uint8_t bytes[4];
    for (int k = 0; k < 4; ++k) bytes[k] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * k));
    for (auto i = start; i >= 0 && i + 4 <= static_cast<std::int64_t>(data.size()); ++i) {
        if (std::memcmp(data.data() + i, bytes, 4) == 0) return i;
    }
    return -1;
}

}  // namespace quillmere::testsupport
