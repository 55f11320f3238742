#include "load/inflate/FastInflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "load/StreamInflater.h"
#include "load/inflate/Adler32.h"
#include "load/inflate/DeflateFormat.h"

namespace quillmere::load::inflate {

namespace {

// A lookup table entry, 32 bits:
//   bits 0-7    the bits it takes: its code's and, for a length or distance, the extra bits after it
//   bits 8-11   its code's own bits, where the extra bits start (a subtable link: the subtable's width)
//   bits 12-15  what it is (the flags below)
//   bits 16-31  a literal, a length or distance base, or where a subtable starts
using Entry = std::uint32_t;
constexpr Entry kLiteral = 0x8000;
constexpr Entry kExceptional = 0x4000;  // a subtable link, the end of the block, or no symbol
constexpr Entry kSubtable = 0x2000;
constexpr Entry kBlockEnd = 0x1000;
constexpr Entry kNoSymbol = kExceptional;  // a pattern no code has, or a symbol without a meaning

constexpr Entry makeEntry(std::uint32_t value, std::uint32_t flags, std::uint32_t codeBits, std::uint32_t extraBits) {
    return value << 16 | flags | codeBits << 8 | (codeBits + extraBits);
}
constexpr std::uint32_t takenBits(Entry entry) { return entry & 0xFF; }
constexpr std::uint32_t codeBitsOf(Entry entry) { return entry >> 8 & 0xF; }
constexpr std::uint32_t valueOf(Entry entry) { return entry >> 16; }

constexpr int kLengthRootBits = 11;
constexpr int kDistanceRootBits = 8;
constexpr int kCodeLengthRootBits = 7;  // code length codes are at most 7 bits: no subtables

// The low `length` bits of `code` in the opposite order: Huffman codes are packed from their most
// significant bit, the table is indexed from the least.
std::uint32_t reversed(std::uint32_t code, int length) {
    code = (code & 0x5555) << 1 | (code >> 1 & 0x5555);
    code = (code & 0x3333) << 2 | (code >> 2 & 0x3333);
    code = (code & 0x0F0F) << 4 | (code >> 4 & 0x0F0F);
    code = (code & 0x00FF) << 8 | (code >> 8 & 0x00FF);
    return code >> (16 - length);
}

// The lookup table of the canonical code with `lengths`, `rootBits` wide, with a subtable for the
// longer codes of each root pattern; `meaningOf(symbol)` gives a symbol's entry for a code of no
// bits. The code must not be oversubscribed; the patterns an incomplete code leaves stay kNoSymbol.
template <typename MeaningOf>
void buildTable(std::span<const std::uint8_t> lengths, int rootBits, std::vector<Entry>& table, MeaningOf meaningOf) {
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

Entry lengthMeaning(std::size_t symbol) {
    if (symbol < 256) return makeEntry(static_cast<std::uint32_t>(symbol), kLiteral, 0, 0);
    if (symbol == kEndOfBlock) return makeEntry(0, kExceptional | kBlockEnd, 0, 0);
    if (symbol - 257 >= kLengthBase.size()) return kNoSymbol;
    return makeEntry(kLengthBase[symbol - 257], 0, 0, kLengthExtra[symbol - 257]);
}

Entry distanceMeaning(std::size_t symbol) {
    if (symbol >= kDistanceBase.size()) return kNoSymbol;
    return makeEntry(kDistanceBase[symbol], 0, 0, kDistanceExtra[symbol]);
}

Entry codeLengthMeaning(std::size_t symbol) { return makeEntry(static_cast<std::uint32_t>(symbol), 0, 0, 0); }

// The input's bits are taken from the least significant end of a word; a word load is that order
// only on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

std::uint64_t littleEndian64(const std::uint8_t* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

enum class End { Whole, GaveUp, TooLong, Going };

// Copies write whole words, up to this many bytes past a match's end (a short match from fewer
// than 8 bytes back writes the most).
constexpr std::size_t kCopySlack = 32;
// The fast loop writes at most three literals or a match before it looks at the room left, and
// refills at most three times, 8 bytes at a time.
constexpr std::size_t kFastOutputRoom = kLongestMatch + kCopySlack;
constexpr std::ptrdiff_t kFastInputBytes = 24;
// The most bits a length code with its extra bits takes, and a distance code with its.
constexpr int kLengthBits = kMaxCodeBits + 5;
constexpr int kDistanceBits = kMaxCodeBits + 13;

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

    // Inflates the whole stream; on End::Whole, `produced` is how much of `out` it filled and
    // `consumed` how many stream bytes it took.
    End run(std::size_t& produced, std::size_t& consumed) {
        refill();
        if (m_bits < 16) return End::GaveUp;
        if (!PlainZlibHeader(static_cast<std::uint8_t>(m_hold), static_cast<std::uint8_t>(m_hold >> 8))) {
            return End::GaveUp;
        }
        drop(16);
        for (bool last = false; !last;) {
            refill();
            if (m_bits < 3) return End::GaveUp;
            last = (m_hold & 1) != 0;
            const auto type = static_cast<std::uint32_t>(m_hold >> 1 & 3);
            drop(3);
            End end = End::GaveUp;
            if (type == 0) {
                end = storedBlock();
            } else if (type == 1) {
                if (m_fixedLengths.empty()) buildFixedTables();
                end = codedBlock(m_fixedLengths.data(), m_fixedDistances.data());
            } else if (type == 2) {
                if (dynamicTables()) end = codedBlock(m_lengths.data(), m_distances.data());
            }
            if (end != End::Whole) return end;
            // The block's output is summed while it is still in the cache.
            m_adler.add(m_base + m_summed, m_pos - m_summed);
            m_summed = m_pos;
        }
        drop(m_bits % 8);
        refill();
        if (m_bits < 32) return End::GaveUp;
        std::uint32_t stored = 0;
        for (int i = 0; i < 4; ++i) stored = stored << 8 | static_cast<std::uint32_t>(take(8));
        if (stored != m_adler.value()) return End::GaveUp;
        produced = std::min(total(), m_out.size());
        consumed = static_cast<std::size_t>(m_next - m_begin) - static_cast<std::size_t>(m_bits / 8);
        return End::Whole;
    }

private:
    // Holds at least 56 bits while 8 bytes of input are left; bits above m_bits are the next
    // input's (or zero past its end), so loading a byte twice changes nothing.
    void refill() {
        if (m_end - m_next >= 8) {
            refillFast();
            return;
        }
        while (m_bits <= 56 && m_next < m_end) {
            m_hold |= std::uint64_t{*m_next++} << m_bits;
            m_bits += 8;
        }
    }
    // The same with 8 bytes of input known to be there.
    void refillFast() {
        m_hold |= littleEndian64(m_next) << m_bits;
        m_next += (63 - m_bits) >> 3;
        m_bits |= 56;
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
    // The value of `entry`, just taken from bits that were `held`, with its extra bits added.
    static std::uint32_t withExtra(Entry entry, std::uint64_t held) {
        const auto extra =
            static_cast<std::uint32_t>((held & ((std::uint64_t{1} << takenBits(entry)) - 1)) >> codeBitsOf(entry));
        return valueOf(entry) + extra;
    }

    // The entry of the next code in `table`, a subtable's link taken, its own bits not; kNoSymbol
    // when the input ends inside the code.
    Entry lookUp(const Entry* table, int rootBits) {
        Entry entry = table[m_hold & ((1U << rootBits) - 1)];
        if ((entry & kSubtable) != 0) {
            if (static_cast<int>(takenBits(entry)) > m_bits) return kNoSymbol;
            drop(static_cast<int>(takenBits(entry)));
            entry = table[valueOf(entry) + (m_hold & ((1U << codeBitsOf(entry)) - 1))];
        }
        if (static_cast<int>(takenBits(entry)) > m_bits) return kNoSymbol;
        return entry;
    }
    // The same with the bits known to be held.
    Entry lookUpHeld(const Entry* table, int rootBits) {
        Entry entry = table[m_hold & ((1U << rootBits) - 1)];
        if ((entry & kSubtable) != 0) {
            drop(static_cast<int>(takenBits(entry)));
            entry = table[valueOf(entry) + (m_hold & ((1U << codeBitsOf(entry)) - 1))];
        }
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
        if (keep > 0) std::memmove(m_spill.data(), m_base + m_pos - keep, keep);
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

    End storedBlock() {
        drop(m_bits % 8);
        refill();
        if (m_bits < 32) return End::GaveUp;
        const auto length = static_cast<std::size_t>(take(16));
        if (length != (take(16) ^ 0xFFFF)) return End::GaveUp;
        // The held whole bytes are the block's first: read it from the input itself.
        m_next -= m_bits / 8;
        m_hold = 0;
        m_bits = 0;
        const auto available = static_cast<std::size_t>(m_end - m_next);
        // The exact inflate takes each byte before it counts it against the limit.
        if (total() + std::min(length, available) > m_limit) return End::TooLong;
        if (available < length) return End::GaveUp;
        for (std::size_t left = length; left > 0;) {
            if (m_pos == m_capacity) makeRoom();
            const std::size_t piece = std::min(left, m_capacity - m_pos);
            std::memcpy(m_base + m_pos, m_next, piece);
            m_pos += piece;
            m_next += piece;
            left -= piece;
        }
        return End::Whole;
    }

    bool dynamicTables() {
        refill();
        if (m_bits < 14) return false;
        const auto lengthCount = static_cast<std::size_t>(take(5)) + 257;
        const auto distanceCount = static_cast<std::size_t>(take(5)) + 1;
        const auto codeCount = static_cast<std::size_t>(take(4)) + 4;
        if (lengthCount > kMaxLengthCodes || distanceCount > kMaxDistanceCodes) return false;
        std::array<std::uint8_t, 19> codeLengths{};
        for (std::size_t i = 0; i < codeCount; ++i) {
            refill();
            if (m_bits < 3) return false;
            codeLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(take(3));
        }
        if (ShapeOf(codeLengths) != CodeShape::Complete) return false;
        buildTable(codeLengths, kCodeLengthRootBits, m_codeLengths, codeLengthMeaning);

        std::array<std::uint8_t, kMaxLengthCodes + kMaxDistanceCodes> all{};
        const std::size_t count = lengthCount + distanceCount;
        for (std::size_t have = 0; have < count;) {
            refill();
            const Entry entry = lookUp(m_codeLengths.data(), kCodeLengthRootBits);
            if (entry == kNoSymbol) return false;
            drop(static_cast<int>(takenBits(entry)));
            const std::uint32_t symbol = valueOf(entry);
            if (symbol < 16) {
                all[have++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            const int extra = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
            if (m_bits < extra) return false;
            const std::size_t copies = static_cast<std::size_t>(take(extra)) + (symbol == 18 ? 11 : 3);
            std::uint8_t repeated = 0;
            if (symbol == 16) {
                if (have == 0) return false;
                repeated = all[have - 1];
            }
            if (have + copies > count) return false;
            std::fill_n(all.begin() + static_cast<std::ptrdiff_t>(have), copies, repeated);
            have += copies;
        }
        if (all[kEndOfBlock] == 0) return false;
        const auto lengths = std::span(all).first(lengthCount);
        const auto distances = std::span(all).subspan(lengthCount, distanceCount);
        if (!TakenAsSymbolCode(lengths) || !TakenAsSymbolCode(distances)) return false;
        buildTable(lengths, kLengthRootBits, m_lengths, lengthMeaning);
        buildTable(distances, kDistanceRootBits, m_distances, distanceMeaning);
        return true;
    }

    void buildFixedTables() {
        buildTable(FixedLengthCodeLengths(), kLengthRootBits, m_fixedLengths, lengthMeaning);
        buildTable(FixedDistanceCodeLengths(), kDistanceRootBits, m_fixedDistances, distanceMeaning);
    }

    End codedBlock(const Entry* lengths, const Entry* distances) {
        for (;;) {
            End end = fastSymbols(lengths, distances);
            if (end == End::Going) end = oneSymbol(lengths, distances);
            if (end != End::Going) return end;
        }
    }

    // Symbols while there is room for the most that one turn writes and reads, without checking
    // either on the way; End::Going when the room runs out. The bit buffer is held in locals, which
    // the compiler keeps in registers since no output byte can alias them.
    End fastSymbols(const Entry* lengths, const Entry* distances) {
        const std::size_t room = m_capacity < kFastOutputRoom ? 0 : m_capacity - kFastOutputRoom;
        if (m_spilling || m_pos >= room || m_end - m_next < kFastInputBytes) return End::Going;
        std::uint8_t* const out = m_base;
        std::size_t pos = m_pos;
        const std::uint8_t* next = m_next;
        std::uint64_t hold = m_hold;
        int bits = m_bits;
        const auto refill = [&] {
            hold |= littleEndian64(next) << bits;
            next += (63 - bits) >> 3;
            bits |= 56;
        };
        const auto drop = [&](Entry entry) {
            hold >>= takenBits(entry);
            bits -= static_cast<int>(takenBits(entry));
        };
        const auto lookUp = [&](const Entry* table, std::uint32_t rootMask) {
            Entry entry = table[hold & rootMask];
            if ((entry & kSubtable) != 0) {
                drop(entry);
                entry = table[valueOf(entry) + (hold & ((1U << codeBitsOf(entry)) - 1))];
            }
            return entry;
        };
        constexpr std::uint32_t kLengthMask = (1U << kLengthRootBits) - 1;
        constexpr std::uint32_t kDistanceMask = (1U << kDistanceRootBits) - 1;
        const auto literal = [&](Entry entry) {
            drop(entry);
            out[pos++] = static_cast<std::uint8_t>(valueOf(entry));
        };
        End end = End::Going;
        // The next code's root entry is looked up ahead, before the refill and while a match is
        // still being copied. Its bits are there: since a refill every bit of `hold` is the
        // input's, and the most a turn takes after one is 48.
        refill();
        Entry entry = lengths[hold & kLengthMask];
        // At the top of each turn 56 bits are held.
        while (pos < room && m_end - next >= kFastInputBytes) {
            if ((entry & kSubtable) != 0) entry = lookUp(lengths, kLengthMask);
            if ((entry & kLiteral) != 0) {
                // 56 bits are held: three codes of at most 15 bits are there whole.
                literal(entry);
                entry = lookUp(lengths, kLengthMask);
                if ((entry & kLiteral) != 0) {
                    literal(entry);
                    entry = lookUp(lengths, kLengthMask);
                    if ((entry & kLiteral) != 0) {
                        literal(entry);
                        entry = lengths[hold & kLengthMask];
                        refill();
                        continue;
                    }
                }
            }
            if ((entry & kExceptional) != 0) {
                if ((entry & kBlockEnd) != 0) {
                    drop(entry);
                    end = End::Whole;
                } else {
                    end = End::GaveUp;
                }
                break;
            }
            if (bits < kLengthBits) refill();
            std::uint64_t held = hold;
            drop(entry);
            const std::size_t length = withExtra(entry, held);
            if (bits < kDistanceBits) refill();
            entry = lookUp(distances, kDistanceMask);
            if ((entry & kExceptional) != 0) {
                end = End::GaveUp;
                break;
            }
            held = hold;
            drop(entry);
            const std::size_t distance = withExtra(entry, held);
            if (distance > pos) {
                end = End::GaveUp;
                break;
            }
            entry = lengths[hold & kLengthMask];
            refill();
            copyMatch(out + pos, distance, length);
            pos += length;
        }
        m_pos = pos;
        m_next = next;
        m_hold = hold;
        m_bits = bits;
        return end;
    }

    // One symbol with every bound checked, near the end of the input or of `out`, and past `out`.
    End oneSymbol(const Entry* lengths, const Entry* distances) {
        refill();
        Entry entry = lookUp(lengths, kLengthRootBits);
        if (entry == kNoSymbol) return End::GaveUp;
        if ((entry & kLiteral) != 0) {
            drop(static_cast<int>(takenBits(entry)));
            if (total() + 1 > m_limit) return End::TooLong;
            put(static_cast<std::uint8_t>(valueOf(entry)));
            return End::Going;
        }
        if ((entry & kBlockEnd) != 0) {
            drop(static_cast<int>(takenBits(entry)));
            return End::Whole;
        }
        std::uint64_t held = m_hold;
        drop(static_cast<int>(takenBits(entry)));
        const std::size_t length = withExtra(entry, held);
        refill();
        entry = lookUp(distances, kDistanceRootBits);
        if (entry == kNoSymbol) return End::GaveUp;
        held = m_hold;
        drop(static_cast<int>(takenBits(entry)));
        const std::size_t distance = withExtra(entry, held);
        if (distance > total()) return End::GaveUp;
        if (total() + length > m_limit) return End::TooLong;
        if (m_capacity - m_pos >= length + kCopySlack) {
            copyMatch(m_base + m_pos, distance, length);
            m_pos += length;
        } else {
            for (std::size_t i = 0; i < length; ++i) put(m_base[m_pos - distance]);
        }
        return End::Going;
    }

    // Writes `length` bytes at `to` from `distance` back, and may write up to kCopySlack bytes
    // past them (which later output overwrites). Each piece is read after the bytes it needs were
    // written.
    static void copyMatch(std::uint8_t* to, std::size_t distance, std::size_t length) {
        // Most matches are short: two words, inline, whose reads more often find in one piece
        // the bytes that the match before has just written.
        if (distance >= 8 && length <= 16) {
            copyPiece<std::uint64_t>(to, distance);
            copyPiece<std::uint64_t>(to + 8, distance);
            return;
        }
        copyLongMatch(to, distance, length);
    }

    template <typename Piece>
    static void copyPiece(std::uint8_t* to, std::size_t distance) {
        Piece bytes;
        std::memcpy(&bytes, to - distance, sizeof bytes);
        std::memcpy(to, &bytes, sizeof bytes);
    }

    static void copyLongMatch(std::uint8_t* to, std::size_t distance, std::size_t length) {
        struct Words {
            std::uint64_t low, high;
        };
        std::size_t done = 0;
        if (distance >= sizeof(Words)) {
            for (; done < length; done += sizeof(Words)) copyPiece<Words>(to + done, distance);
            return;
        }
        if (distance == 1) {
            const std::uint64_t word = to[-1] * std::uint64_t{0x0101010101010101};
            for (; done < length; done += sizeof word) std::memcpy(to + done, &word, sizeof word);
            return;
        }
        if (distance < 8) {
            // Each word written is right for its first `distance` bytes; once a whole number of
            // repeats reaches 8 bytes back, whole words can be copied from there.
            for (; done < 8; done += distance) copyPiece<std::uint64_t>(to + done, distance);
            distance = done;
        }
        for (; done < length; done += 8) copyPiece<std::uint64_t>(to + done, distance);
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
        case End::Whole:
            std::fill(out.begin() + static_cast<std::ptrdiff_t>(produced), out.end(), std::uint8_t{0});
            return consumed;
        case End::TooLong:
            throw StreamTooLongError(out.size());
        case End::GaveUp:
        case End::Going:
            break;
    }
    return std::nullopt;
}

}  // namespace quillmere::load::inflate
