#pragma once

#include <optional>

#include "analysis/SaveRecord.h"
#include "reload/Rules.h"

namespace quillmere::reload {

// The reload control for one record: play days, reloads, reload percent (0 unless Turn > 0),
// session time, allowed reloads and the verdict, from FileDate, Turn, PlayTime and LoadCount.
// Reloads and MaxReloads saturate at the 32-bit range. Empty for a record that failed to load or
// has no file date.
[[nodiscard]] std::optional<analysis::ReloadJudgement> JudgeReloads(const analysis::SaveRecord& rec,
                                                                    const Rules& rules);

// How many more reloads would move a judged save to the next, worse verdict under the same
// allowance (at least 1); empty for a save already judged a cheat.
[[nodiscard]] std::optional<std::int32_t> ReloadsToNextVerdict(const analysis::ReloadJudgement& judged);

// The tournament day on which a file dated `fileDate` was saved, counted in calendar days: the start
// date is day 1 from 00:00:00 on, so a save at midnight belongs to the day that begins then; the day
// before the start is day 0. Unlike PlayDays nothing is rounded or folded back.
[[nodiscard]] std::int64_t CalendarDay(double fileDate, double startDate);

// Judges every record of the table under `rules`, or clears every judgement when there are none.
void ApplyRules(analysis::ResultTable& table, const std::optional<Rules>& rules);

}  // namespace quillmere::reload
