#include "reload/ReloadControl.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "analysis/ExtendedNumber.h"

namespace quillmere::reload {

namespace {

using analysis::ReloadJudgement;
using analysis::RoundToExtended;
using analysis::Verdict;

constexpr std::int32_t kMaxInt32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMinInt32 = std::numeric_limits<std::int32_t>::min();

// Round to nearest, ties to even, then into the 32-bit range: values beyond it saturate.
std::int32_t roundToInt32(long double value) {
    const long double rounded = std::nearbyint(value);
    if (!(rounded < kMaxInt32)) return kMaxInt32;
    if (!(rounded > kMinInt32)) return kMinInt32;
    return static_cast<std::int32_t>(rounded);
}

}  // namespace

// Each long double result is rounded to the x87 type's 64 bits, so that rounding at .5 and the
// comparisons below come out as on the desktop wherever long double is wider.
std::optional<ReloadJudgement> JudgeReloads(const analysis::SaveRecord& rec, const Rules& rules) {
    if (!rec.failure.empty() || !rec.fileDate) return std::nullopt;
    ReloadJudgement judged;

    judged.playDays = PlayDays(*rec.fileDate, rules.startDate);

    const std::int64_t reloads = std::int64_t{rec.loadCount} - rules.presessions;
    judged.reloads = static_cast<std::int32_t>(std::clamp<std::int64_t>(reloads, 0, kMaxInt32));
    judged.sessionTime = judged.reloads > 0 ? rec.playTime / judged.reloads : 0;
    judged.reloadPercent =
        rec.turn > 0 ? RoundToExtended(RoundToExtended(static_cast<long double>(judged.reloads) * 100) / rec.turn) : 0;

    const long double dayAllowance = RoundToExtended(judged.playDays * rules.sessionsPerDay);
    const long double minutes = std::max(rules.minSessionMinutes, 1);
    const long double timeAllowance = RoundToExtended(rec.playTime / RoundToExtended(minutes * 60));
    long double allowance = dayAllowance < timeAllowance ? dayAllowance : timeAllowance;
    if (rec.playTime == 0) {
        allowance = dayAllowance;
    } else if (allowance == 0) {
        allowance = 1;
    }
    judged.maxReloads = roundToInt32(allowance);

    const auto thresholds = VerdictThresholdsOf(judged.maxReloads);
    if (rec.loadCount == 0 || judged.reloads < thresholds.average) {
        judged.honesty = Verdict::Fair;
    } else if (judged.reloads < thresholds.cheat) {
        judged.honesty = Verdict::Average;
    } else {
        judged.honesty = Verdict::Cheat;
    }
    return judged;
}

VerdictThresholds VerdictThresholdsOf(std::int32_t maxReloads) {
    // The smallest r with 4r >= k x allowed, in exact integers.
    const auto smallest = [maxReloads](std::int64_t k) {
        const std::int64_t bound = k * maxReloads;
        return bound <= 0 ? std::int64_t{0} : (bound + 3) / 4;
    };
    return {smallest(3), smallest(5)};
}

std::optional<std::int32_t> ReloadsToNextVerdict(const analysis::ReloadJudgement& judged) {
    const auto thresholds = VerdictThresholdsOf(judged.maxReloads);
    std::int64_t next = 0;
    switch (judged.honesty) {
        case Verdict::Fair:
            next = thresholds.average;
            break;
        case Verdict::Average:
            next = thresholds.cheat;
            break;
        case Verdict::Cheat:
            return std::nullopt;
    }
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(next - judged.reloads, 1, kMaxInt32));
}

std::int32_t PlayDays(double fileDate, double startDate) {
    const long double day =
        std::nearbyint(RoundToExtended(RoundToExtended(static_cast<long double>(fileDate) - startDate) + 0.5L));
    return day < 1 || day > 31 ? 30 : static_cast<std::int32_t>(day);
}

std::int64_t CalendarDay(double fileDate, double startDate) {
    // In whole seconds first: a file time has no finer grain, and a fraction of a day that stands
    // for midnight must not fall a hair short of it.
    constexpr long double kSecondsPerDay = 86400;
    constexpr long double kMostSeconds = 1e15L;  // far beyond any file date, far inside int64
    const long double seconds =
        std::clamp(std::nearbyint(RoundToExtended(RoundToExtended(static_cast<long double>(fileDate) - startDate) *
                                                  kSecondsPerDay)),
                   -kMostSeconds, kMostSeconds);
    const auto whole = static_cast<std::int64_t>(seconds);
    const std::int64_t days = whole / 86400 - (whole % 86400 < 0 ? 1 : 0);
    return days + 1;
}

void ApplyRules(analysis::ResultTable& table, const std::optional<Rules>& rules) {
    for (auto& rec : table) rec.reload = rules ? JudgeReloads(rec, *rules) : std::nullopt;
}

}  // namespace quillmere::reload
