#include "load/inflate/ExactInflate.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "load/inflate/DeflateFormat.h"

namespace quillmere::load::inflate {

namespace {

// Read the way zlib reads a stream: bytes are taken from the input only when a value needs more
// bits than are held, so that the byte a failure names is the one zlib names.

// Thrown inside the inflate; the caller turns it into the desktop's message.
struct DataError {
    const char* reason;
};
struct InputEnded {};

class BitInput {
public:
    explicit BitInput(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    // Holds at least `count` bits (count <= 32), taking bytes as needed.
    void need(int count) {
        while (m_bits < count) {
            if (m_taken == m_bytes.size()) throw InputEnded{};
            m_hold |= std::uint64_t{m_bytes[m_taken++]} << m_bits;
            m_bits += 8;
        }
    }
    [[nodiscard]] std::uint32_t peek(int count) const {
        return static_cast<std::uint32_t>(m_hold & ((std::uint64_t{1} << count) - 1));
    }
    void drop(int count) {
        m_hold >>= count;
        m_bits -= count;
    }
    std::uint32_t take(int count) {
        need(count);
        const std::uint32_t value = peek(count);
        drop(count);
        return value;
    }
    // Drops the bits left of the current byte.
    void toByte() { drop(m_bits % 8); }
    // Only at a byte boundary with nothing held.
    std::uint8_t byte() {
        if (m_taken == m_bytes.size()) throw InputEnded{};
        return m_bytes[m_taken++];
    }
    [[nodiscard]] bool empty() const { return m_bits == 0; }
    [[nodiscard]] std::size_t taken() const { return m_taken; }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_taken = 0;
    std::uint64_t m_hold = 0;
    int m_bits = 0;
};

// A canonical Huffman code, decoded a bit at a time: each code's bits are taken as the code needs
// them. `invalidBits` is what a pattern without a symbol costs (zlib's table entry for it).
class HuffmanCode {
public:
    CodeShape build(std::span<const std::uint8_t> lengths) {
        m_counts.fill(0);
        for (const auto length : lengths) ++m_counts[length];
        m_counts[0] = 0;
        std::array<int, kMaxCodeBits + 2> offsets{};
        for (int length = 1; length <= kMaxCodeBits; ++length) {
            offsets[static_cast<std::size_t>(length) + 1] =
                offsets[static_cast<std::size_t>(length)] + m_counts[static_cast<std::size_t>(length)];
        }
        m_symbols.assign(lengths.size(), 0);
        for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
            if (lengths[symbol] != 0)
                m_symbols[static_cast<std::size_t>(offsets[lengths[symbol]]++)] = static_cast<int>(symbol);
        }
        return ShapeOf(lengths);
    }

    // The next symbol, or -1 for a pattern no symbol has (after taking the one bit zlib takes).
    int decode(BitInput& in) const {
        int code = 0;
        int first = 0;
        int index = 0;
        for (int length = 1; length <= kMaxCodeBits; ++length) {
            in.need(length);
            code |= static_cast<int>((in.peek(length) >> (length - 1)) & 1U);
            const int count = m_counts[static_cast<std::size_t>(length)];
            if (code - count < first) {
                in.drop(length);
                return m_symbols[static_cast<std::size_t>(index + (code - first))];
            }
            index += count;
            first += count;
            first <<= 1;
            code <<= 1;
            // Past the longest code of an incomplete one-code table: zlib's filler entry is one bit.
            if (index == static_cast<int>(symbolCount())) {
                in.drop(1);
                return -1;
            }
        }
        in.drop(1);
        return -1;
    }

private:
    [[nodiscard]] std::size_t symbolCount() const {
        std::size_t total = 0;
        for (std::size_t length = 1; length <= kMaxCodeBits; ++length)
            total += static_cast<std::size_t>(m_counts[length]);
        return total;
    }

    std::array<int, kMaxCodeBits + 1> m_counts{};
    std::vector<int> m_symbols;
};

// Where the output goes: `out` first, then only counted, with the last 32 KiB kept for copies.
class Output {
public:
    explicit Output(std::span<std::uint8_t> out) : m_out(out) {}

