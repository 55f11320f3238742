#include "export/ResultsFile.h"

#include <string_view>

#include "export/SafeText.h"

namespace quillmere::exporting {

namespace {

constexpr std::string_view kCellEnd = "; ";
constexpr std::string_view kLineEnd = "\r\n";

void appendLine(std::string& text, const view::RowTexts& row) {
    for (const auto cell : view::ResultsCellsOf(row)) text.append(ResultsCellText(cell)).append(kCellEnd);
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
