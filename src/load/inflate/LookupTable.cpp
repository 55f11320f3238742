#include "load/inflate/LookupTable.h"

#include <array>

#include "load/inflate/DeflateFormat.h"

namespace quillmere::load::inflate {

namespace {

// The low `length` bits of `code` in the opposite order: Huffman codes are packed from their most
// significant bit, the table is indexed from the least.
std::uint32_t reversed(std::uint32_t code, int length) {
    code = (code & 0x5555) << 1 | (code >> 1 & 0x5555);
    code = (code & 0x3333) << 2 | (code >> 2 & 0x3333);
    code = (code & 0x0F0F) << 4 | (code >> 4 & 0x0F0F);
    code = (code & 0x00FF) << 8 | (code >> 8 & 0x00FF);
    return code >> (16 - length);
}

}  // namespace

void BuildLookupTable(std::span<const std::uint8_t> lengths, int rootBits, std::vector<Entry>& table,
                      Entry (*meaningOf)(std::size_t symbol)) {
    std::array<std::uint32_t, kMaxCodeBits + 1> counts{};
    for (const auto length : lengths) ++counts[length];
    counts[0] = 0;
    std::array<std::uint32_t, kMaxCodeBits + 1> next{};
    std::uint32_t code = 0;
    int longest = 0;
    for (std::size_t length = 1; length <= kMaxCodeBits; ++length) {
        code = (code + counts[length - 1]) << 1;
        next[length] = code;
        if (counts[length] != 0) longest = static_cast<int>(length);
    }
    std::array<std::uint16_t, kFixedLengthCodes> codes{};
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        if (lengths[symbol] != 0)
            codes[symbol] = static_cast<std::uint16_t>(reversed(next[lengths[symbol]]++, lengths[symbol]));
    }

    const std::uint32_t rootMask = (1U << rootBits) - 1;
    table.assign(std::size_t{1} << rootBits, kNoSymbol);
    if (longest > rootBits) {
        // Each root pattern that longer codes share links to a subtable as wide as the longest.
        std::array<std::uint8_t, 1U << kLengthRootBits> subtableBits{};
        for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
            const int extra = lengths[symbol] - rootBits;
            if (extra <= 0) continue;
            auto& bits = subtableBits[codes[symbol] & rootMask];
            if (extra > bits) bits = static_cast<std::uint8_t>(extra);
        }
        for (std::uint32_t prefix = 0; prefix <= rootMask; ++prefix) {
            if (subtableBits[prefix] == 0) continue;
            table[prefix] =
                makeEntry(static_cast<std::uint32_t>(table.size()), kExceptional | kSubtable, subtableBits[prefix],
                          static_cast<std::uint32_t>(rootBits) - subtableBits[prefix]);
            table.resize(table.size() + (std::size_t{1} << subtableBits[prefix]), kNoSymbol);
        }
    }
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        const int length = lengths[symbol];
        if (length == 0) continue;
        std::size_t start = 0;
        std::uint32_t pattern = codes[symbol];
        int width = rootBits;
        int ownBits = length;
        if (length > rootBits) {
            const Entry link = table[pattern & rootMask];
            start = valueOf(link);
            width = static_cast<int>(codeBitsOf(link));
            pattern >>= rootBits;
            ownBits = length - rootBits;
        }
        // The meaning's bits count its extra bits; the code's own bits go below them.
        const Entry meaning = meaningOf(symbol);
        const Entry entry = meaning == kNoSymbol ? kNoSymbol
                                                 : (meaning & ~Entry{0xFFF}) | static_cast<Entry>(ownBits) << 8 |
                                                       (static_cast<Entry>(ownBits) + takenBits(meaning));
        for (std::uint32_t k = pattern; k < (1U << width); k += 1U << ownBits) table[start + k] = entry;
    }
}

Entry LengthMeaning(std::size_t symbol) {
    if (symbol < 256) return makeEntry(static_cast<std::uint32_t>(symbol), kLiteral, 0, 0);
    if (symbol == kEndOfBlock) return makeEntry(0, kExceptional | kBlockEnd, 0, 0);
    if (symbol - 257 >= kLengthBase.size()) return kNoSymbol;
    return makeEntry(kLengthBase[symbol - 257], 0, 0, kLengthExtra[symbol - 257]);
}

Entry DistanceMeaning(std::size_t symbol) {
    if (symbol >= kDistanceBase.size()) return kNoSymbol;
    return makeEntry(kDistanceBase[symbol], 0, 0, kDistanceExtra[symbol]);
}

Entry CodeLengthMeaning(std::size_t symbol) { return makeEntry(static_cast<std::uint32_t>(symbol), 0, 0, 0); }

}  // namespace quillmere::load::inflate
