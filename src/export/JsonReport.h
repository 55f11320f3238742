#pragma once

#include <string>

#include "analysis/SaveRecord.h"
#include "reload/Rules.h"

namespace quillmere::exporting {

// The table as one JSON document (docs/report.schema.json): the rules it was judged under and one
// object per record in table order, with identity, settings, progress, scores, empire statistics,
// the reload judgement and the seven histories as [turn, value] pairs; a failed file carries its
// message instead. Texts are UTF-8.
[[nodiscard]] std::string BuildJsonReport(const analysis::ResultTable& table, const reload::RuleTexts& ruleTexts,
                                          const reload::Rules& rules);

}  // namespace quillmere::exporting
