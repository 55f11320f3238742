#include "export/ResultsFile.h"

#include <string_view>

#include "export/SafeText.h"
#include "load/Windows1251.h"

namespace quillmere::exporting {

namespace {

constexpr std::string_view kCellEnd = "; ";
constexpr std::string_view kLineEnd = "\r\n";

void appendLine(std::string& text, const view::RowTexts& row) {
    for (const auto cell : view::ResultsCellsOf(row)) text.append(ResultsCellText(cell)).append(kCellEnd);
    text.append(kLineEnd);
}

}  // namespace

ResultsText BuildResultsText(const analysis::ResultTable& table, const view::FormatOptions& options) {
    ResultsText results;
    std::string& text = results.bytes;
    appendLine(text, view::HeaderTexts(options.encoding));
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto& rec = table[i];
        appendLine(text, view::RowTextsOf(rec, static_cast<int>(i + 1), options));
        if (options.encoding == view::TextEncoding::Windows1251 && !load::FitsWindows1251(rec.fileName)) {
            if (results.lost.names++ == 0) results.lost.first = rec.fileName;
        }
    }
    // The last line has no separator after its last cell and no line end.
    text.resize(text.size() - kCellEnd.size() - kLineEnd.size());
    return results;
}

std::string LostCharactersMessage(const LostCharacters& lost) {
    if (lost.names == 0) return {};
    const std::string quoted = "\"" + lost.first + "\"";
    if (lost.names == 1) return "the name " + quoted + " has characters that Windows-1251 cannot hold, written as '?'";
    return std::to_string(lost.names) +
           " names have characters that Windows-1251 cannot hold, written as '?' (the first: " + quoted + ")";
}

}  // namespace quillmere::exporting
