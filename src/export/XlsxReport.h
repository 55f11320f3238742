#pragma once

#include <string>

#include "analysis/SaveRecord.h"

namespace quillmere::exporting {

// The table as a spreadsheet workbook (Office Open XML, .xlsx): one sheet per result grid ("Base",
// "Reloads", "Additional", "Flags") with the grid's captions in a frozen header row above one row per
// record in table order. Numbers are numbers, years numbers shown as "1850AD"/"4000BC", play and
// session times durations, file dates dates; names and other texts are always text cells, never
// formulas. Cells marked by view::MarkOf (verdicts, flagged file names) take the mark's colour.
// The same table gives the same bytes on every run: the workbook's creation time is that of the
// newest file date. The workbook is built in a private temporary folder, which is removed again.
// Throws ExportError when it cannot be built.
[[nodiscard]] std::string BuildXlsxReport(const analysis::ResultTable& table);

}  // namespace quillmere::exporting
