#pragma once

#include <cstdint>
#include <span>

#include "load/StreamInflater.h"

namespace quillmere::load::inflate {

// Inflates with zlib itself, the reference every build's own inflate is held to: the tests, the
// fuzzers and the benchmark compare PortableInflater with it. zlib's messages become the
// container's ("damaged save: the game data does not inflate (REASON, at byte N)").
class ZlibInflater final : public StreamInflater {
public:
    [[nodiscard]] std::size_t inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                                      std::int64_t fileOffset) override;
};

}  // namespace quillmere::load::inflate
