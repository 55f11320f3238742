#include "export/ResultsFile.h"

#include <string_view>

namespace quillmere::exporting {

namespace {

constexpr std::string_view kCellEnd = "; ";
constexpr std::string_view kLineEnd = "\r\n";

void appendLine(std::string& text, const view::RowTexts& row) {
    for (const auto& cell : row.base) text.append(cell).append(kCellEnd);
    for (std::size_t c = 2; c <= 11; ++c) text.append(row.reload[c]).append(kCellEnd);
    for (std::size_t c = 2; c <= 11; ++c) text.append(row.additional[c]).append(kCellEnd);
    text.append(kLineEnd);
}

}  // namespace

std::string BuildResultsText(const analysis::ResultTable& table, const view::FormatOptions& options) {
    std::string text;
    appendLine(text, view::HeaderTexts(options.encoding));
    for (std::size_t i = 0; i < table.size(); ++i) {
        appendLine(text, view::RowTextsOf(table[i], static_cast<int>(i + 1), options));
    }
    // The last line has no separator after its last cell and no line end.
    text.resize(text.size() - kCellEnd.size() - kLineEnd.size());
    return text;
}

}  // namespace quillmere::exporting