    void put(std::uint8_t byte) {
        if (m_total < m_out.size()) m_out[m_total] = byte;
        m_window[m_total % m_window.size()] = byte;
        ++m_total;
        m_a = (m_a + byte) % 65521;
        m_b = (m_b + m_a) % 65521;
        if (m_total > m_out.size() + static_cast<std::size_t>(kMaxSurplusBytes)) throw StreamTooLongError(m_out.size());
    }
    void copy(std::size_t distance, int length) {
        if (distance > m_total) throw DataError{"invalid distance too far back"};
        for (int i = 0; i < length; ++i) put(m_window[(m_total - distance) % m_window.size()]);
    }
    [[nodiscard]] std::uint32_t checksum() const { return m_b << 16 | m_a; }
    [[nodiscard]] std::size_t total() const { return m_total; }

private:
    std::span<std::uint8_t> m_out;
    std::array<std::uint8_t, 32768> m_window{};
    std::size_t m_total = 0;
    std::uint32_t m_a = 1;
    std::uint32_t m_b = 0;
};

void inflateCodes(BitInput& in, Output& output, const HuffmanCode& lengths, const HuffmanCode& distances) {
    for (;;) {
        const int symbol = lengths.decode(in);
        if (symbol < 0 || symbol >= 257 + static_cast<int>(kLengthBase.size()))
            throw DataError{"invalid literal/length code"};
        if (symbol < 256) {
            output.put(static_cast<std::uint8_t>(symbol));
            continue;
        }
        if (symbol == 256) return;
        const auto index = static_cast<std::size_t>(symbol - 257);
        const int length = kLengthBase[index] + static_cast<int>(in.take(kLengthExtra[index]));
        const int code = distances.decode(in);
        if (code < 0 || code >= static_cast<int>(kDistanceBase.size())) throw DataError{"invalid distance code"};
        const auto d = static_cast<std::size_t>(code);
        const auto distance = static_cast<std::size_t>(kDistanceBase[d]) + in.take(kDistanceExtra[d]);
        output.copy(distance, length);
    }
}

void readDynamicCodes(BitInput& in, HuffmanCode& lengths, HuffmanCode& distances) {
    in.need(14);
    const auto lengthCount = static_cast<std::size_t>(in.take(5)) + 257;
    const auto distanceCount = static_cast<std::size_t>(in.take(5)) + 1;
    const auto codeCount = static_cast<std::size_t>(in.take(4)) + 4;
    if (lengthCount > kMaxLengthCodes || distanceCount > kMaxDistanceCodes)
        throw DataError{"too many length or distance symbols"};

    std::array<std::uint8_t, 19> codeLengths{};
    for (std::size_t i = 0; i < codeCount; ++i)
        codeLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(in.take(3));
    HuffmanCode codeLengthCode;
    const auto built = codeLengthCode.build(codeLengths);
    if (built == CodeShape::Incomplete || built == CodeShape::Oversubscribed) {
        throw DataError{"invalid code lengths set"};
    }

    std::array<std::uint8_t, kMaxLengthCodes + kMaxDistanceCodes> all{};
    const std::size_t total = lengthCount + distanceCount;
    for (std::size_t have = 0; have < total;) {
        // With no code length code at all, zlib reads every length as a one-bit 0.
        const int symbol = built == CodeShape::Empty ? (in.take(1), 0) : codeLengthCode.decode(in);
        if (symbol < 16) {
            all[have++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t repeated = 0;
        std::size_t copies = 0;
        if (symbol == 16) {
            // zlib holds the repeat count's bits before it finds that nothing precedes it.
            in.need(2);
            if (have == 0) throw DataError{"invalid bit length repeat"};
            repeated = all[have - 1];
            copies = 3 + in.take(2);
        } else if (symbol == 17) {
            copies = 3 + in.take(3);
        } else {
            copies = 11 + in.take(7);
        }
        if (have + copies > total) throw DataError{"invalid bit length repeat"};
        std::fill_n(all.begin() + static_cast<std::ptrdiff_t>(have), copies, repeated);
        have += copies;
    }
    if (all[kEndOfBlock] == 0) throw DataError{"invalid code -- missing end-of-block"};
    const auto lengthLengths = std::span(all).first(lengthCount);
    (void)lengths.build(lengthLengths);
    if (!TakenAsSymbolCode(lengthLengths)) throw DataError{"invalid literal/lengths set"};
    const auto distanceLengths = std::span(all).subspan(lengthCount, distanceCount);
    (void)distances.build(distanceLengths);
    if (!TakenAsSymbolCode(distanceLengths)) throw DataError{"invalid distances set"};
}

void readFixedCodes(HuffmanCode& lengths, HuffmanCode& distances) {
    (void)lengths.build(FixedLengthCodeLengths());
    (void)distances.build(FixedDistanceCodeLengths());
}

std::size_t inflateStream(BitInput& in, Output& output) {
    in.need(16);
    const std::uint32_t header = in.peek(16);
    if (((header & 0xFF) << 8 | header >> 8) % 31 != 0) throw DataError{"incorrect header check"};
    if ((header & 0x0F) != 8) throw DataError{"unknown compression method"};
    if (((header >> 4) & 0x0F) + 8 > 15) throw DataError{"invalid window size"};
    in.drop(16);
    if ((header & 0x2000) != 0) {
        in.take(32);
        throw DataError{nullptr};  // a preset dictionary: zlib asks for it and gives no reason
    }

    HuffmanCode lengths;
    HuffmanCode distances;
    for (bool last = false; !last;) {
        in.need(3);
        last = in.take(1) == 1;
        const std::uint32_t type = in.peek(2);
        if (type == 3) {
            in.drop(2);
            throw DataError{"invalid block type"};
        }
        in.drop(2);
        if (type == 0) {
            in.toByte();
            const std::uint32_t length = in.take(16);
            const std::uint32_t complement = in.take(16);
            if (length != (complement ^ 0xFFFF)) throw DataError{"invalid stored block lengths"};
            for (std::uint32_t i = 0; i < length; ++i) output.put(in.byte());
            continue;
        }
        if (type == 1) {
            readFixedCodes(lengths, distances);
        } else {
            readDynamicCodes(in, lengths, distances);
        }
        inflateCodes(in, output, lengths, distances);
    }
    in.toByte();
    const std::uint32_t stored = in.take(32);
    const std::uint32_t checksum =
        (stored & 0xFF) << 24 | (stored & 0xFF00) << 8 | (stored >> 8 & 0xFF00) | stored >> 24;
    if (checksum != output.checksum()) throw DataError{"incorrect data check"};
    return in.taken();
}

}  // namespace

std::size_t InflateExactly(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out, std::int64_t fileOffset) {
    BitInput in(stream);
    Output output(out);
    try {
        const std::size_t taken = inflateStream(in, output);
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(std::min(output.total(), out.size())), out.end(),
                  std::uint8_t{0});
        return taken;
    } catch (const InputEnded&) {
        throw StreamStopsError(fileOffset + static_cast<std::int64_t>(stream.size()));
    } catch (const DataError& error) {
        throw StreamDamagedError(error.reason, fileOffset + static_cast<std::int64_t>(in.taken()));
    }
}

}  // namespace quillmere::load::inflate
