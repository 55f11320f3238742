#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "load/LoadError.h"

struct libdeflate_decompressor;

namespace quillmere::load {

// A stream that stops before its end: the input ran out first.
class StreamCutShort : public LoadError {
public:
    using LoadError::LoadError;
};

// How far past the expected output a stream is still inflated, only to find its end; a stream
// that goes on beyond it is refused, so that a small file cannot cost minutes.
inline constexpr std::int64_t kMaxSurplusBytes = std::int64_t{64} * 1024 * 1024;

// Inflates zlib streams, keeping what a worker reuses from one stream to the next.
class Inflater {
public:
    Inflater();
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Inflates `stream` into exactly the bytes of `out`: a shorter output leaves the rest of `out`
    // zero, a longer one is cut (the rest of the stream is still inflated, up to kMaxSurplusBytes,
    // to check its end). `fileOffset` is where the stream starts in its file, for messages.
    // Throws StreamCutShort when the stream stops before its end, LoadError ("damaged save: ...")
    // for a corrupt stream, a checksum mismatch or too long a stream. Returns how many bytes of
    // `stream` the zlib stream took, its checksum trailer included.
    [[nodiscard]] std::size_t inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                                      std::int64_t fileOffset);

private:
    // The one-call fast path; empty when only the step-by-step path can tell what happened.
    std::optional<std::size_t> inflateWhole(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out);
    std::size_t inflateStepwise(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                                std::int64_t fileOffset);

    libdeflate_decompressor* m_decompressor;
};

}  // namespace quillmere::load
