#pragma once

#include <string>

#include "analysis/SaveRecord.h"
#include "reload/Rules.h"

namespace quillmere::exporting {

// The table as one self-contained HTML page a referee can publish: the grids' columns in table
// order with verdicts coloured and failed or blocked saves marked with their reason, then each
// history category as an inline SVG line chart of the first 20 saves shown in detail. No scripts,
// fonts or styles from elsewhere: it opens offline. Texts are UTF-8. `tournament` names the page
// ("<tournament>: results"); empty, it is "Tournament results".
[[nodiscard]] std::string BuildHtmlReport(const analysis::ResultTable& table, const reload::RuleTexts& ruleTexts,
                                          char decimalSeparator, std::string_view tournament = {});

}  // namespace quillmere::exporting
