#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "load/LoadError.h"

namespace quillmere::load {

// A stream that stops before its end: the input ran out first.
class StreamCutShort : public LoadError {
public:
    using LoadError::LoadError;
};

// How far past the expected output a stream is still inflated, only to find its end; a stream
// that goes on beyond it is refused, so that a small file cannot cost minutes.
inline constexpr std::int64_t kMaxSurplusBytes = std::int64_t{64} * 1024 * 1024;

// What turns a save's zlib stream into its game state; the container's checks do not depend on it.
class StreamInflater {
public:
    virtual ~StreamInflater() = default;

    // Inflates `stream` into exactly the bytes of `out`: a shorter output leaves the rest of `out`
    // zero, a longer one is cut (the rest of the stream is still inflated, up to kMaxSurplusBytes,
    // to check its end). `fileOffset` is where the stream starts in its file, for messages.
    // Throws StreamCutShort when the stream stops before its end, LoadError ("damaged save: ...")
    // for a corrupt stream, a checksum mismatch or too long a stream. Returns how many bytes of
    // `stream` the zlib stream took, its checksum trailer included.
    virtual std::size_t inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                                std::int64_t fileOffset) = 0;

protected:
    StreamInflater() = default;
    StreamInflater(const StreamInflater&) = default;
    StreamInflater& operator=(const StreamInflater&) = default;
};

// The failure of a stream whose input ends at `endOffset` of its file before the stream does.
[[nodiscard]] StreamCutShort StreamStopsError(std::int64_t endOffset);
// The failure of a stream that is corrupt at `offset` of its file for zlib's `reason` ("invalid
// distance code"; none given: "data error").
[[nodiscard]] LoadError StreamDamagedError(const char* reason, std::int64_t offset);
// The failure of a stream that inflates to more than kMaxSurplusBytes past the `declared` bytes.
[[nodiscard]] LoadError StreamTooLongError(std::size_t declared);

}  // namespace quillmere::load
