#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quillmere::load::inflate {

// Inflates a zlib stream with lookup tables, as fast as the machine allows, taking only what zlib
// takes: when the whole stream inflates (its checksum verified), returns how many bytes of
// `stream` it took, with its first out.size() output bytes in `out` and the rest of `out` zero; on
// anything zlib would refuse, returns nothing, and the exact inflate can tell why. Throws
// LoadError when the stream inflates to more than out.size() + kMaxSurplusBytes, as zlib is used.
[[nodiscard]] std::optional<std::size_t> InflateWhole(std::span<const std::uint8_t> stream,
                                                      std::span<std::uint8_t> out);

}  // namespace quillmere::load::inflate
