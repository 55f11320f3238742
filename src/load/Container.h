#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "load/ByteBuffer.h"
#include "load/Inflate.h"
#include "load/SaveBytes.h"

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
    ByteBuffer bytes;
    std::int64_t streamOffset = -1;  // p: where the game state starts in `bytes`
    std::int64_t gameLength = 0;     // U: how many bytes of game state follow it
    // The Adler-32 checksum of the inflated game state, as its stream ends with it and the inflate
    // verified it: equal game states have equal checksums.
    std::uint32_t gameChecksum = 0;
};

// No save holds more game data than this; a larger U is refused before anything is allocated.
inline constexpr std::int64_t kMaxGameDataBytes = std::int64_t{64} * 1024 * 1024;
// Deflate never shrinks data by more than this, so C compressed bytes inflate to at most C times it.
inline constexpr std::int64_t kMaxDeflateRatio = 1032;

// The stream's marker is looked for in pieces of this many bytes, each overlapping the one before
// by a byte, so that a file is never read whole to find it.
inline constexpr std::size_t kScanChunkBytes = std::size_t{256} * 1024;

// Offset of the first 78 9C in the file, or -1 when there is none. The last place looked at is
// size - 4: in every save, data follows the stream.
[[nodiscard]] std::int64_t FindStreamOffset(std::span<const std::uint8_t> file);
// The same for bytes read a piece at a time, through `scratch`.
[[nodiscard]] std::int64_t FindStreamOffset(const SaveBytes& file, ByteBuffer& scratch);

// Builds the work data of a whole file into `work`, reusing its storage. Nothing is allocated for
// the game data before U and C are checked against the file and each other. Besides `work` it
// holds only the compressed stream (read into `scratch` when the file is not in memory), so a load
// costs at most the file's size plus U. Throws LoadError: "not a save file: no game data found" for
// a file with no plausible stream, "damaged save: ..." naming the length or the byte that is wrong,
// the stream's own failure when it does not inflate, and the file's when it cannot be read.
void AssembleWorkBuffer(const SaveBytes& file, WorkBuffer& work, Inflater& inflater, ByteBuffer& scratch);

// The same for a file in memory.
void AssembleWorkBuffer(std::span<const std::uint8_t> file, WorkBuffer& work, Inflater& inflater);

// The same with buffers of its own.
[[nodiscard]] WorkBuffer AssembleWorkBuffer(std::span<const std::uint8_t> file);

}  // namespace quillmere::load
