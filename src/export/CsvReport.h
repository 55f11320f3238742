#pragma once

#include <string>

#include "analysis/SaveRecord.h"

namespace quillmere::exporting {

// The table as CSV (RFC 4180: fields quoted where they hold a comma, a quote or a line break, lines
// ending CR LF), UTF-8: one header row of unique column names, then one row per record in table
// order. Numbers are plain numbers ("." decimals, seconds for durations, negative years BC), dates
// ISO 8601; a cell with nothing to say is empty. The failure message has a column of its own.
// With `byteOrderMark` the text starts with UTF-8's, without which a spreadsheet opened by a
// double click reads it as Latin-1.
[[nodiscard]] std::string BuildCsvReport(const analysis::ResultTable& table, bool byteOrderMark = true);

}  // namespace quillmere::exporting
