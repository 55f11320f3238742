#include "load/PortableInflater.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace quillmere::load {

namespace {

// A zlib stream as RFC 1950 and 1951 lay it out, read the way zlib reads it: bytes are taken from
// the input only when a value needs more bits than are held, so that the byte a failure names is
// the one zlib names.

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

constexpr int kMaxBits = 15;

enum class CodeShape { Complete, Incomplete, Empty, Oversubscribed };

// Whether the code lengths `lengths` (each at most kMaxBits) use every pattern, leave some unused,
// have no code at all, or ask for more codes than their lengths have room for.
CodeShape shapeOf(std::span<const std::uint8_t> lengths) {
    std::array<int, kMaxBits + 1> counts{};
    for (const auto length : lengths) ++counts[length];
    int left = 1;
    int most = 0;
    for (std::size_t length = 1; length <= kMaxBits; ++length) {
        left = left * 2 - counts[length];
        if (left < 0) return CodeShape::Oversubscribed;
        if (counts[length] != 0) most = static_cast<int>(length);
    }
    if (most == 0) return CodeShape::Empty;
    return left > 0 ? CodeShape::Incomplete : CodeShape::Complete;
}

// A canonical Huffman code, decoded a bit at a time: each code's bits are taken as the code needs
// them. `invalidBits` is what a pattern without a symbol costs (zlib's table entry for it).
class HuffmanCode {
public:
    CodeShape build(std::span<const std::uint8_t> lengths) {
        m_counts.fill(0);
        for (const auto length : lengths) ++m_counts[length];
        m_counts[0] = 0;
        std::array<int, kMaxBits + 2> offsets{};
        for (int length = 1; length <= kMaxBits; ++length) {
            offsets[static_cast<std::size_t>(length) + 1] =
                offsets[static_cast<std::size_t>(length)] + m_counts[static_cast<std::size_t>(length)];
        }
        m_symbols.assign(lengths.size(), 0);
        for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
            if (lengths[symbol] != 0)
                m_symbols[static_cast<std::size_t>(offsets[lengths[symbol]]++)] = static_cast<int>(symbol);
        }
        return shapeOf(lengths);
    }

    // The next symbol, or -1 for a pattern no symbol has (after taking the one bit zlib takes).
    int decode(BitInput& in) const {
        int code = 0;
        int first = 0;
        int index = 0;
        for (int length = 1; length <= kMaxBits; ++length) {
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
        for (std::size_t length = 1; length <= kMaxBits; ++length) total += static_cast<std::size_t>(m_counts[length]);
        return total;
    }

    std::array<int, kMaxBits + 1> m_counts{};
    std::vector<int> m_symbols;
};

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                               33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::array<std::size_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

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
        if (symbol < 0 || symbol > 285) throw DataError{"invalid literal/length code"};
        if (symbol < 256) {
            output.put(static_cast<std::uint8_t>(symbol));
            continue;
        }
        if (symbol == 256) return;
        const auto index = static_cast<std::size_t>(symbol - 257);
        const int length = kLengthBase[index] + static_cast<int>(in.take(kLengthExtra[index]));
        const int code = distances.decode(in);
        if (code < 0 || code > 29) throw DataError{"invalid distance code"};
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
    if (lengthCount > 286 || distanceCount > 30) throw DataError{"too many length or distance symbols"};

    std::array<std::uint8_t, 19> codeLengths{};
    for (std::size_t i = 0; i < codeCount; ++i)
        codeLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(in.take(3));
    HuffmanCode codeLengthCode;
    const auto built = codeLengthCode.build(codeLengths);
    if (built == CodeShape::Incomplete || built == CodeShape::Oversubscribed) {
        throw DataError{"invalid code lengths set"};
    }

    std::array<std::uint8_t, 286 + 30> all{};
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
    if (all[256] == 0) throw DataError{"invalid code -- missing end-of-block"};
    const auto lengthsBuilt = lengths.build(std::span(all).first(lengthCount));
    if (lengthsBuilt == CodeShape::Oversubscribed ||
        (lengthsBuilt == CodeShape::Incomplete &&
         *std::max_element(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(lengthCount)) != 1)) {
        throw DataError{"invalid literal/lengths set"};
    }
    const auto distanceLengths = std::span(all).subspan(lengthCount, distanceCount);
    const auto distancesBuilt = distances.build(distanceLengths);
    if (distancesBuilt == CodeShape::Oversubscribed ||
        (distancesBuilt == CodeShape::Incomplete &&
         *std::max_element(distanceLengths.begin(), distanceLengths.end()) != 1)) {
        throw DataError{"invalid distances set"};
    }
}

