#pragma once

#include <cstdint>
#include <span>

namespace quillmere::load {

// Inflates one zlib stream into exactly the bytes of `out`: a shorter output leaves the rest of
// `out` zero, a longer one is cut (the rest of the stream is still checked to its end).
// Throws LoadError with zlib's text for the failing code ("data error", "buffer error"...);
// a stream that stops before its end is a "buffer error".
void Inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out);

}  // namespace quillmere::load
