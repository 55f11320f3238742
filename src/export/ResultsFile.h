#pragma once

#include <string>

#include "analysis/SaveRecord.h"
#include "view/CellTexts.h"

namespace quillmere::exporting {

// The results file's bytes: the header line and one line per record, each of the cells of
// view::ResultsColumns() followed by "; ", lines ending CR LF, and the last four bytes of the whole
// text cut. Cells are written raw in the options' encoding.
[[nodiscard]] std::string BuildResultsText(const analysis::ResultTable& table, const view::FormatOptions& options);

}  // namespace quillmere::exporting
