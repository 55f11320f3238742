#include "load/SaveReader.h"

#include <cstring>
#include <string>

#include "load/LoadError.h"

namespace quillmere::load {

namespace {

constexpr std::int32_t kMaxTextLength = 1023;

// A text ends at its first zero byte, though the save stores the whole body.
void cutAtZero(std::string& text) {
    if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
}

}  // namespace

void SaveReader::failDamaged() const {
    const auto size = static_cast<std::int64_t>(m_data.size());
    if (m_region == SaveRegion::Header) {
        throw DamagedSave("damaged save: the header runs into the game data at byte " + std::to_string(size),
                          m_data.size());
    }
    throw DamagedSave(
        "damaged save: the game data ends too early, after " + std::to_string(size - m_gameStart) + " bytes",
        m_data.size());
}

void SaveReader::skipStr() {
    const std::int32_t n = intAt(m_pos);
    const std::int64_t body = (n >= 1 && n <= kMaxTextLength) ? n : 0;
    if (body > remaining() - 4) failDamaged();
    m_pos += 4 + body;
}

std::string SaveReader::readStr() {
    const std::int32_t n = readInt();
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
    const std::int32_t n = intAt(m_pos);
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

std::string SaveReader::readUStr() {
    std::string text;
    readUStr(text);
    return text;
}

void SaveReader::readUStr(std::string& text) {
    bool wide = true;
    const std::int32_t n = readUStrLength(wide);
    text.resize(static_cast<std::size_t>(n));
    const std::int64_t step = wide ? 2 : 1;
    for (std::int32_t i = 0; i < n; ++i, m_pos += step) {
        text[static_cast<std::size_t>(i)] = static_cast<char>(m_data[static_cast<std::size_t>(m_pos)]);
    }
    cutAtZero(text);
}

void SaveReader::skipUStr() {
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

}  // namespace quillmere::load
