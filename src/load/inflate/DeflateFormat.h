#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The fixed parts of a zlib stream (RFC 1950) and the deflate blocks inside it (RFC 1951):
//   zlib stream  = CMF FLG (big-endian, a multiple of 31; CM 8, CINFO <= 7, no FDICT)
//                  block... (the last one marked) Adler-32 of the output (big-endian, byte-aligned)
//   block        = BFINAL:1 BTYPE:2, then
//                  0 stored:  to a byte boundary, LEN:16 NLEN:16 (= ~LEN), LEN bytes
//                  1 fixed:   symbols in the fixed codes below
//                  2 dynamic: HLIT:5 HDIST:5 HCLEN:4, (HCLEN + 4) 3-bit code length code lengths in
//                             kCodeLengthOrder, then the HLIT + 257 literal/length and HDIST + 1
//                             distance code lengths in that code (16-18 repeat), then symbols
//   symbols      = literal (0-255) | end of block (256) | length (257-285) [extra] distance [extra]
// Values are packed from the least significant bit; Huffman codes from their most significant.
namespace quillmere::load::inflate {

inline constexpr int kMaxCodeBits = 15;
inline constexpr std::size_t kMaxLengthCodes = 286;  // HLIT's most that zlib takes
inline constexpr std::size_t kMaxDistanceCodes = 30;
inline constexpr std::size_t kFixedLengthCodes = 288;   // 286 and 287 have a fixed code and no meaning
inline constexpr std::size_t kFixedDistanceCodes = 32;  // nor do 30 and 31
inline constexpr int kEndOfBlock = 256;
inline constexpr std::size_t kWindowBytes = 32768;
inline constexpr std::size_t kLongestMatch = 258;

inline constexpr std::array<std::uint16_t, 29> kLengthBase = {
    3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
inline constexpr std::array<std::uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                  11, 4,  12, 3, 13, 2, 14, 1, 15};

// The code lengths of the fixed literal/length code and of the fixed distance code.
[[nodiscard]] std::array<std::uint8_t, kFixedLengthCodes> FixedLengthCodeLengths();
[[nodiscard]] std::array<std::uint8_t, kFixedDistanceCodes> FixedDistanceCodeLengths();

enum class CodeShape { Complete, Incomplete, Empty, Oversubscribed };

// Whether the code lengths `lengths` (each at most kMaxCodeBits) use every bit pattern, leave some
// unused, have no code at all, or ask for more codes than their lengths have room for.
[[nodiscard]] CodeShape ShapeOf(std::span<const std::uint8_t> lengths);

// Whether zlib takes `lengths` as a literal/length or distance code: not oversubscribed, and
// incomplete only as one code of one bit (or none at all).
[[nodiscard]] bool TakenAsSymbolCode(std::span<const std::uint8_t> lengths);

// Whether the two header bytes `cmf`, `flg` open a zlib stream that zlib inflates without a
// preset dictionary.
[[nodiscard]] bool PlainZlibHeader(std::uint8_t cmf, std::uint8_t flg);

}  // namespace quillmere::load::inflate
