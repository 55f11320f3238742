#pragma once

#include <cstdint>
#include <optional>

#include "analysis/SaveRecord.h"
#include "reload/Rules.h"

namespace quillmere::reload {

// The reload control for one record: play days, reloads, reload percent (0 unless Turn > 0),
// session time, allowed reloads and the verdict, from fileDate, turn, playTime and loadCount.
// Reloads and maxReloads saturate at the 32-bit range. Empty for a record that failed to load or
// has no file date.
[[nodiscard]] std::optional<analysis::ReloadJudgement> JudgeReloads(const analysis::SaveRecord& rec,
                                                                    const Rules& rules);

// The fewest reloads that make a save with `maxReloads` allowed average, and a cheat: a save is fair
// below `average` (4 x reloads < 3 x allowed), average below `cheat` (4 x reloads < 5 x allowed).
// Never below 0.
struct VerdictThresholds {
    std::int64_t average;
    std::int64_t cheat;
};
[[nodiscard]] VerdictThresholds VerdictThresholdsOf(std::int32_t maxReloads);

// How many more reloads would move a judged save to the next, worse verdict under the same
// allowance (at least 1); empty for a save already judged a cheat.
[[nodiscard]] std::optional<std::int32_t> ReloadsToNextVerdict(const analysis::ReloadJudgement& judged);

// The reload control's day count of a file dated `fileDate`: fileDate - startDate + 0.5 rounded to
// the nearest whole day (ties to even), and 30 (the most lenient) when that falls outside 1..31.
[[nodiscard]] std::int32_t PlayDays(double fileDate, double startDate);

// The tournament day on which a file dated `fileDate` was saved, counted in calendar days: the start
// date is day 1 from 00:00:00 on, so a save at midnight belongs to the day that begins then; the day
// before the start is day 0. Unlike playDays nothing is rounded or folded back.
[[nodiscard]] std::int64_t CalendarDay(double fileDate, double startDate);

// Judges every record of the table under `rules`, or clears every judgement when there are none.
void ApplyRules(analysis::ResultTable& table, const std::optional<Rules>& rules);

}  // namespace quillmere::reload
