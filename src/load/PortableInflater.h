#pragma once

#include "load/StreamInflater.h"

#include <optional>

namespace quillmere::load {

// Inflates as the desktop's zlib does, to the same output, the same failure and the same byte in
// its message, in plain C++ (a browser's build has no zlib): table-driven for a stream that
// inflates whole; a stream that fails is inflated again a bit at a time, taking input bytes as
// zlib takes them, so that the byte its message names is zlib's. A stream with bytes after its
// end is taken whole, as zlib takes it.
class PortableInflater final : public StreamInflater {
public:
    std::size_t inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                        std::int64_t fileOffset) override;
};

// The table-driven inflate alone: the bytes of `stream` it took when the stream inflates whole (its
// output in `out` as PortableInflater gives it), nothing when it does not. Throws LoadError for a
// stream that inflates past out.size() + kMaxSurplusBytes, as PortableInflater does.
[[nodiscard]] std::optional<std::size_t> InflateWhole(std::span<const std::uint8_t> stream,
                                                      std::span<std::uint8_t> out);

}  // namespace quillmere::load
