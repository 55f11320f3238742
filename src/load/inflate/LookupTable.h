#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The lookup tables of the fast inflate: a Huffman code's patterns, least significant bit first,
// each leading to what its code means, with subtables for codes longer than the root.
namespace quillmere::load::inflate {

// A lookup table entry, 32 bits:
//   bits 0-7    the bits it takes: its code's and, for a length or distance, the extra bits after it
//   bits 8-11   its code's own bits, where the extra bits start (a subtable link: the subtable's width)
//   bits 12-15  what it is (the flags below)
//   bits 16-31  a literal, a length or distance base, or where a subtable starts
using Entry = std::uint32_t;
inline constexpr Entry kLiteral = 0x8000;
inline constexpr Entry kExceptional = 0x4000;  // a subtable link, the end of the block, or no symbol
inline constexpr Entry kSubtable = 0x2000;
inline constexpr Entry kBlockEnd = 0x1000;
inline constexpr Entry kNoSymbol = kExceptional;  // a pattern no code has, or a symbol without a meaning

inline constexpr Entry makeEntry(std::uint32_t value, std::uint32_t flags, std::uint32_t codeBits,
                                 std::uint32_t extraBits) {
    return value << 16 | flags | codeBits << 8 | (codeBits + extraBits);
}
inline constexpr std::uint32_t takenBits(Entry entry) { return entry & 0xFF; }
inline constexpr std::uint32_t codeBitsOf(Entry entry) { return entry >> 8 & 0xF; }
inline constexpr std::uint32_t valueOf(Entry entry) { return entry >> 16; }

inline constexpr int kLengthRootBits = 11;
inline constexpr int kDistanceRootBits = 8;
inline constexpr int kCodeLengthRootBits = 7;  // code length codes are at most 7 bits: no subtables

// The lookup table of the canonical code with `lengths`, `rootBits` wide (at most 11), with a
// subtable for the longer codes of each root pattern; `meaningOf(symbol)` gives a symbol's entry
// for a code of no bits. The code must not be oversubscribed; the patterns an incomplete code leaves
// stay kNoSymbol.
void BuildLookupTable(std::span<const std::uint8_t> lengths, int rootBits, std::vector<Entry>& table,
                      Entry (*meaningOf)(std::size_t symbol));

// What the symbols of each code mean: literal/length (a literal, the end of the block, a length
// base and its extra bits; 286 and 287 mean nothing), distance (a base and its extra bits; 30 and
// 31 mean nothing), code length (the symbol itself).
[[nodiscard]] Entry LengthMeaning(std::size_t symbol);
[[nodiscard]] Entry DistanceMeaning(std::size_t symbol);
[[nodiscard]] Entry CodeLengthMeaning(std::size_t symbol);

}  // namespace quillmere::load::inflate
