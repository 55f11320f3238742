#include "export/SafeText.h"

#include <algorithm>

namespace quillmere::exporting {

namespace {

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

std::string ResultsCellText(std::string_view cell) {
    std::string text(cell);
    for (char& c : text) {
        if (c == ';') {
            c = ',';
        } else if (c != '\t' && isControl(c)) {
            c = ' ';
        }
    }
    return text;
}

std::string CsvTextCell(std::string_view cell) {
    constexpr std::string_view kFormulaStarts = "=+-@\t\r";
    if (cell.empty() || kFormulaStarts.find(cell.front()) == std::string_view::npos) return std::string(cell);
    // Built piece by piece: GCC 12 at -O3 takes "'" + std::string(cell) for overlapping copies.
    std::string quoted = "'";
    quoted += cell;
    return quoted;
}

std::string EscapedForTerminal(std::string_view text) {
    if (std::none_of(text.begin(), text.end(), isControl)) return std::string(text);
    std::string escaped;
    for (const char c : text) {
        if (!isControl(c)) {
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\r') {
            escaped += "\\r";
        } else if (c == '\t') {
            escaped += "\\t";
        } else {
            constexpr char kHex[] = "0123456789abcdef";
            const auto byte = static_cast<unsigned char>(c);
            escaped += "\\x";
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0xF];
        }
    }
    return escaped;
}

std::string EscapedForHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace quillmere::exporting
