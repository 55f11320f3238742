#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "load/ByteBuffer.h"
#include "load/SaveBytes.h"
#include "load/StreamInflater.h"

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

// Where a save's stream lies and what it declares, checked before anything is inflated.
struct StreamPlan {
    std::int64_t streamOffset = 0;      // p
    std::int64_t gameLength = 0;        // U
    std::int64_t compressedLength = 0;  // C, as declared
    std::int64_t streamBytes = 0;       // the stream's bytes the file holds: C, or fewer when it is cut short

    // How many bytes the stream may inflate to before it is refused as far too long.
    [[nodiscard]] std::int64_t outputLimit() const { return gameLength + kMaxSurplusBytes; }
};

// Finds the stream and checks U and C against the file and each other. Throws LoadError: "not a
// save file: no game data found" for a file with no plausible stream, "damaged save: ..." naming
// the length that is wrong, and the file's own failure when it cannot be read.
[[nodiscard]] StreamPlan PlanStream(const SaveBytes& file, ByteBuffer& scratch);

// Builds the work data of a whole file into `work`, reusing its storage, with the stream of
// `plan` (PlanStream's for this file) inflated by `inflater`. Besides `work` it holds only the
// compressed stream (read into `scratch` when the file is not in memory). Throws LoadError: the
// stream's own failure when it does not inflate, "damaged save: the file is cut short ..." when
// the file ends inside it, and the file's failure when it cannot be read.
void AssembleWorkBuffer(const SaveBytes& file, const StreamPlan& plan, WorkBuffer& work, StreamInflater& inflater,
                        ByteBuffer& scratch);

// PlanStream and then the above: nothing is allocated for the game data before U and C are
// checked, so a load costs at most the file's size plus U.
void AssembleWorkBuffer(const SaveBytes& file, WorkBuffer& work, StreamInflater& inflater, ByteBuffer& scratch);

// The same for a file in memory.
void AssembleWorkBuffer(std::span<const std::uint8_t> file, WorkBuffer& work, StreamInflater& inflater);

// The same with buffers of its own.
[[nodiscard]] WorkBuffer AssembleWorkBuffer(std::span<const std::uint8_t> file);

}  // namespace quillmere::load
