#pragma once

#include "load/StreamInflater.h"

namespace quillmere::load {

// Inflates as the desktop's zlib does, to the same output, the same failure and the same byte in
// its message, in plain C++: where a browser refused a stream, it tells the reason the desktop
// gives (a browser only says that it failed), and takes a stream whole that has bytes after its
// end (a browser refuses them, zlib passes over them). A bit at a time: slow, for the rare file
// that fails.
class PortableInflater final : public StreamInflater {
public:
    std::size_t inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                        std::int64_t fileOffset) override;
};

}  // namespace quillmere::load