void readFixedCodes(HuffmanCode& lengths, HuffmanCode& distances) {
    std::array<std::uint8_t, 288> fixed{};
    std::fill(fixed.begin(), fixed.begin() + 144, std::uint8_t{8});
    std::fill(fixed.begin() + 144, fixed.begin() + 256, std::uint8_t{9});
    std::fill(fixed.begin() + 256, fixed.begin() + 280, std::uint8_t{7});
    std::fill(fixed.begin() + 280, fixed.end(), std::uint8_t{8});
    (void)lengths.build(fixed);
    std::array<std::uint8_t, 32> fixedDistances{};
    fixedDistances.fill(5);
    (void)distances.build(fixedDistances);
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

// The fast path: the same inflate with lookup tables over a 64-bit bit buffer. It takes only
// streams that inflate whole (or go on too long); on anything else it gives up, and the
// bit-at-a-time path above inflates the stream again for zlib's reason and byte.

enum class FastEnd { Whole, GaveUp, TooLong };

// A lookup table entry: the bits its code takes, what it decodes to (`tag`) and a value.
struct Entry {
    std::uint16_t value = 0;  // a literal, a base, a symbol, or where a subtable starts
    std::uint8_t bits = 0;
    std::uint8_t tag = 0xFF;
};
// Tags: 0 to 13 a base followed by that many extra bits (code length symbols: their symbol, 0 extra).
constexpr std::uint8_t kLiteral = 0x80;
constexpr std::uint8_t kEndOfBlock = 0x81;
constexpr std::uint8_t kSubtable = 0x20;  // | the subtable's index bits
constexpr std::uint8_t kNoSymbol = 0xFF;

constexpr int kLengthRootBits = 10;
constexpr int kDistanceRootBits = 8;
constexpr int kCodeLengthRootBits = 7;  // code length codes are at most 7 bits: no subtables

std::uint32_t reversed(std::uint32_t code, int length) {
    std::uint32_t result = 0;
    for (int i = 0; i < length; ++i, code >>= 1) result = result << 1 | (code & 1U);
    return result;
}

// The lookup table of the canonical code with `lengths`, `rootBits` wide, with a subtable for the
// codes of each longer prefix; `entryOf(symbol)` gives a symbol's entry but its bits. The code must
// not be oversubscribed; patterns of an incomplete code stay kNoSymbol.
template <typename EntryOf>
void buildTable(std::span<const std::uint8_t> lengths, int rootBits, std::vector<Entry>& table, EntryOf entryOf) {
    std::array<std::uint32_t, kMaxBits + 1> counts{};
    for (const auto length : lengths) ++counts[length];
    counts[0] = 0;
    std::array<std::uint32_t, kMaxBits + 1> next{};
    std::uint32_t code = 0;
    for (std::size_t length = 1; length <= kMaxBits; ++length) {
        code = (code + counts[length - 1]) << 1;
        next[length] = code;
    }
    std::vector<std::uint32_t> codes(lengths.size());
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        if (lengths[symbol] != 0) codes[symbol] = reversed(next[lengths[symbol]]++, lengths[symbol]);
    }

    const std::uint32_t rootMask = (1U << rootBits) - 1;
    table.assign(std::size_t{1} << rootBits, Entry{});
    std::array<int, 1 << kLengthRootBits> subBits{};
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        const int extra = lengths[symbol] - rootBits;
        auto& bits = subBits[codes[symbol] & rootMask];
        if (extra > bits) bits = extra;
    }
    for (std::uint32_t prefix = 0; prefix <= rootMask; ++prefix) {
        if (subBits[prefix] == 0) continue;
        table[prefix] = {static_cast<std::uint16_t>(table.size()), static_cast<std::uint8_t>(rootBits),
                         static_cast<std::uint8_t>(kSubtable | subBits[prefix])};
        table.resize(table.size() + (std::size_t{1} << subBits[prefix]));
    }
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        const int length = lengths[symbol];
        if (length == 0) continue;
        Entry entry = entryOf(symbol);
        std::size_t start = 0;
        std::uint32_t pattern = codes[symbol];
        int width = rootBits;
        if (length > rootBits) {
            const Entry& link = table[pattern & rootMask];
            start = link.value;
            width = link.tag & ~kSubtable;
            pattern >>= rootBits;
            entry.bits = static_cast<std::uint8_t>(length - rootBits);
        } else {
            entry.bits = static_cast<std::uint8_t>(length);
        }
        for (std::uint32_t k = pattern; k < (1U << width); k += 1U << entry.bits) table[start + k] = entry;
    }
}

