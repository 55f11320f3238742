#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillmere::tournament {

// The cryptography of links and receipts, all of it libsodium's. Every function throws
// std::runtime_error when libsodium cannot start (no source of randomness).

// `bytes` random bytes from the system (getrandom) as 2 x `bytes` lower-case hexadecimal digits.
[[nodiscard]] std::string RandomHexToken(std::size_t bytes);

// Whether `a` and `b` hold the same bytes, in a time that depends on their length only.
[[nodiscard]] bool SameBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

// A new Ed25519 key pair: the public key, and the secret key (which holds the public key too).
void MakeSigningKeyPair(std::array<std::uint8_t, 32>& publicKey, std::array<std::uint8_t, 64>& secretKey);

// The Ed25519 signature of `message`.
[[nodiscard]] std::array<std::uint8_t, 64> SignMessage(std::string_view message,
                                                       const std::array<std::uint8_t, 64>& secretKey);

// Whether `signature` is the signature of `message` by the holder of `publicKey`.
[[nodiscard]] bool VerifySignature(std::string_view message, std::span<const std::uint8_t> signature,
                                   std::span<const std::uint8_t> publicKey);

}  // namespace quillmere::tournament
