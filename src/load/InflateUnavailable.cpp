#include "load/Inflate.h"

// The Inflater of a build without zlib (the browser's): there BytesAnalyser inflates every stream
// with PortableInflater, and a save read any other way is refused.

namespace quillmere::load {

Inflater::Inflater() : m_decompressor(nullptr) {}

Inflater::~Inflater() = default;

std::size_t Inflater::inflate(std::span<const std::uint8_t> /*stream*/, std::span<std::uint8_t> /*out*/,
                              std::int64_t /*fileOffset*/) {
    throw LoadError("not loaded: this build reads saves only as bytes in memory");
}

}  // namespace quillmere::load