Entry lengthEntry(std::size_t symbol) {
    if (symbol < 256) return {static_cast<std::uint16_t>(symbol), 0, kLiteral};
    if (symbol == 256) return {0, 0, kEndOfBlock};
    if (symbol > 285) return {};
    return {static_cast<std::uint16_t>(kLengthBase[symbol - 257]), 0,
            static_cast<std::uint8_t>(kLengthExtra[symbol - 257])};
}

Entry distanceEntry(std::size_t symbol) {
    if (symbol > 29) return {};
    return {static_cast<std::uint16_t>(kDistanceBase[symbol]), 0, static_cast<std::uint8_t>(kDistanceExtra[symbol])};
}

// The 8 bytes at `bytes` as a little-endian number.
std::uint64_t littleEndian64(const std::uint8_t* bytes) {
    std::uint64_t word = 0;
    for (int i = 7; i >= 0; --i) word = word << 8 | bytes[i];
    return word;
}

// Adler-32, summed in blocks with one remainder per block, 8 bytes at a time: their
// sum and their weighted sum each come from multiplying 16-bit lanes, where no lane can carry.
class Adler32 {
public:
    void add(const std::uint8_t* bytes, std::size_t count) {
        // The most bytes after which `b` still fits in 32 bits when every byte is 255.
        constexpr std::size_t kBlock = 5552;
        constexpr std::uint64_t kLaneMask = 0x00FF00FF00FF00FF;
        constexpr std::uint64_t kOnes = 0x0001000100010001;
        // Byte j of 8 goes into `b` once for each of the 8 - j steps it spends in `a`: bytes
        // 0, 2, 4, 6 weigh 8, 6, 4, 2 and bytes 1, 3, 5, 7 weigh 7, 5, 3, 1.
        constexpr std::uint64_t kEvenWeights = 0x0008000600040002;
        constexpr std::uint64_t kOddWeights = 0x0007000500030001;
        // In locals: the compiler cannot tell that the output bytes do not overlap the members.
        std::uint32_t a = m_a;
        std::uint32_t b = m_b;
        while (count > 0) {
            std::size_t left = std::min(count, kBlock);
            count -= left;
            for (; left >= 8; left -= 8, bytes += 8) {
                const std::uint64_t word = littleEndian64(bytes);
                const std::uint64_t even = word & kLaneMask;
                const std::uint64_t odd = word >> 8 & kLaneMask;
                b += 8 * a + static_cast<std::uint32_t>((even * kEvenWeights) >> 48) +
                     static_cast<std::uint32_t>((odd * kOddWeights) >> 48);
                a += static_cast<std::uint32_t>(((even + odd) * kOnes) >> 48);
            }
            for (; left > 0; --left) {
                a += *bytes++;
                b += a;
            }
            a %= 65521;
            b %= 65521;
        }
        m_a = a;
        m_b = b;
    }
    [[nodiscard]] std::uint32_t value() const { return m_b << 16 | m_a; }

private:
    std::uint32_t m_a = 1;
    std::uint32_t m_b = 0;
};

constexpr std::size_t kWindowBytes = 32768;
// Copies write whole pieces of this many bytes, up to this many bytes past a match's end.
constexpr std::size_t kCopySlack = 16;
constexpr std::size_t kLongestMatch = 258;

