#include "reload/ReloadControl.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

namespace quillmere::reload {
namespace {

using analysis::TSaveDataRec;

constexpr int kThisYear = 2026;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// A date-time value: days since 30 December 1899, fraction = time of day.
double dateOf(int y, unsigned m, unsigned d, int hour = 0, int minute = 0) {
    using namespace std::chrono;
    const sys_days day = year{y} / month{m} / std::chrono::day{d};
    const sys_days epoch = year{1899} / December / 30;
    return static_cast<double>((day - epoch).count()) + (hour * 60 + minute) / 1440.0;
}

RuleTexts startingOn(std::string day, std::string month, std::string year) {
    RuleTexts texts;
    texts.day = std::move(day);
    texts.month = std::move(month);
    texts.year = std::move(year);
    return texts;
}

// The message and field of the RuleError that ParseRules throws, or "ok".
std::string errorOf(const RuleTexts& texts, RuleField* field = nullptr) {
    try {
        (void)ParseRules(texts, kThisYear);
    } catch (const RuleError& e) {
        if (field) *field = e.field();
        return e.what();
    }
    return "ok";
}

TEST(ParseRules, ReadsStartDatesWithBlanksTrailingDashAndTheTwoDigitYearWindow) {
    struct Case {
        RuleTexts texts;
        double start;
    } const cases[] = {
        {startingOn("27", "11", "2005"), dateOf(2005, 11, 27)},
        {startingOn(" 1 ", " 2 ", " 05"), dateOf(2005, 2, 1)},
        {startingOn("1", "1", "2005-"), dateOf(2005, 1, 1)},
        {startingOn("1", "1", "2005 -  "), dateOf(2005, 1, 1)},
        {startingOn("1", "1", "2005 "), dateOf(2005, 1, 1)},
        {startingOn("29", "2", "2004"), dateOf(2004, 2, 29)},
        {startingOn("05", "03", "80"), dateOf(1980, 3, 5)},
        {startingOn("5", "3", "76"), dateOf(1976, 3, 5)},  // the window's first year
        {startingOn("5", "3", "75"), dateOf(2075, 3, 5)},  // and its last
        {startingOn("5", "3", "7"), dateOf(2007, 3, 5)},
        {startingOn("1", "1", "001"), dateOf(1, 1, 1)},  // three digits are taken as written
        {startingOn("31", "12", "9999"), dateOf(9999, 12, 31)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.texts.day + "-" + c.texts.month + "-" + c.texts.year);
        EXPECT_EQ(ParseRules(c.texts, kThisYear).startDate, c.start);
    }
    // The window moves with the year it is given.
    EXPECT_EQ(ParseRules(startingOn("5", "3", "80"), 2100).startDate, dateOf(2080, 3, 5));
    EXPECT_EQ(ParseRules(startingOn("5", "3", "49"), 2100).startDate, dateOf(2149, 3, 5));
}

TEST(ParseRules, RefusesDatesThatDoNotParseOrDoNotExistNamingTheJoinedText) {
    const RuleTexts cases[] = {
        startingOn("", "11", "2005"),
        startingOn("29", "2", "2005"),
        startingOn("32", "1", "2005"),
        startingOn("0", "1", "2005"),
        startingOn("1", "13", "2005"),
        startingOn("1", "0", "2005"),
        startingOn("1", "1", ""),
        startingOn("1", "1", "0000"),
        startingOn("1", "1", "10000"),
        startingOn("1", "1", "2005x"),
        startingOn("1", "1", "2005--"),
        startingOn("+1", "1", "2005"),
        startingOn("1", "1", "99999999999999999999"),
        startingOn("1.5", "1", "2005"),
    };
    for (const auto& texts : cases) {
        const std::string joined = texts.day + "-" + texts.month + "-" + texts.year;
        RuleField field{};
        EXPECT_EQ(errorOf(texts, &field), "'" + joined + "' is not a valid date");
        EXPECT_EQ(field, RuleField::StartDate) << joined;
    }
    // The date is checked first: its error wins over a bad number.
    auto both = startingOn("", "11", "2005");
    both.sessionsPerDay = "x";
    EXPECT_EQ(errorOf(both), "'-11-2005' is not a valid date");
}

TEST(ParseRules, SessionsPerDayTakesCommaOrPointAndAnExponent) {
    const std::pair<std::string, long double> valid[] = {
        {"1,5", 1.5L}, {"1.5", 1.5L}, {" -2,25e1 ", -22.5L}, {"+3", 3},
        {"5,", 5},     {",5", 0.5L},  {"1E-1", 0.1L},        {"0", 0},
    };
    for (const auto& [text, value] : valid) {
        RuleTexts texts;
        texts.sessionsPerDay = text;
        EXPECT_EQ(ParseRules(texts, kThisYear).sessionsPerDay, value) << text;
    }
    for (const std::string text : {"", " ", "1,5,0", "1.5.", "abc", "1e", "1 5", ",", "-", "1e99999", "0x10", "inf"}) {
        RuleTexts texts;
        texts.sessionsPerDay = text;
        RuleField field{};
        EXPECT_EQ(errorOf(texts, &field), "'" + text + "' is not a valid floating point value");
        EXPECT_EQ(field, RuleField::SessionsPerDay) << text;
    }
}

TEST(ParseRules, MinutesAndPresessionsAreSignedIntegersWithLeadingBlanks) {
    const std::pair<std::string, std::int32_t> valid[] = {
        {"30", 30}, {"  7", 7}, {"-7", -7}, {"+4", 4}, {"2147483647", kMax}, {"-2147483648", kMin},
    };
    for (const auto& [text, value] : valid) {
        RuleTexts texts;
        texts.minSessionMinutes = text;
        texts.presessions = text;
        const auto rules = ParseRules(texts, kThisYear);
        EXPECT_EQ(rules.minSessionMinutes, value) << text;
        EXPECT_EQ(rules.presessions, value) << text;
    }
    for (const std::string text : {"", "30 ", "3.0", "2147483648", "-2147483649", "x", "- 5", "+-5"}) {
        RuleTexts minutes;
        minutes.minSessionMinutes = text;
        RuleField field{};
        EXPECT_EQ(errorOf(minutes, &field), "'" + text + "' is not a valid integer value");
        EXPECT_EQ(field, RuleField::MinSessionMinutes) << text;
        RuleTexts presessions;
        presessions.presessions = text;
        EXPECT_EQ(errorOf(presessions, &field), "'" + text + "' is not a valid integer value");
        EXPECT_EQ(field, RuleField::Presessions) << text;
    }
}

TSaveDataRec saved(double fileDate, std::int32_t turn, std::int32_t playTime, std::int32_t loadCount) {
    TSaveDataRec rec;
    rec.FileDate = fileDate;
    rec.Turn = turn;
    rec.PlayTime = playTime;
    rec.LoadCount = loadCount;
    return rec;
}

Rules defaults() { return ParseRules(RuleTexts{}, kThisYear); }

TEST(RControl, JudgesTheWorkedExample) {
    auto rec = saved(dateOf(2005, 11, 29, 14), 120, 20000, 6);
    RControl(rec, defaults());
    EXPECT_TRUE(rec.ReloadDone);
    EXPECT_EQ(rec.PlayDays, 3);
    EXPECT_EQ(rec.Reloads, 5);
    EXPECT_EQ(rec.SessionTime, 4000);
    EXPECT_NEAR(static_cast<double>(rec.ReloadPercent), 4.1667, 1e-4);
    EXPECT_EQ(rec.MaxReloads, 4);  // 4.5 rounds to even
    EXPECT_EQ(rec.Honesty, 0);     // 5 is not below 1.25 x 4
}

struct Outcome {
    std::int32_t playDays, reloads, sessionTime, maxReloads, honesty;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    return os << "{" << o.playDays << ", " << o.reloads << ", " << o.sessionTime << ", " << o.maxReloads << ", "
              << o.honesty << "}";
}

TEST(RControl, HandlesTheEdgesOfDaysReloadsAllowanceAndVerdict) {
    struct Case {
        const char* name;
        TSaveDataRec rec;
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
        {"saved on the start date", saved(dateOf(2005, 11, 27, 10), 10, 0, 1), standard, {1, 0, 0, 2, 2}},
        {"saved before the start", saved(dateOf(2005, 11, 26, 23), 10, 0, 1), standard, {30, 0, 0, 45, 2}},
        {"day 31 is the last", saved(dateOf(2005, 12, 27, 12), 10, 0, 1), standard, {31, 0, 0, 46, 2}},
        {"day 32 counts as 30", saved(dateOf(2005, 12, 28, 12), 10, 0, 1), standard, {30, 0, 0, 45, 2}},
        {"midnight two days on", saved(dateOf(2005, 11, 29), 10, 0, 1), standard, {2, 0, 0, 3, 2}},
        {"midnight one day on", saved(dateOf(2005, 11, 28), 10, 0, 1), standard, {2, 0, 0, 3, 2}},
        {"presessions above the loads",
         saved(dateOf(2005, 11, 27, 10), 10, 5000, 1),
         rules("1,5", "30", "3"),
         {1, 0, 0, 2, 2}},
        {"no loads is fair even when none are allowed",
         saved(dateOf(2005, 11, 27, 10), 10, 600, 0),
         standard,
         {1, 0, 0, 0, 2}},
        {"no play time: the day allowance", saved(dateOf(2005, 11, 27, 10), 10, 0, 3), standard, {1, 2, 0, 2, 1}},
        {"a short play time allows nothing", saved(dateOf(2005, 11, 27, 10), 10, 600, 1), standard, {1, 0, 0, 0, 0}},
        {"no sessions per day still allow one",
         saved(dateOf(2005, 11, 27, 10), 10, 20000, 1),
         rules("0", "30", "1"),
         {1, 0, 0, 1, 2}},
        {"reloads at 0.75 x max are average",
         saved(dateOf(2005, 11, 29, 14), 10, 20000, 4),
         standard,
         {3, 3, 6666, 4, 1}},
        {"reloads below 0.75 x max are fair",
         saved(dateOf(2005, 11, 29, 14), 10, 20000, 3),
         standard,
         {3, 2, 10000, 4, 2}},
        {"a zero minimum session counts as one minute",
         saved(dateOf(2005, 11, 27, 10), 10, 600, 1),
         rules("100", "0", "1"),
         {1, 0, 0, 10, 2}},
        {"a negative minimum session counts as one minute",
         saved(dateOf(2005, 11, 27, 10), 10, 600, 1),
         rules("100", "-5", "1"),
         {1, 0, 0, 10, 2}},
        {"a huge allowance saturates",
         saved(dateOf(2005, 11, 27, 10), 10, 0, 6),
         rules("1e30", "30", "1"),
         {1, 5, 0, kMax, 2}},
        {"a hugely negative allowance saturates",
         saved(dateOf(2005, 11, 27, 10), 10, 0, 6),
         rules("-1e4000", "30", "1"),
         {1, 5, 0, kMin, 0}},
        {"reloads saturate",
         saved(dateOf(2005, 11, 27, 10), 10, 0, kMax),
         rules("1,5", "30", "-5"),
         {1, kMax, 0, 2, 0}},
        {"the day allowance overflows to infinity",
         saved(dateOf(2005, 12, 20), 10, 0, 1),
         rules("1e4932", "30", "1"),
         {24, 0, 0, kMax, 2}},
    };
    for (const auto& c : cases) {
        auto rec = c.rec;
        RControl(rec, ParseRules(c.rules, kThisYear));
        EXPECT_EQ((Outcome{rec.PlayDays, rec.Reloads, rec.SessionTime, rec.MaxReloads, rec.Honesty}), c.expected)
            << c.name;
    }
}

TEST(RControl, ReloadPercentIsZeroWithoutAPositiveTurn) {
    for (const std::int32_t turn : {0, -3}) {
        auto rec = saved(dateOf(2005, 11, 29, 14), turn, 20000, 6);
        rec.ReloadPercent = 99;  // left over from an earlier save
        RControl(rec, defaults());
        EXPECT_EQ(rec.ReloadPercent, 0) << turn;
    }
}

TEST(RControl, LeavesFailedRecordsAndRecordsWithoutAFileDateAlone) {
    auto failed = saved(dateOf(2005, 11, 29, 14), 120, 20000, 6);
    failed.Failure = "data error";
    auto undated = saved(0, 120, 20000, 6);
    undated.FileDate.reset();
    analysis::ResultTable table{failed, undated, saved(dateOf(2005, 11, 29, 14), 120, 20000, 6)};
    ApplyRules(table, defaults());
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_FALSE(table[i].ReloadDone) << i;
        EXPECT_EQ(table[i].PlayDays, 0) << i;
        EXPECT_EQ(table[i].Reloads, 0) << i;
    }
    EXPECT_TRUE(table[2].ReloadDone);
    EXPECT_EQ(table[2].Reloads, 5);
}

}  // namespace
}  // namespace quillmere::reload
