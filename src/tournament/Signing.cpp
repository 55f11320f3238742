#include "tournament/Signing.h"

#include <sodium.h>

#include <stdexcept>
#include <vector>

#include "tournament/Sha256.h"

namespace quillmere::tournament {

namespace {

// sodium_init is safe to call from several threads and again; it picks the fastest implementations
// and opens the system's randomness once.
void requireSodium() {
    if (sodium_init() < 0) throw std::runtime_error("the cryptography library cannot start (no source of randomness)");
}

const unsigned char* bytesOf(std::string_view text) { return reinterpret_cast<const unsigned char*>(text.data()); }

}  // namespace

std::string RandomHexToken(std::size_t bytes) {
    requireSodium();
    std::vector<std::uint8_t> random(bytes);
    randombytes_buf(random.data(), random.size());
    std::string token = HexText(random);
    sodium_memzero(random.data(), random.size());
    return token;
}

bool SameBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    requireSodium();
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

void MakeSigningKeyPair(std::array<std::uint8_t, 32>& publicKey, std::array<std::uint8_t, 64>& secretKey) {
    static_assert(crypto_sign_PUBLICKEYBYTES == 32 && crypto_sign_SECRETKEYBYTES == 64);
    requireSodium();
    if (crypto_sign_keypair(publicKey.data(), secretKey.data()) != 0)
        throw std::runtime_error("cannot make a signing key pair");
}

std::array<std::uint8_t, 64> SignMessage(std::string_view message, const std::array<std::uint8_t, 64>& secretKey) {
    static_assert(crypto_sign_BYTES == 64);
    requireSodium();
    std::array<std::uint8_t, 64> signature{};
    if (crypto_sign_detached(signature.data(), nullptr, bytesOf(message), message.size(), secretKey.data()) != 0)
        throw std::runtime_error("cannot sign");
    return signature;
}

bool VerifySignature(std::string_view message, std::span<const std::uint8_t> signature,
                     std::span<const std::uint8_t> publicKey) {
    requireSodium();
    if (signature.size() != crypto_sign_BYTES || publicKey.size() != crypto_sign_PUBLICKEYBYTES) return false;
    return crypto_sign_verify_detached(signature.data(), bytesOf(message), message.size(), publicKey.data()) == 0;
}

}  // namespace quillmere::tournament