class FastInflate {
public:
    FastInflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out)
        : m_begin(stream.data()),
          m_next(stream.data()),
          m_end(stream.data() + stream.size()),
          m_out(out),
          m_base(out.data()),
          m_capacity(out.size()),
          m_limit(out.size() + static_cast<std::size_t>(kMaxSurplusBytes)) {}

    // Inflates the whole stream; on FastEnd::Whole, `produced` is how much of `out` it filled and
    // `consumed` how many stream bytes it took.
    FastEnd run(std::size_t& produced, std::size_t& consumed) {
        refill();
        if (m_bits < 16) return FastEnd::GaveUp;
        const auto header = static_cast<std::uint32_t>(m_hold & 0xFFFF);
        if (((header & 0xFF) << 8 | header >> 8) % 31 != 0 || (header & 0x0F) != 8 || ((header >> 4) & 0x0F) + 8 > 15 ||
            (header & 0x2000) != 0) {
            return FastEnd::GaveUp;
        }
        drop(16);
        for (bool last = false; !last;) {
            refill();
            if (m_bits < 3) return FastEnd::GaveUp;
            last = (m_hold & 1) != 0;
            const auto type = static_cast<std::uint32_t>(m_hold >> 1 & 3);
            drop(3);
            FastEnd end = FastEnd::GaveUp;
            if (type == 0) {
                end = storedBlock();
            } else if (type == 1) {
                if (m_fixedLengths.empty()) buildFixedTables();
                end = codedBlock(m_fixedLengths, m_fixedDistances);
            } else if (type == 2) {
                if (dynamicTables()) end = codedBlock(m_lengths, m_distances);
            }
            if (end != FastEnd::Whole) return end;
        }
        drop(m_bits % 8);
        refill();
        if (m_bits < 32) return FastEnd::GaveUp;
        std::uint32_t stored = 0;
        for (int i = 0; i < 4; ++i) stored = stored << 8 | static_cast<std::uint32_t>(take(8));
        m_adler.add(m_base + m_summed, m_pos - m_summed);
        if (stored != m_adler.value()) return FastEnd::GaveUp;
        produced = std::min(total(), m_out.size());
        consumed = static_cast<std::size_t>(m_next - m_begin) - static_cast<std::size_t>(m_bits / 8);
        return FastEnd::Whole;
    }

