#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quillmere::testsupport {

// Writes deflate blocks bit by bit, for streams no encoder writes: a symbol without a meaning,
// a code zlib refuses, a header that says too much. Values are packed from the least significant
// bit, Huffman codes from their most significant, as in a real stream.
class DeflateBits {
public:
    DeflateBits& bits(std::uint32_t value, int count);
    // A block header: BFINAL and BTYPE.
    DeflateBits& block(bool last, int type);
    // A symbol of the fixed literal/length code (0-287, 286 and 287 included) and of the fixed
    // distance code (0-31).
    DeflateBits& fixedSymbol(int symbol);
    DeflateBits& fixedDistance(int symbol);
    // A dynamic block's header with these code lengths, written with a code length code that gives
    // every length 0-15 four bits (or, when `codeLengthCode` is given, those 19 lengths in order
    // 0-18 and each length written with it); `lengthCount` and `distanceCount` as HLIT + 257 and
    // HDIST + 1 say, even beyond what the lengths hold.
    DeflateBits& dynamicHeader(std::span<const std::uint8_t> lengthLengths,
                               std::span<const std::uint8_t> distanceLengths);
    DeflateBits& dynamicHeaderWith(std::span<const std::uint8_t> codeLengthCode, std::span<const std::uint8_t> lengths,
                                   std::size_t lengthCount, std::size_t distanceCount);
    // A symbol of the canonical code with `lengths`.
    DeflateBits& symbol(std::span<const std::uint8_t> lengths, std::size_t symbol);
    DeflateBits& toByte();

    // The bytes so far, the last one padded with zero bits.
    [[nodiscard]] std::vector<std::uint8_t> bytes() const;
    // A zlib stream of the blocks: the header 78 9C, the bytes, and the Adler-32 of `output`.
    [[nodiscard]] std::vector<std::uint8_t> zlib(std::span<const std::uint8_t> output) const;

private:
    std::vector<std::uint8_t> m_bytes;
    int m_used = 8;  // bits of the last byte in use
};

// The fixed literal/length code's lengths, for DeflateBits::symbol.
[[nodiscard]] std::vector<std::uint8_t> FixedLengthLengths();

}  // namespace quillmere::testsupport
