#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "load/StreamInflater.h"

namespace quillmere::load::inflate {

// Inflates `stream` as zlib does, a bit at a time, taking input bytes only as zlib takes them:
// to the same output, the same failure and the same byte in its message. Slow; for a stream the
// fast inflate gave up on. Same contract as StreamInflater::inflate.
std::size_t InflateExactly(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out, std::int64_t fileOffset);

}  // namespace quillmere::load::inflate
