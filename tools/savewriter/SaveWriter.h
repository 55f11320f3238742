#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quillmere::savewriter {

// Appends little-endian values in the layouts the save readers expect.
class ByteWriter {
public:
    ByteWriter& Int(std::int32_t value);
    ByteWriter& Short(std::int16_t value);
    ByteWriter& Char(std::uint8_t value);
    ByteWriter& Bool(std::uint8_t value);
    // `count` copies of one value.
    ByteWriter& Ints(std::size_t count, std::int32_t value = 0);
    ByteWriter& Shorts(std::size_t count, std::int16_t value = 0);
    ByteWriter& Bools(std::size_t count, std::uint8_t value = 0);
    // Length, then the bytes.
    ByteWriter& Str(std::string_view text);
    // Character count, then each byte as a 16-bit character (or as one byte when `wide` is false).
    ByteWriter& UStr(std::string_view text, bool wide = true);
    ByteWriter& Bytes(std::span<const std::uint8_t> bytes);
    ByteWriter& Bytes(std::string_view bytes);
    // Room for `bytes` in all, so that a big save is written without regrowing.
    void Reserve(std::size_t bytes) { m_bytes.reserve(bytes); }

    [[nodiscard]] const std::vector<std::uint8_t>& bytes() const { return m_bytes; }
    [[nodiscard]] std::vector<std::uint8_t> take() { return std::move(m_bytes); }
    [[nodiscard]] std::size_t size() const { return m_bytes.size(); }

private:
    std::vector<std::uint8_t> m_bytes;
};

// The outer layout of a save file: header, U, C, zlib stream of the game state, trailing bytes.
struct Container {
    std::vector<std::uint8_t> header;
    std::vector<std::uint8_t> gameState;
    std::vector<std::uint8_t> trailing;
    std::optional<std::int32_t> declaredU;  // instead of the game state's length
    std::optional<std::int32_t> declaredC;  // instead of the stream's length
    // Fast deflate (level 1) framed as a default-level stream, for big benchmark batches.
    bool fast = false;
};

// The file's bytes. The stream always starts 78 9C, so its offset is header.size() + 8 unless
// the header itself holds those two bytes.
[[nodiscard]] std::vector<std::uint8_t> BuildContainer(const Container& container);

// A zlib stream (78 9C ...) of `data`.
[[nodiscard]] std::vector<std::uint8_t> Deflate(std::span<const std::uint8_t> data, bool fast = false);

}  // namespace quillmere::savewriter
