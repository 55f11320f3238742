#include "load/SaveReader.h"

#include <cstring>

#include "load/LoadError.h"

namespace quillmere::load {

namespace {

constexpr std::int32_t kMaxTextLength = 1023;

// A text ends at its first zero byte, though the save stores the whole body.
void cutAtZero(std::string& text) {
    if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
}

}  // namespace

void SaveReader::failDamaged() const { throw DamagedSave(m_data.size()); }

void SaveReader::SkipStr() {
    const std::int32_t n = IntAt(m_pos);
    const std::int64_t body = (n >= 1 && n <= kMaxTextLength) ? n : 0;
    if (body > Remaining() - 4) failDamaged();
    m_pos += 4 + body;
}

std::string SaveReader::ReadStr() {
    const std::int32_t n = ReadInt();
    if (n < 1 || n > kMaxTextLength) return {};
    require(n);
    std::string text(reinterpret_cast<const char*>(m_data.data() + m_pos), static_cast<std::size_t>(n));
    m_pos += n;
    cutAtZero(text);
    return text;
}

// Reads the count and checks that the whole body is there; sets `wide` to the body's character
// width. Returns 0 for a length outside 1..1023, having consumed only the count. On failure the
// position does not move.
std::int32_t SaveReader::readUStrLength(bool& wide) {
    const std::int32_t n = IntAt(m_pos);
    const std::int64_t body = m_pos + 4;
    if (n < 1 || n > kMaxTextLength) {
        m_pos = body;
        return 0;
    }
    const auto size = static_cast<std::int64_t>(m_data.size());
    // n >= 2 bytes are needed whatever the width, so the high byte of the first character exists.
    if (n >= 2 && n > size - body) failDamaged();
    wide = n == 1 || m_data[static_cast<std::size_t>(body + 1)] == 0;
    if ((wide ? std::int64_t{2} * n : n) > size - body) failDamaged();
    m_pos = body;
    return n;
}

std::string SaveReader::ReadUStr() {
    std::string text;
    ReadUStr(text);
    return text;
}

void SaveReader::ReadUStr(std::string& text) {
    bool wide = true;
    const std::int32_t n = readUStrLength(wide);
    text.resize(static_cast<std::size_t>(n));
    const std::int64_t step = wide ? 2 : 1;
    for (std::int32_t i = 0; i < n; ++i, m_pos += step) {
        text[static_cast<std::size_t>(i)] = static_cast<char>(m_data[static_cast<std::size_t>(m_pos)]);
    }
    cutAtZero(text);
}

void SaveReader::SkipUStr() {
    bool wide = true;
    const std::int32_t n = readUStrLength(wide);
    m_pos += wide ? std::int64_t{2} * n : n;
}

std::string CutMacros(std::string_view text) {
    std::string result;
    CutMacros(text, result);
    return result;
}

void CutMacros(std::string_view text, std::string& result) {
    result.clear();
    text = text.substr(0, text.find('\0'));
    if (text.empty() || text.size() > static_cast<std::size_t>(kMaxTextLength)) return;
    bool inside = false;
    for (const char c : text) {
        if (c == '<') inside = true;
        if (!inside) result.push_back(c);
        if (c == '>') inside = false;
    }
}

std::int64_t FindUStr(std::span<const std::uint8_t> data, std::string_view text, std::int64_t start) {
    const auto size = static_cast<std::int64_t>(data.size());
    if (start < 0 || start > size - 1) return 0;
    const auto length = static_cast<std::int64_t>(text.size());
    for (std::int64_t i = start; i < size; ++i) {
        // Characters past the end of the data cannot match: the readers never look there.
        if (length > 0 && i + 2 * (length - 1) >= size) break;
        std::int64_t j = 0;
        while (j < length &&
               data[static_cast<std::size_t>(i + 2 * j)] == static_cast<std::uint8_t>(text[static_cast<std::size_t>(j)])) {
            ++j;
        }
        if (j == length) return i;
    }
    return 0;
}

std::int64_t FindInt(std::span<const std::uint8_t> data, std::int32_t value, std::int64_t start) {
    const auto size = static_cast<std::int64_t>(data.size());
    if (start < 0 || start > size - 1) return 0;
    std::uint8_t bytes[4];
    const auto u = static_cast<std::uint32_t>(value);
    for (int k = 0; k < 4; ++k) bytes[k] = static_cast<std::uint8_t>(u >> (8 * k));
    for (std::int64_t i = start; i + 4 <= size; ++i) {
        if (std::memcmp(data.data() + i, bytes, 4) == 0) return i;
    }
    return 0;
}

}  // namespace quillmere::load
