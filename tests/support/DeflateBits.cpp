#include "support/DeflateBits.h"

#include <zlib.h>
#include <algorithm>
#include <array>

namespace quillmere::testsupport {

namespace {

// The canonical code of `symbol` among `lengths`, most significant bit first.
std::uint32_t canonicalCode(std::span<const std::uint8_t> lengths, std::size_t symbol) {
    std::array<std::uint32_t, 17> counts{};
    for (const auto length : lengths) ++counts[length];
    counts[0] = 0;
    std::array<std::uint32_t, 17> next{};
    std::uint32_t code = 0;
    for (std::size_t length = 1; length <= 16; ++length) {
        code = (code + counts[length - 1]) << 1;
        next[length] = code;
    }
    for (std::size_t s = 0; s < symbol; ++s) {
        if (lengths[s] == lengths[symbol]) ++next[lengths[s]];
    }
    return next[lengths[symbol]];
}

constexpr std::array<std::size_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

}  // namespace

std::vector<std::uint8_t> FixedLengthLengths() {
    std::vector<std::uint8_t> lengths(288, 8);
    for (std::size_t s = 144; s < 256; ++s) lengths[s] = 9;
    for (std::size_t s = 256; s < 280; ++s) lengths[s] = 7;
    return lengths;
}

DeflateBits& DeflateBits::bits(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        if (m_used == 8) {
            m_bytes.push_back(0);
            m_used = 0;
        }
        m_bytes.back() = static_cast<std::uint8_t>(m_bytes.back() | ((value >> i) & 1U) << m_used);
        ++m_used;
    }
    return *this;
}

DeflateBits& DeflateBits::block(bool last, int type) {
    return bits(last ? 1 : 0, 1).bits(static_cast<std::uint32_t>(type), 2);
}

DeflateBits& DeflateBits::symbol(std::span<const std::uint8_t> lengths, std::size_t symbol) {
    const std::uint32_t code = canonicalCode(lengths, symbol);
    for (int i = lengths[symbol] - 1; i >= 0; --i) bits(code >> i & 1U, 1);
    return *this;
}

DeflateBits& DeflateBits::fixedSymbol(int symbol) {
    return this->symbol(FixedLengthLengths(), static_cast<std::size_t>(symbol));
}

DeflateBits& DeflateBits::fixedDistance(int symbol) {
    for (int i = 4; i >= 0; --i) bits(static_cast<std::uint32_t>(symbol) >> i & 1U, 1);
    return *this;
}

DeflateBits& DeflateBits::dynamicHeader(std::span<const std::uint8_t> lengthLengths,
                                        std::span<const std::uint8_t> distanceLengths) {
    std::vector<std::uint8_t> all(lengthLengths.begin(), lengthLengths.end());
    all.insert(all.end(), distanceLengths.begin(), distanceLengths.end());
    std::array<std::uint8_t, 19> fourBits{};
    for (std::size_t s = 0; s < 16; ++s) fourBits[s] = 4;
    return dynamicHeaderWith(fourBits, all, lengthLengths.size(), distanceLengths.size());
}

DeflateBits& DeflateBits::dynamicHeaderWith(std::span<const std::uint8_t> codeLengthCode,
                                            std::span<const std::uint8_t> lengths, std::size_t lengthCount,
                                            std::size_t distanceCount) {
    bits(static_cast<std::uint32_t>(lengthCount - 257), 5);
    bits(static_cast<std::uint32_t>(distanceCount - 1), 5);
    bits(19 - 4, 4);
    for (const auto s : kCodeLengthOrder) bits(codeLengthCode[s], 3);
    for (const auto length : lengths) {
        if (codeLengthCode[length] != 0) symbol(codeLengthCode, length);
    }
    return *this;
}

DeflateBits& DeflateBits::toByte() {
    m_used = 8;
    return *this;
}

std::vector<std::uint8_t> DeflateBits::bytes() const { return m_bytes; }

std::vector<std::uint8_t> DeflateBits::zlib(std::span<const std::uint8_t> output) const {
    std::vector<std::uint8_t> stream(2 + m_bytes.size());
    stream[0] = 0x78;
    stream[1] = 0x9C;
    std::copy(m_bytes.begin(), m_bytes.end(), stream.begin() + 2);
    const auto adler = static_cast<std::uint32_t>(adler32_z(1, output.data(), output.size()));
    for (const int shift : {24, 16, 8, 0}) stream.push_back(static_cast<std::uint8_t>(adler >> shift));
    return stream;
}

}  // namespace quillmere::testsupport
