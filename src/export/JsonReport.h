#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "analysis/SaveRecord.h"
#include "reload/Rules.h"

namespace quillmere::exporting {

// The table as one JSON document (docs/report.schema.json): the rules it was judged under and one
// object per record in table order, with identity, settings, progress, scores, empire statistics,
// the reload judgement and the seven histories as [turn, value] pairs; a failed file carries its
// message instead. Texts are UTF-8.
[[nodiscard]] std::string BuildJsonReport(const analysis::ResultTable& table, const reload::RuleTexts& ruleTexts,
                                          const reload::Rules& rules);

// The same document handed to `write` in pieces, one save at a time, so that memory does not grow
// with the number of saves; without histories when `withHistories` is false.
void WriteJsonReport(const analysis::ResultTable& table, const reload::RuleTexts& ruleTexts, const reload::Rules& rules,
                     bool withHistories, const std::function<void(std::string_view)>& write);

}  // namespace quillmere::exporting
