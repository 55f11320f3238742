#include "support/CraftedStreams.h"

#include <array>
#include <cstdint>

#include "support/DeflateBits.h"

namespace quillmere::testsupport {

namespace {

// A complete literal/length code of the 286 codes zlib takes.
std::vector<std::uint8_t> complete286() {
    std::vector<std::uint8_t> lengths(286);
    for (std::size_t s = 0; s < lengths.size(); ++s) {
        lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : s < 284 ? 8 : 7;
    }
    return lengths;
}

std::vector<std::uint8_t> text(const std::string& bytes) { return {bytes.begin(), bytes.end()}; }

}  // namespace

std::vector<CraftedStream> CraftedStreams() {
    std::vector<CraftedStream> streams;
    const auto add = [&](std::string name, const DeflateBits& bits, const std::vector<std::uint8_t>& output,
                         std::string reason) {
        streams.push_back({std::move(name), bits.zlib(output), std::move(reason)});
    };
    const auto abc = [](DeflateBits& bits) { bits.fixedSymbol('a').fixedSymbol('b').fixedSymbol('c'); };
    const auto lengths = complete286();

    // A lenient inflate reads fixed codes 286 and 287 as a 258-byte match.
    for (const int symbol : {286, 287}) {
        DeflateBits bits;
        bits.block(true, 1);
        abc(bits);
        bits.fixedSymbol(symbol).fixedDistance(0).fixedSymbol(256);
        add("fixed length code " + std::to_string(symbol), bits, text("abc" + std::string(258, 'c')),
            "invalid literal/length code");
    }
    // Fixed distance codes 30 and 31, after a stored block long enough for any distance.
    for (const int symbol : {30, 31}) {
        DeflateBits bits;
        bits.block(false, 0).toByte().bits(65535, 16).bits(0, 16);
        std::vector<std::uint8_t> stored(65535);
        for (std::size_t i = 0; i < stored.size(); ++i) {
            stored[i] = static_cast<std::uint8_t>(i * 7);
            bits.bits(stored[i], 8);
        }
        bits.block(true, 1).fixedSymbol(257).fixedDistance(symbol).bits(0, 14).fixedSymbol(256);
        add("fixed distance code " + std::to_string(symbol), bits, stored, "invalid distance code");
    }
    {
        // HLIT counting 288 codes (the fixed code's lengths), HDIST 32.
        DeflateBits bits;
        const auto fixed = FixedLengthLengths();
        bits.block(true, 2).dynamicHeader(fixed, std::vector<std::uint8_t>(1, 1));
        bits.symbol(fixed, 'a').symbol(fixed, 256);
        add("288 literal/length codes", bits, text("a"), "too many length or distance symbols");
    }
    {
        DeflateBits bits;
        const std::vector<std::uint8_t> distances(32, 5);
        bits.block(true, 2).dynamicHeader(lengths, distances);
        bits.symbol(lengths, 'a').symbol(lengths, 257).symbol(distances, 0).symbol(lengths, 256);
        add("32 distance codes", bits, text("aaaa"), "too many length or distance symbols");
    }
    {
        // One distance code of one bit, and the pattern it leaves: a lenient inflate reads it as the one.
        DeflateBits bits;
        bits.block(true, 2).dynamicHeader(lengths, std::vector<std::uint8_t>(1, 1));
        bits.symbol(lengths, 'a').symbol(lengths, 257).bits(1, 1).symbol(lengths, 256);
        add("one-bit distance code's unused pattern", bits, text("aaaa"), "invalid distance code");
    }
    {
        DeflateBits bits;
        bits.block(true, 2).dynamicHeader(lengths, std::vector<std::uint8_t>(1, 0));
        bits.symbol(lengths, 'a').symbol(lengths, 257).bits(0, 1).symbol(lengths, 256);
        add("match with no distance code", bits, text("aaaa"), "invalid distance code");
    }
    {
        // The end of block as the only literal/length code, written as the pattern it leaves.
        DeflateBits bits;
        std::vector<std::uint8_t> endOnly(257, 0);
        endOnly[256] = 1;
        bits.block(true, 2).dynamicHeader(endOnly, std::vector<std::uint8_t>(1, 0)).bits(1, 1);
        add("one-bit literal/length code's unused pattern", bits, {}, "invalid literal/length code");
    }
    {
        // A run of zero lengths that goes on past the last distance length.
        DeflateBits bits;
        std::array<std::uint8_t, 19> codeLengthCode{};
        for (std::size_t s = 0; s < 15; ++s) codeLengthCode[s] = 4;
        codeLengthCode[17] = 4;
        std::vector<std::uint8_t> all = lengths;
        all.push_back(1);
        bits.block(true, 2).dynamicHeaderWith(codeLengthCode, all, 286, 2);
        bits.symbol(codeLengthCode, 17).bits(7, 3);
        bits.symbol(lengths, 'a').symbol(lengths, 256);
        add("zero lengths repeated past the last", bits, text("a"), "invalid bit length repeat");
    }
    {
        // What zlib takes: a stored, a fixed and a dynamic block, one-code codes used as they may be.
        DeflateBits bits;
        bits.block(false, 0).toByte().bits(3, 16).bits(0xFFFC, 16).bits('x', 8).bits('y', 8).bits('z', 8);
        bits.block(false, 1).fixedSymbol('a').fixedSymbol(258).fixedDistance(0).fixedSymbol(256);
        bits.block(true, 2).dynamicHeader(lengths, std::vector<std::uint8_t>(1, 1));
        bits.symbol(lengths, 'b').symbol(lengths, 257).bits(0, 1).symbol(lengths, 256);
        add("every block kind", bits, text("xyzaaaaabbbb"), "");
    }
    return streams;
}

}  // namespace quillmere::testsupport
