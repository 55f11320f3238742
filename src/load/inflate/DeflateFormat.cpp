#include "load/inflate/DeflateFormat.h"

#include <algorithm>

namespace quillmere::load::inflate {

std::array<std::uint8_t, kFixedLengthCodes> FixedLengthCodeLengths() {
    std::array<std::uint8_t, kFixedLengthCodes> lengths{};
    std::fill(lengths.begin(), lengths.begin() + 144, std::uint8_t{8});
    std::fill(lengths.begin() + 144, lengths.begin() + 256, std::uint8_t{9});
    std::fill(lengths.begin() + 256, lengths.begin() + 280, std::uint8_t{7});
    std::fill(lengths.begin() + 280, lengths.end(), std::uint8_t{8});
    return lengths;
}

std::array<std::uint8_t, kFixedDistanceCodes> FixedDistanceCodeLengths() {
    std::array<std::uint8_t, kFixedDistanceCodes> lengths{};
    lengths.fill(5);
    return lengths;
}

CodeShape ShapeOf(std::span<const std::uint8_t> lengths) {
    std::array<int, kMaxCodeBits + 1> counts{};
    for (const auto length : lengths) ++counts[length];
    int left = 1;
    int most = 0;
    for (std::size_t length = 1; length <= kMaxCodeBits; ++length) {
        left = left * 2 - counts[length];
        if (left < 0) return CodeShape::Oversubscribed;
        if (counts[length] != 0) most = static_cast<int>(length);
    }
    if (most == 0) return CodeShape::Empty;
    return left > 0 ? CodeShape::Incomplete : CodeShape::Complete;
}

bool TakenAsSymbolCode(std::span<const std::uint8_t> lengths) {
    const CodeShape shape = ShapeOf(lengths);
    return shape == CodeShape::Complete || shape == CodeShape::Empty ||
           (shape == CodeShape::Incomplete && *std::max_element(lengths.begin(), lengths.end()) == 1);
}

bool PlainZlibHeader(std::uint8_t cmf, std::uint8_t flg) {
    return (cmf << 8 | flg) % 31 == 0 && (cmf & 0x0F) == 8 && (cmf >> 4) + 8 <= 15 && (flg & 0x20) == 0;
}

}  // namespace quillmere::load::inflate
