#pragma once

#include <cstdint>
#include <span>

namespace quillmere::load {

// Unchecked decoders of fixed-width integers: each takes exactly its value's bytes, so the bound is
// the caller's, proved by the span's extent. The checked reads of a save, which throw DamagedSave
// on short data, are SaveReader's.

// Little-endian, as a save stores every number.
[[nodiscard]] constexpr std::uint16_t DecodeUint16LE(std::span<const std::uint8_t, 2> bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}
[[nodiscard]] constexpr std::int16_t DecodeInt16LE(std::span<const std::uint8_t, 2> bytes) {
    return static_cast<std::int16_t>(DecodeUint16LE(bytes));
}
[[nodiscard]] constexpr std::uint32_t DecodeUint32LE(std::span<const std::uint8_t, 4> bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}
[[nodiscard]] constexpr std::int32_t DecodeInt32LE(std::span<const std::uint8_t, 4> bytes) {
    return static_cast<std::int32_t>(DecodeUint32LE(bytes));
}

[[nodiscard]] constexpr std::uint64_t DecodeUint64LE(std::span<const std::uint8_t, 8> bytes) {
    return std::uint64_t{DecodeUint32LE(bytes.first<4>())} | std::uint64_t{DecodeUint32LE(bytes.last<4>())} << 32;
}

// Big-endian, as a zlib stream stores its checksum.
[[nodiscard]] constexpr std::uint32_t DecodeUint32BE(std::span<const std::uint8_t, 4> bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
           std::uint32_t{bytes[3]};
}

}  // namespace quillmere::load
