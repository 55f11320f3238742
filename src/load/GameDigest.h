#pragma once

#include <compare>
#include <cstdint>
#include <span>

namespace quillmere::load {

// A 128-bit digest of a save's inflated game state: the same for the same game data, and for
// different data different beyond practical doubt, unlike the stream's own 32-bit checksum.
// Archives keep it, so it is XXH3-128 on every build.
struct GameDigest {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    auto operator<=>(const GameDigest&) const = default;
};

[[nodiscard]] GameDigest DigestOf(std::span<const std::uint8_t> bytes);

}  // namespace quillmere::load