private:
    // Holds at least 56 bits while 8 bytes of input are left; bits above m_bits are the next
    // input's (or zero past its end), so loading a byte twice changes nothing.
    void refill() {
        if (m_end - m_next >= 8) {
            m_hold |= littleEndian64(m_next) << m_bits;
            m_next += (63 - m_bits) >> 3;
            m_bits |= 56;
            return;
        }
        while (m_bits <= 56 && m_next < m_end) {
            m_hold |= std::uint64_t{*m_next++} << m_bits;
            m_bits += 8;
        }
    }
    void drop(int count) {
        m_hold >>= count;
        m_bits -= count;
    }
    std::uint64_t take(int count) {
        const std::uint64_t value = m_hold & ((std::uint64_t{1} << count) - 1);
        drop(count);
        return value;
    }

    // The entry of the next code in `table`, its bits not yet dropped; kNoSymbol when the input
    // ends inside the code.
    Entry lookUp(const std::vector<Entry>& table, int rootBits) {
        Entry entry = table[m_hold & ((1U << rootBits) - 1)];
        if ((entry.tag & ~0x1F) == kSubtable) {
            if (entry.bits > m_bits) return {};
            drop(entry.bits);
            entry = table[entry.value + (m_hold & ((1U << (entry.tag & 0x1F)) - 1))];
        }
        if (entry.bits > m_bits) return {};
        return entry;
    }

    [[nodiscard]] std::size_t total() const { return m_before + m_pos; }

    // Makes room past the output written so far, keeping the last window for copies: the rest of
    // `out` first, then a buffer that slides over what lies past `out`.
    void makeRoom() {
        m_adler.add(m_base + m_summed, m_pos - m_summed);
        const std::size_t keep = std::min(m_pos, kWindowBytes);
        if (!m_spilling) {
            m_spill.resize(kWindowBytes + 16 * kWindowBytes);
            m_spilling = true;
        }
        std::memmove(m_spill.data(), m_base + m_pos - keep, keep);
        m_before += m_pos - keep;
        m_base = m_spill.data();
        m_pos = keep;
        m_summed = keep;
        m_capacity = m_spill.size();
    }
    void put(std::uint8_t byte) {
        if (m_pos == m_capacity) makeRoom();
        m_base[m_pos++] = byte;
    }

    FastEnd storedBlock() {
        drop(m_bits % 8);
        refill();
        if (m_bits < 32) return FastEnd::GaveUp;
        const auto length = static_cast<std::size_t>(take(16));
        if (length != (take(16) ^ 0xFFFF)) return FastEnd::GaveUp;
        // The held whole bytes are the block's first: read it from the input itself.
        m_next -= m_bits / 8;
        m_hold = 0;
        m_bits = 0;
        const auto available = static_cast<std::size_t>(m_end - m_next);
        // The bit-at-a-time path takes each byte before it counts it against the limit.
        if (total() + std::min(length, available) > m_limit) return FastEnd::TooLong;
        if (available < length) return FastEnd::GaveUp;
        for (std::size_t left = length; left > 0;) {
            if (m_pos == m_capacity) makeRoom();
            const std::size_t piece = std::min(left, m_capacity - m_pos);
            std::memcpy(m_base + m_pos, m_next, piece);
            m_pos += piece;
            m_next += piece;
            left -= piece;
        }
        return FastEnd::Whole;
    }

    bool dynamicTables() {
        refill();
        if (m_bits < 14) return false;
        const auto lengthCount = static_cast<std::size_t>(take(5)) + 257;
        const auto distanceCount = static_cast<std::size_t>(take(5)) + 1;
        const auto codeCount = static_cast<std::size_t>(take(4)) + 4;
        if (lengthCount > 286 || distanceCount > 30) return false;
        std::array<std::uint8_t, 19> codeLengths{};
        for (std::size_t i = 0; i < codeCount; ++i) {
            refill();
            if (m_bits < 3) return false;
            codeLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(take(3));
        }
        if (shapeOf(codeLengths) != CodeShape::Complete) return false;
        buildTable(codeLengths, kCodeLengthRootBits, m_codeLengths, [](std::size_t symbol) {
            return Entry{static_cast<std::uint16_t>(symbol), 0, 0};
        });

        std::array<std::uint8_t, 286 + 30> all{};
        const std::size_t count = lengthCount + distanceCount;
        for (std::size_t have = 0; have < count;) {
            refill();
            const Entry entry = lookUp(m_codeLengths, kCodeLengthRootBits);
            if (entry.tag == kNoSymbol) return false;
            drop(entry.bits);
            if (entry.value < 16) {
                all[have++] = static_cast<std::uint8_t>(entry.value);
                continue;
            }
            const int extra = entry.value == 16 ? 2 : entry.value == 17 ? 3 : 7;
            if (m_bits < extra) return false;
            std::size_t copies = static_cast<std::size_t>(take(extra)) + (entry.value == 18 ? 11 : 3);
            std::uint8_t repeated = 0;
            if (entry.value == 16) {
                if (have == 0) return false;
                repeated = all[have - 1];
            }
            if (have + copies > count) return false;
            std::fill_n(all.begin() + static_cast<std::ptrdiff_t>(have), copies, repeated);
            have += copies;
        }
        if (all[256] == 0) return false;
        const auto lengths = std::span(all).first(lengthCount);
        const auto distances = std::span(all).subspan(lengthCount, distanceCount);
        if (!acceptable(lengths) || !acceptable(distances)) return false;
        buildTable(lengths, kLengthRootBits, m_lengths, lengthEntry);
        buildTable(distances, kDistanceRootBits, m_distances, distanceEntry);
        return true;
    }

    // As the bit-at-a-time path takes a literal/length or distance code.
    static bool acceptable(std::span<const std::uint8_t> lengths) {
        const CodeShape shape = shapeOf(lengths);
        return shape != CodeShape::Oversubscribed &&
               (shape != CodeShape::Incomplete || *std::max_element(lengths.begin(), lengths.end()) == 1);
    }

    void buildFixedTables() {
        std::array<std::uint8_t, 288> lengths{};
        std::fill(lengths.begin(), lengths.begin() + 144, std::uint8_t{8});
        std::fill(lengths.begin() + 144, lengths.begin() + 256, std::uint8_t{9});
        std::fill(lengths.begin() + 256, lengths.begin() + 280, std::uint8_t{7});
        std::fill(lengths.begin() + 280, lengths.end(), std::uint8_t{8});
        buildTable(lengths, kLengthRootBits, m_fixedLengths, lengthEntry);
        std::array<std::uint8_t, 32> distances{};
        distances.fill(5);
        buildTable(distances, kDistanceRootBits, m_fixedDistances, distanceEntry);
    }

    FastEnd codedBlock(const std::vector<Entry>& lengths, const std::vector<Entry>& distances) {
        for (;;) {
            refill();
            Entry entry = lookUp(lengths, kLengthRootBits);
            if (entry.tag == kLiteral) {
                drop(entry.bits);
                if (total() + 1 > m_limit) return FastEnd::TooLong;
                put(static_cast<std::uint8_t>(entry.value));
                continue;
            }
            if (entry.tag == kEndOfBlock) {
                drop(entry.bits);
                return FastEnd::Whole;
            }
            if (entry.tag == kNoSymbol || entry.bits + entry.tag > m_bits) return FastEnd::GaveUp;
            drop(entry.bits);
            const std::size_t length = entry.value + static_cast<std::size_t>(take(entry.tag));
            entry = lookUp(distances, kDistanceRootBits);
            if (entry.tag == kNoSymbol || entry.bits + entry.tag > m_bits) return FastEnd::GaveUp;
            drop(entry.bits);
            const std::size_t distance = entry.value + static_cast<std::size_t>(take(entry.tag));
            if (distance > total()) return FastEnd::GaveUp;
            if (total() + length > m_limit) return FastEnd::TooLong;
            copyMatch(distance, length);
        }
    }

    void copyMatch(std::size_t distance, std::size_t length) {
        if (m_capacity - m_pos < kLongestMatch + kCopySlack) {
            for (std::size_t i = 0; i < length; ++i) put(m_base[m_pos - distance]);
            return;
        }
        std::uint8_t* to = m_base + m_pos;
        const std::uint8_t* from = to - distance;
        m_pos += length;
        if (distance >= kCopySlack) {
            // Each piece is read after the bytes it needs were written.
            for (std::size_t i = 0; i < length; i += kCopySlack) std::memcpy(to + i, from + i, kCopySlack);
        } else if (distance == 1) {
            std::memset(to, *from, length);
        } else {
            // The bytes repeat every `distance`: copy from as far back as a whole number of
            // repeats reaches, doubling each time, so that source and target never overlap.
            std::size_t step = distance;
            for (std::size_t i = 0; i < length; step *= 2) {
                const std::size_t piece = std::min(step, length - i);
                std::memcpy(to + i, to + i - step, piece);
                i += piece;
            }
        }
    }

    const std::uint8_t* m_begin;
    const std::uint8_t* m_next;
    const std::uint8_t* m_end;
    std::uint64_t m_hold = 0;
    int m_bits = 0;

    std::span<std::uint8_t> m_out;
    std::uint8_t* m_base;      // where output is written: `out`, then m_spill
    std::size_t m_pos = 0;     // bytes written at m_base
    std::size_t m_capacity;    // bytes m_base has room for
    std::size_t m_before = 0;  // output before m_base[0]
    std::size_t m_summed = 0;  // bytes at m_base already in the checksum
    std::size_t m_limit;
    bool m_spilling = false;
    std::vector<std::uint8_t> m_spill;
    Adler32 m_adler;

    std::vector<Entry> m_lengths;
    std::vector<Entry> m_distances;
    std::vector<Entry> m_codeLengths;
    std::vector<Entry> m_fixedLengths;
    std::vector<Entry> m_fixedDistances;
};

}  // namespace

std::optional<std::size_t> InflateWhole(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out) {
    std::size_t produced = 0;
    std::size_t consumed = 0;
    switch (FastInflate(stream, out).run(produced, consumed)) {
        case FastEnd::Whole:
            std::fill(out.begin() + static_cast<std::ptrdiff_t>(produced), out.end(), std::uint8_t{0});
            return consumed;
        case FastEnd::TooLong:
            throw StreamTooLongError(out.size());
        case FastEnd::GaveUp:
            break;
    }
    return std::nullopt;
}

std::size_t PortableInflater::inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                                      std::int64_t fileOffset) {
    if (const auto consumed = InflateWhole(stream, out)) return *consumed;
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
        throw LoadError("damaged save: the game data does not inflate (" +
                        std::string(error.reason != nullptr ? error.reason : "data error") + ", at byte " +
                        std::to_string(fileOffset + static_cast<std::int64_t>(in.taken())) + ")");
    }
}

}  // namespace quillmere::load
