#pragma once

#include <string>
#include <string_view>

namespace quillmere::exporting {

// Names come from saves and file systems and may hold anything. These make them data in each
// output, never structure: a row, a column, a formula or a terminal's control sequence.

// A cell of the results file: control characters other than tab (below 0x20, and 0x7F) become a
// blank and ";" becomes ",", so that a row always has the header's cells. Other bytes stay as they
// are, so a text without those characters is unchanged.
[[nodiscard]] std::string ResultsCellText(std::string_view cell);

// A text cell of a CSV file that a spreadsheet would take for a formula (starting with "=", "+",
// "-", "@", tab or CR) gets a leading "'"; any other text is unchanged.
[[nodiscard]] std::string CsvTextCell(std::string_view cell);

// A text for one line of a terminal or log: "\n", "\r", "\t" and "\x1b"-style escapes for control
// characters and 0x7F; other bytes unchanged.
[[nodiscard]] std::string EscapedForTerminal(std::string_view text);

// `text` as HTML text or an attribute's value: & < > " ' as their entities, nothing else changed.
[[nodiscard]] std::string EscapedForHtml(std::string_view text);

}  // namespace quillmere::exporting
