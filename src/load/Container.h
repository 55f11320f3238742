#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quillmere::load {

// A save file as stored (little-endian):
//   [0, p-8)   uncompressed header
//   [p-8, p-4) U: int32, length of the inflated game state
//   [p-4, p)   C: int32, length of the compressed stream
//   [p, p+C)   zlib stream, starting 78 9C (p is the first place these two bytes occur)
//   [p+C, end) trailing bytes
// The work data the walk reads is the same file with C overwritten by "BODY" and the stream
// replaced by its U inflated bytes:
//   [0, p-4) header and U | "BODY" | [p, p+U) game state | trailing bytes
struct WorkBuffer {
    std::vector<std::uint8_t> bytes;
    std::int64_t streamOffset = -1;  // p: where the game state starts in `bytes`
};

inline constexpr std::int64_t kMaxInflatedLength = std::int64_t{256} * 1024 * 1024;

// Offset of the first 78 9C in the file, or -1 when there is none.
[[nodiscard]] std::int64_t FindStreamOffset(std::span<const std::uint8_t> file);

// Builds the work data from a whole file. Throws LoadError: "no game data found" when there is no
// stream at offset 8 or later, "damaged save: ..." when U or C cannot describe this file, and
// zlib's text when the stream does not inflate.
[[nodiscard]] WorkBuffer AssembleWorkBuffer(std::span<const std::uint8_t> file);

}  // namespace quillmere::load
