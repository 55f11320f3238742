#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace quillmere::tournament {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The SHA-256 of `bytes` (OpenSSL's, which uses the processor's SHA instructions where there are any).
[[nodiscard]] Sha256Digest Sha256(std::span<const std::uint8_t> bytes);

// The digest as 64 lower-case hexadecimal digits.
[[nodiscard]] std::string HexText(std::span<const std::uint8_t> bytes);

}  // namespace quillmere::tournament
