#include "load/inflate/FastInflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "load/StreamInflater.h"
#include "load/inflate/Adler32.h"
#include "load/inflate/DeflateFormat.h"
#include "load/inflate/LookupTable.h"
#include "load/inflate/MatchCopy.h"

namespace quillmere::load::inflate {

namespace {

// The input's bits are taken from the least significant end of a word; a word load is that order
// only on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

std::uint64_t littleEndian64(const std::uint8_t* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

enum class End { Whole, GaveUp, TooLong, Going };

// The fast loop writes at most three literals or a match before it looks at the room left, and
// refills at most three times, 8 bytes at a time.
constexpr std::size_t kFastOutputRoom = kLongestMatch + kCopySlack;
constexpr std::ptrdiff_t kFastInputBytes = 24;
// The most bits a length code with its extra bits takes, and a distance code with its.
constexpr int kLengthBits = kMaxCodeBits + 5;
constexpr int kDistanceBits = kMaxCodeBits + 13;
// The output is summed in pieces of about this many bytes, while they are still in
// the cache: a block of a stream that compresses well can inflate to megabytes.
constexpr std::size_t kSumPieceBytes = std::size_t{64} * 1024;

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
            sumOutput();
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

    // Adds the output written since the last call to the checksum.
    void sumOutput() {
        m_adler.add(m_base + m_summed, m_pos - m_summed);
        m_summed = m_pos;
    }

    // Makes room past the output written so far, keeping the last window for copies: the rest of
    // `out` first, then a buffer that slides over what lies past `out`.
    void makeRoom() {
        sumOutput();
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
        BuildLookupTable(codeLengths, kCodeLengthRootBits, m_codeLengths, CodeLengthMeaning);

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
        BuildLookupTable(lengths, kLengthRootBits, m_lengths, LengthMeaning);
        BuildLookupTable(distances, kDistanceRootBits, m_distances, DistanceMeaning);
        return true;
    }

    void buildFixedTables() {
        BuildLookupTable(FixedLengthCodeLengths(), kLengthRootBits, m_fixedLengths, LengthMeaning);
        BuildLookupTable(FixedDistanceCodeLengths(), kDistanceRootBits, m_fixedDistances, DistanceMeaning);
    }

    End codedBlock(const Entry* lengths, const Entry* distances) {
        for (;;) {
            End end = fastSymbols(lengths, distances);
            if (end == End::Going && m_pos - m_summed >= kSumPieceBytes) {
                sumOutput();
                continue;
            }
            if (end == End::Going) end = oneSymbol(lengths, distances);
            if (end != End::Going) return end;
        }
    }

    // Symbols while there is room for the most that one turn writes and reads, without checking
    // either on the way; End::Going when the room runs out. The bit buffer is held in locals, which
    // the compiler keeps in registers since no output byte can alias them.
    End fastSymbols(const Entry* lengths, const Entry* distances) {
        const std::size_t room =
            std::min(m_capacity < kFastOutputRoom ? 0 : m_capacity - kFastOutputRoom, m_summed + kSumPieceBytes);
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
            CopyMatch(out + pos, distance, length);
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
            CopyMatch(m_base + m_pos, distance, length);
            m_pos += length;
        } else {
            for (std::size_t i = 0; i < length; ++i) put(m_base[m_pos - distance]);
        }
        return End::Going;
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
