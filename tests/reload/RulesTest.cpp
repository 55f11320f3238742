#include "reload/Rules.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "support/Dates.h"

namespace quillmere::reload {
namespace {

using testsupport::DateOf;

constexpr int kThisYear = 2026;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

RuleTexts startingOn(std::string day, std::string month, std::string year) {
    RuleTexts texts;
    texts.day = std::move(day);
    texts.month = std::move(month);
    texts.year = std::move(year);
    return texts;
}

Rules parse(const RuleTexts& texts) {
    const auto check = CheckRules(texts, kThisYear);
    EXPECT_TRUE(check.rules) << (check.errors.empty() ? "" : check.errors.front().message);
    return check.rules.value_or(Rules{});
}

// The message and field of the one error CheckRules reports, or "ok".
std::string errorOf(const RuleTexts& texts, RuleField* field = nullptr) {
    const auto check = CheckRules(texts, kThisYear);
    if (check.errors.empty()) return "ok";
    EXPECT_EQ(check.errors.size(), 1u);
    if (field) *field = check.errors.front().field;
    return check.errors.front().message;
}

TEST(CheckRules, ReadsStartDatesWithBlanksTrailingDashAndTheTwoDigitYearWindow) {
    struct Case {
        RuleTexts texts;
        double start;
    } const cases[] = {
        {startingOn("27", "11", "2005"), DateOf(2005, 11, 27)},
        {startingOn(" 1 ", " 2 ", " 05"), DateOf(2005, 2, 1)},
        {startingOn("1", "1", "2005-"), DateOf(2005, 1, 1)},
        {startingOn("1", "1", "2005 -  "), DateOf(2005, 1, 1)},
        {startingOn("1", "1", "2005 "), DateOf(2005, 1, 1)},
        {startingOn("29", "2", "2004"), DateOf(2004, 2, 29)},
        {startingOn("05", "03", "80"), DateOf(1980, 3, 5)},
        {startingOn("5", "3", "76"), DateOf(1976, 3, 5)},  // the window's first year
        {startingOn("5", "3", "75"), DateOf(2075, 3, 5)},  // and its last
        {startingOn("5", "3", "7"), DateOf(2007, 3, 5)},
        {startingOn("1", "1", "001"), DateOf(1, 1, 1)},  // three digits are taken as written
        {startingOn("31", "12", "9999"), DateOf(9999, 12, 31)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.texts.day + "-" + c.texts.month + "-" + c.texts.year);
        EXPECT_EQ(parse(c.texts).startDate, c.start);
    }
    // The window moves with the year it is given.
    EXPECT_EQ(CheckRules(startingOn("5", "3", "80"), 2100).rules->startDate, DateOf(2080, 3, 5));
    EXPECT_EQ(CheckRules(startingOn("5", "3", "49"), 2100).rules->startDate, DateOf(2149, 3, 5));
}

TEST(CheckRules, RefusesDatesThatDoNotParseOrDoNotExistNamingTheJoinedText) {
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
}

TEST(CheckRules, NamesEveryRuleInErrorInTheOrderOfTheRules) {
    RuleTexts texts = startingOn("31", "02", "2005");
    texts.sessionsPerDay = "x";
    texts.presessions = "";
    const auto check = CheckRules(texts, kThisYear);
    EXPECT_FALSE(check.rules);
    ASSERT_EQ(check.errors.size(), 3u);
    EXPECT_EQ(check.errors[0].field, RuleField::StartDate);
    EXPECT_EQ(check.errors[0].message, "'31-02-2005' is not a valid date");
    EXPECT_EQ(check.errors[1].field, RuleField::SessionsPerDay);
    EXPECT_EQ(check.errors[2].field, RuleField::Presessions);
    EXPECT_EQ(check.errors[2].message, "'' is not a valid integer value");
}

TEST(CheckRules, RefusesNegativeCountsNamingTheRuleAndItsRange) {
    const std::tuple<std::string RuleTexts::*, RuleField, std::string, std::string> cases[] = {
        {&RuleTexts::sessionsPerDay, RuleField::SessionsPerDay, "-1", "sessions per day must be 0 or more, not '-1'"},
        {&RuleTexts::sessionsPerDay, RuleField::SessionsPerDay, "-1e-9",
         "sessions per day must be 0 or more, not '-1e-9'"},
        {&RuleTexts::minSessionMinutes, RuleField::MinSessionMinutes, "-1",
         "minimum session time must be 0 or more, not '-1'"},
        {&RuleTexts::presessions, RuleField::Presessions, "-5", "presessions must be 0 or more, not '-5'"},
        {&RuleTexts::presessions, RuleField::Presessions, "-2147483648",
         "presessions must be 0 or more, not '-2147483648'"},
    };
    for (const auto& [member, expectedField, text, message] : cases) {
        RuleTexts texts;
        texts.*member = text;
        RuleField field{};
        EXPECT_EQ(errorOf(texts, &field), message);
        EXPECT_EQ(field, expectedField) << text;
    }
}

TEST(CheckRules, KeepsAValidStartDateWhileAnotherRuleIsInError) {
    RuleTexts texts;
    texts.presessions = "x";
    const auto check = CheckRules(texts, kThisYear);
    EXPECT_FALSE(check.rules);
    EXPECT_EQ(check.startDate, DateOf(2005, 11, 27));
    EXPECT_TRUE(check.failed(RuleField::Presessions));
    EXPECT_FALSE(check.failed(RuleField::StartDate));
    EXPECT_EQ(NamedMessage(check.errors.front()), "presessions: 'x' is not a valid integer value");
    EXPECT_FALSE(CheckRules(startingOn("31", "02", "2005"), kThisYear).startDate);
}

TEST(CheckRules, SessionsPerDayTakesCommaOrPointAndAnExponent) {
    const std::pair<std::string, long double> valid[] = {
        {"1,5", 1.5L},  {"1.5", 1.5L}, {" 2,25e1 ", 22.5L}, {"+3", 3}, {"5,", 5}, {",5", 0.5L},
        {"1E-1", 0.1L}, {"0", 0},      {"-0", 0},
    };
    for (const auto& [text, value] : valid) {
        RuleTexts texts;
        texts.sessionsPerDay = text;
        EXPECT_EQ(parse(texts).sessionsPerDay, value) << text;
    }
    for (const std::string text : {"", " ", "1,5,0", "1.5.", "abc", "1e", "1 5", ",", "-", "1e99999", "0x10", "inf"}) {
        RuleTexts texts;
        texts.sessionsPerDay = text;
        RuleField field{};
        EXPECT_EQ(errorOf(texts, &field), "'" + text + "' is not a valid floating point value");
        EXPECT_EQ(field, RuleField::SessionsPerDay) << text;
    }
}

TEST(CheckRules, MinutesAndPresessionsAreSignedIntegersWithLeadingBlanks) {
    const std::pair<std::string, std::int32_t> valid[] = {
        {"30", 30}, {"  7", 7}, {"0", 0}, {"-0", 0}, {"+4", 4}, {"2147483647", kMax},
    };
    for (const auto& [text, value] : valid) {
        RuleTexts texts;
        texts.minSessionMinutes = text;
        texts.presessions = text;
        const auto rules = parse(texts);
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

TEST(StartDateText, SplitsAtTheFirstTwoDashesAndJoinsBackAsGiven) {
    struct Case {
        const char* text;
        bool whole;
        const char* day;
        const char* month;
        const char* year;
    } const cases[] = {
        {"27-11-2005", true, "27", "11", "2005"},
        {"1-2-2005-7", true, "1", "2", "2005-7"},
        {"--", true, "", "", ""},
        {"-11-2005", true, "", "11", "2005"},
        {"27-11-", true, "27", "11", ""},
        {"27-11", false, "27", "11", ""},
        {"2005", false, "2005", "", ""},
        {"", false, "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        RuleTexts texts;
        EXPECT_EQ(SetStartDateText(texts, c.text), c.whole);
        EXPECT_EQ(std::tie(texts.day, texts.month, texts.year), std::make_tuple(c.day, c.month, c.year));
        if (c.whole) {
            EXPECT_EQ(StartDateText(texts), c.text);
        }
    }
}

}  // namespace
}  // namespace quillmere::reload
