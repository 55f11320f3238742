#include "server/Log.h"

#include <ctime>

namespace quillmere::server {

namespace {

bool plain(std::string_view value) {
    if (value.empty()) return false;
    for (const char c : value) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                        c == ':' || c == '/' || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

void appendQuoted(std::string& line, std::string_view value) {
    constexpr char kDigits[] = "0123456789abcdef";
    line += '"';
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            line += '\\';
            line += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            line += "\\u00";
            line += kDigits[byte >> 4];
            line += kDigits[byte & 0xF];
        } else {
            line += c;
        }
    }
    line += '"';
}

}  // namespace

std::string UtcText(std::int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    if (::gmtime_r(&time, &utc) == nullptr) return "?";
    char text[32];
    const auto length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return std::string(text, length);
}

void Log::write(std::string_view event, std::initializer_list<std::pair<std::string_view, std::string>> fields) {
    std::string line = UtcText(static_cast<std::int64_t>(std::time(nullptr)));
    line += " event=";
    line += event;
    for (const auto& [key, value] : fields) {
        line += ' ';
        line += key;
        line += '=';
        if (plain(value))
            line += value;
        else
            appendQuoted(line, value);
    }
    line += '\n';
    const std::lock_guard lock(m_mutex);
    std::fputs(line.c_str(), m_stream);
    std::fflush(m_stream);
}

}  // namespace quillmere::server
