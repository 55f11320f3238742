#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "load/ByteOrder.h"

namespace quillmere::load {

// What a reader's bytes are, to say where a damaged save went wrong.
enum class SaveRegion {
    Header,    // the uncompressed header, which must end before the game data's lengths
    GameData,  // the work data, whose game state starts at `gameStart`
};

// A forward cursor over exactly the bytes one part of a save may read. Every read checks the bytes
// left before touching one; a read that would cross the end (or start before 0) throws DamagedSave
// and leaves the position where it was. Multi-byte values are little-endian (load/ByteOrder.h decodes
// them once they are checked).
class SaveReader {
public:
    explicit SaveReader(std::span<const std::uint8_t> data, std::int64_t position = 0,
                        SaveRegion region = SaveRegion::GameData, std::int64_t gameStart = 0)
        : m_data(data), m_pos(position), m_region(region), m_gameStart(gameStart) {}
    SaveReader(const SaveReader&) = delete;
    SaveReader& operator=(const SaveReader&) = delete;

    [[nodiscard]] std::int64_t position() const { return m_pos; }
    // Asks the processor to fetch the `count` bytes `distance` bytes ahead, as far as they are there.
    void prefetchAhead(std::int64_t distance, std::int64_t count) const {
        const auto size = static_cast<std::int64_t>(m_data.size());
        for (std::int64_t at = m_pos + distance; at < m_pos + distance + count && at < size; at += 64)
            __builtin_prefetch(m_data.data() + at);
    }
    // Moves the cursor anywhere; a later read checks it.
    void setPosition(std::int64_t position) { m_pos = position; }
    [[nodiscard]] std::size_t size() const { return m_data.size(); }
    // Bytes from the position to the end; 0 when the position lies outside the data.
    [[nodiscard]] std::int64_t remaining() const;

    [[nodiscard]] std::int32_t readInt();
    [[nodiscard]] std::int16_t readShort();
    [[nodiscard]] std::uint8_t readChar();
    // The byte zero-extended: 0 is false, any other value true.
    [[nodiscard]] std::uint8_t readBool();

    // 4-byte length n, then n bytes when 1 <= n <= 1023; otherwise the empty text and only the
    // length is consumed. The text ends at its first zero byte; the whole body is consumed.
    [[nodiscard]] std::string readStr();
    // Moves past a readStr value without building its text.
    void skipStr();
    // 4-byte character count n, then n characters of 2 bytes (low byte kept) or, when n >= 2 and
    // the first character's high byte is not zero, of 1 byte. Lengths outside 1..1023 as readStr.
    [[nodiscard]] std::string readUStr();
    // readUStr into `text`, reusing its storage.
    void readUStr(std::string& text);
    // Moves past a readUStr value without building its text.
    void skipUStr();

    // Moves past `count` items of `itemBytes` each; a negative count moves past nothing.
    void skip(std::int64_t count, std::int64_t itemBytes = 1);
    void skipInts(std::int64_t count) { skip(count, 4); }
    void skipShorts(std::int64_t count) { skip(count, 2); }
    void skipBools(std::int64_t count) { skip(count, 1); }

    // Fails at once when `count` items of at least `minItemBytes` each cannot fit in the bytes left,
    // so that a corrupt count stops the walk instead of looping over nothing.
    void requireItems(std::int64_t count, std::int64_t minItemBytes) const;

    // The int32 at an absolute offset; the position does not move.
    [[nodiscard]] std::int32_t intAt(std::int64_t offset) const;

private:
    // Throws DamagedSave unless `bytes` bytes are available at the position.
    void require(std::int64_t bytes) const {
        if (bytes > remaining()) failDamaged();
    }
    [[noreturn]] void failDamaged() const;
    std::int32_t readUStrLength(bool& wide);

    std::span<const std::uint8_t> m_data;
    std::int64_t m_pos;
    SaveRegion m_region;
    std::int64_t m_gameStart;
};

// The fixed-size readers are defined here so that a walk over millions of values inlines them.

inline std::int64_t SaveReader::remaining() const {
    const auto size = static_cast<std::int64_t>(m_data.size());
    return (m_pos < 0 || m_pos > size) ? 0 : size - m_pos;
}

inline void SaveReader::requireItems(std::int64_t count, std::int64_t minItemBytes) const {
    if (count <= 0 || minItemBytes <= 0) return;
    // Compared by division so that a huge count cannot overflow the product.
    if (count > remaining() / minItemBytes) failDamaged();
}

inline std::int32_t SaveReader::intAt(std::int64_t offset) const {
    const auto size = static_cast<std::int64_t>(m_data.size());
    if (offset < 0 || offset > size || 4 > size - offset) failDamaged();
    return DecodeInt32LE(std::span<const std::uint8_t, 4>(m_data.data() + offset, 4));
}

inline std::int32_t SaveReader::readInt() {
    const std::int32_t v = intAt(m_pos);
    m_pos += 4;
    return v;
}

inline std::int16_t SaveReader::readShort() {
    require(2);
    const std::int16_t v = DecodeInt16LE(std::span<const std::uint8_t, 2>(m_data.data() + m_pos, 2));
    m_pos += 2;
    return v;
}

inline std::uint8_t SaveReader::readChar() {
    require(1);
    return m_data[static_cast<std::size_t>(m_pos++)];
}

inline std::uint8_t SaveReader::readBool() { return readChar(); }

inline void SaveReader::skip(std::int64_t count, std::int64_t itemBytes) {
    if (count <= 0) return;
    requireItems(count, itemBytes);
    m_pos += count * itemBytes;
}

// The text with every "<...>" span removed; an unclosed "<" drops the rest. Texts outside 1..1023
// characters (before their first zero byte) give the empty text.
[[nodiscard]] std::string CutMacros(std::string_view text);
// CutMacros into `result`, reusing its storage; `text` must not alias `result`.
void CutMacros(std::string_view text, std::string& result);

}  // namespace quillmere::load
