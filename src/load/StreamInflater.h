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
// The failure of a stream that inflates to more than kMaxSurplusBytes past the `declared` bytes.
[[nodiscard]] LoadError StreamTooLongError(std::size_t declared);

// How an inflate done elsewhere (by a browser) ended.
enum class InflateOutcome {
    Complete,  // the stream ended whole, its checksum verified
    Cut,       // the input ended before the stream did (inflated again, as Damaged)
    Damaged,   // refused: corrupt, a checksum that does not match, or bytes after its end
    TooLong,   // the output passed the gameLength + kMaxSurplusBytes bytes it may have
};

// An inflate already done: its output (all of it, or at least what came before it was stopped)
// and how it ended, given back as the desktop's inflate gives the same stream's. A stream that
// failed is inflated again by PortableInflater, for the desktop's message.
class InflatedStream final : public StreamInflater {
public:
    // `output` must outlive this object.
    InflatedStream(std::span<const std::uint8_t> output, InflateOutcome outcome)
        : m_output(output), m_outcome(outcome) {}

    std::size_t inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                        std::int64_t fileOffset) override;

private:
    std::span<const std::uint8_t> m_output;
    InflateOutcome m_outcome;
};

}  // namespace quillmere::load
