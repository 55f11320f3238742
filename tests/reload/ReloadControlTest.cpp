#include "reload/ReloadControl.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <tuple>

#include "support/Dates.h"

namespace quillmere::reload {
namespace {

using analysis::SaveRecord;
using analysis::Verdict;
using testsupport::DateOf;

constexpr int kThisYear = 2026;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr Verdict C = Verdict::Cheat;
constexpr Verdict A = Verdict::Average;
constexpr Verdict F = Verdict::Fair;

SaveRecord saved(double fileDate, std::int32_t turn, std::int32_t playTime, std::int32_t loadCount) {
    SaveRecord rec;
    rec.fileDate = fileDate;
    rec.turn = turn;
    rec.playTime = playTime;
    rec.loadCount = loadCount;
    return rec;
}

Rules defaults() { return *CheckRules(RuleTexts{}, kThisYear).rules; }

TEST(JudgeReloads, JudgesTheWorkedExample) {
    const auto judged = JudgeReloads(saved(DateOf(2005, 11, 29, 14), 120, 20000, 6), defaults());
    ASSERT_TRUE(judged);
    EXPECT_EQ(judged->playDays, 3);
    EXPECT_EQ(judged->reloads, 5);
    EXPECT_EQ(judged->sessionTime, 4000);
    EXPECT_NEAR(static_cast<double>(judged->reloadPercent), 4.1667, 1e-4);
    EXPECT_EQ(judged->maxReloads, 4);            // 4.5 rounds to even
    EXPECT_EQ(judged->honesty, Verdict::Cheat);  // 5 is not below 1.25 x 4
}

struct Outcome {
    std::int32_t playDays, reloads, sessionTime, maxReloads;
    Verdict honesty;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    return os << "{" << o.playDays << ", " << o.reloads << ", " << o.sessionTime << ", " << o.maxReloads << ", "
              << static_cast<int>(o.honesty) << "}";
}

TEST(JudgeReloads, HandlesTheEdgesOfDaysReloadsAllowanceAndVerdict) {
    struct Case {
        const char* name;
        SaveRecord rec;
        RuleTexts rules;
        Outcome expected;
    };
    auto rules = [](std::string sessions, std::string minutes, std::string presessions) {
        RuleTexts texts;
        texts.sessionsPerDay = std::move(sessions);
        texts.minSessionMinutes = std::move(minutes);
        texts.presessions = std::move(presessions);
        return texts;
    };
    const RuleTexts standard;
    const Case cases[] = {
        {"saved on the start date", saved(DateOf(2005, 11, 27, 10), 10, 0, 1), standard, {1, 0, 0, 2, F}},
        {"saved before the start", saved(DateOf(2005, 11, 26, 23), 10, 0, 1), standard, {30, 0, 0, 45, F}},
        {"day 31 is the last", saved(DateOf(2005, 12, 27, 12), 10, 0, 1), standard, {31, 0, 0, 46, F}},
        {"day 32 counts as 30", saved(DateOf(2005, 12, 28, 12), 10, 0, 1), standard, {30, 0, 0, 45, F}},
        {"midnight two days on", saved(DateOf(2005, 11, 29), 10, 0, 1), standard, {2, 0, 0, 3, F}},
        {"midnight one day on", saved(DateOf(2005, 11, 28), 10, 0, 1), standard, {2, 0, 0, 3, F}},
        {"presessions above the loads",
         saved(DateOf(2005, 11, 27, 10), 10, 5000, 1),
         rules("1,5", "30", "3"),
         {1, 0, 0, 2, F}},
        {"no loads is fair even when none are allowed",
         saved(DateOf(2005, 11, 27, 10), 10, 600, 0),
         standard,
         {1, 0, 0, 0, F}},
        {"no play time: the day allowance", saved(DateOf(2005, 11, 27, 10), 10, 0, 3), standard, {1, 2, 0, 2, A}},
        {"a short play time allows nothing", saved(DateOf(2005, 11, 27, 10), 10, 600, 1), standard, {1, 0, 0, 0, C}},
        {"no sessions per day still allow one",
         saved(DateOf(2005, 11, 27, 10), 10, 20000, 1),
         rules("0", "30", "1"),
         {1, 0, 0, 1, F}},
        {"reloads at 0.75 x max are average",
         saved(DateOf(2005, 11, 29, 14), 10, 20000, 4),
         standard,
         {3, 3, 6666, 4, A}},
        {"reloads below 0.75 x max are fair",
         saved(DateOf(2005, 11, 29, 14), 10, 20000, 3),
         standard,
         {3, 2, 10000, 4, F}},
        {"a zero minimum session counts as one minute",
         saved(DateOf(2005, 11, 27, 10), 10, 600, 1),
         rules("100", "0", "1"),
         {1, 0, 0, 10, F}},
        {"a huge allowance saturates",
         saved(DateOf(2005, 11, 27, 10), 10, 0, 6),
         rules("1e30", "30", "1"),
         {1, 5, 0, kMax, F}},
        {"reloads saturate", saved(DateOf(2005, 11, 27, 10), 10, 0, kMax), rules("1,5", "30", "0"), {1, kMax, 0, 2, C}},
        {"the day allowance overflows to infinity",
         saved(DateOf(2005, 12, 20), 10, 0, 1),
         rules("1e4932", "30", "1"),
         {24, 0, 0, kMax, F}},
    };
    for (const auto& c : cases) {
        const auto j = JudgeReloads(c.rec, *CheckRules(c.rules, kThisYear).rules);
        ASSERT_TRUE(j) << c.name;
        EXPECT_EQ((Outcome{j->playDays, j->reloads, j->sessionTime, j->maxReloads, j->honesty}), c.expected) << c.name;
    }
}

TEST(CalendarDay, CountsWholeDaysFromMidnightOfTheStartWhilePlayDaysKeepTheirRounding) {
    const double start = DateOf(2005, 11, 27);
    const std::tuple<const char*, double, std::int64_t> cases[] = {
        {"the start at midnight", DateOf(2005, 11, 27), 1},
        {"the last second of the start date", DateOf(2005, 11, 27, 23, 59, 59), 1},
        {"midnight of an even day", DateOf(2005, 11, 29), 3},
        {"midnight of an odd day", DateOf(2005, 11, 28), 2},
        {"the last second of day 30", DateOf(2005, 12, 26, 23, 59, 59), 30},
        {"the first second of day 31", DateOf(2005, 12, 27), 31},
        {"the last second before the start", DateOf(2005, 11, 26, 23, 59, 59), 0},
        {"three days before", DateOf(2005, 11, 23, 12), -3},
    };
    for (const auto& [name, date, day] : cases) EXPECT_EQ(CalendarDay(date, start), day) << name;
    // The reload control's day of a save at midnight still rounds halves to even.
    EXPECT_EQ(JudgeReloads(saved(DateOf(2005, 11, 29), 10, 0, 1), defaults())->playDays, 2);
    EXPECT_EQ(JudgeReloads(saved(DateOf(2005, 11, 23, 12), 10, 0, 1), defaults())->playDays, 30);
}

TEST(JudgeReloads, ReloadPercentIsZeroWithoutAPositiveTurn) {
    for (const std::int32_t turn : {0, -3}) {
        EXPECT_EQ(JudgeReloads(saved(DateOf(2005, 11, 29, 14), turn, 20000, 6), defaults())->reloadPercent, 0) << turn;
    }
}

TEST(ReloadsToNextVerdict, CountsTheReloadsLeftBeforeTheVerdictWorsens) {
    const auto next = [](std::int32_t reloads, std::int32_t allowed, Verdict verdict) {
        return ReloadsToNextVerdict({.reloads = reloads, .maxReloads = allowed, .honesty = verdict});
    };
    EXPECT_EQ(next(0, 4, F), 3);  // average at 3, since 4 x 3 >= 3 x 4
    EXPECT_EQ(next(2, 4, F), 1);
    EXPECT_EQ(next(3, 4, A), 2);  // cheat at 5
    EXPECT_EQ(next(0, 0, F), 1);  // nothing allowed: the next reload already counts
    // Thresholds 3 x allowed or 5 x allowed that 4 does not divide round up: 4 x 4 >= 15, 4 x 3 < 15.
    EXPECT_EQ(next(0, 5, F), 4);
    EXPECT_EQ(next(0, 7, F), 6);  // 21
    EXPECT_EQ(next(0, 2, F), 2);  // 6
    EXPECT_EQ(next(1, 3, A), 3);  // 15: cheat at 4
    EXPECT_EQ(next(9, 4, C), std::nullopt);
}

TEST(ApplyRules, JudgesOnlyDatedLoadedRecordsAndClearsEveryJudgementWithoutRules) {
    auto failed = saved(DateOf(2005, 11, 29, 14), 120, 20000, 6);
    failed.failure = "data error";
    auto undated = saved(0, 120, 20000, 6);
    undated.fileDate.reset();
    analysis::ResultTable table{failed, undated, saved(DateOf(2005, 11, 29, 14), 120, 20000, 6)};
    ApplyRules(table, defaults());
    EXPECT_FALSE(table[0].reload);
    EXPECT_FALSE(table[1].reload);
    ASSERT_TRUE(table[2].reload);
    EXPECT_EQ(table[2].reload->reloads, 5);
    ApplyRules(table, std::nullopt);
    EXPECT_FALSE(table[2].reload);
}

}  // namespace
}  // namespace quillmere::reload
