#include "cli/ReportOptions.h"

#include <gtest/gtest.h>

namespace quillmere::cli {
namespace {

ReportOptions parse(std::vector<std::string> arguments) { return ParseReportArguments(arguments); }

std::string usageErrorOf(std::vector<std::string> arguments) {
    try {
        (void)ParseReportArguments(arguments);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "ok";
}

TEST(ReportOptions, DefaultsToTheWindowsRulesAndStandardOutput) {
    const auto options = parse({"a.sav", "b.sav"});
    EXPECT_EQ(options.action, ReportAction::Run);
    EXPECT_EQ(options.saves, (std::vector<std::string>{"a.sav", "b.sav"}));
    EXPECT_EQ(options.output, "-");
    EXPECT_FALSE(options.sort.has_value());
    const reload::RuleTexts defaults;
    EXPECT_EQ(options.rules.day + options.rules.month + options.rules.year, "27112005");
    EXPECT_EQ(options.rules.sessionsPerDay, defaults.sessionsPerDay);
    EXPECT_EQ(options.rules.minSessionMinutes, "30");
    EXPECT_EQ(options.rules.presessions, "1");
}

TEST(ReportOptions, TakesValuesAsTheNextArgumentOrAfterAnEqualsSign) {
    const auto options = parse({"--start", "1-2-05-", "--sessions-per-day=2.5", "--min-session-minutes", "-3",
                                "--presessions=0", "--sort", "final", "-o", "Res.txt", "x.sav", "--", "--odd.sav"});
    EXPECT_EQ(options.rules.day, "1");
    EXPECT_EQ(options.rules.month, "2");
    EXPECT_EQ(options.rules.year, "05-");  // the date rule decides about the trailing "-"
    EXPECT_EQ(options.rules.sessionsPerDay, "2.5");
    EXPECT_EQ(options.rules.minSessionMinutes, "-3");
    EXPECT_EQ(options.rules.presessions, "0");
    EXPECT_EQ(options.sort, view::SortKey::FinalScore);
    EXPECT_EQ(options.output, "Res.txt");
    EXPECT_EQ(options.saves, (std::vector<std::string>{"x.sav", "--odd.sav"}));

    const std::pair<std::string, view::SortKey> keys[] = {
        {"name", view::SortKey::FileName}, {"turn", view::SortKey::Turn}, {"score", view::SortKey::Score}};
    for (const auto& [name, key] : keys) EXPECT_EQ(parse({"--sort=" + name, "a"}).sort, key) << name;
}

TEST(ReportOptions, StartDatesWithFewerPartsLeaveTheRestEmpty) {
    const auto dayOnly = parse({"--start", "27", "a"});
    EXPECT_EQ(dayOnly.rules.day + "|" + dayOnly.rules.month + "|" + dayOnly.rules.year, "27||");
    const auto noYear = parse({"--start", "27-11", "a"});
    EXPECT_EQ(noYear.rules.day + "|" + noYear.rules.month + "|" + noYear.rules.year, "27|11|");
}

TEST(ReportOptions, HelpAndVersionEndTheParse) {
    EXPECT_EQ(parse({"--help", "--bogus"}).action, ReportAction::Help);
    EXPECT_EQ(parse({"-h"}).action, ReportAction::Help);
    EXPECT_EQ(parse({"--version"}).action, ReportAction::Version);
}

TEST(ReportOptions, RefusesWhatItCannotUse) {
    EXPECT_EQ(usageErrorOf({}), "no save files given");
    EXPECT_EQ(usageErrorOf({"-o", "out.txt"}), "no save files given");
    EXPECT_EQ(usageErrorOf({"--bogus", "a"}), "unknown option '--bogus'");
    EXPECT_EQ(usageErrorOf({"-x", "a"}), "unknown option '-x'");
    EXPECT_EQ(usageErrorOf({"a", "--start"}), "option '--start' needs a value");
    EXPECT_EQ(usageErrorOf({"--sort", "date", "a"}), "unknown sort key 'date' (use name, turn, score or final)");
}

}  // namespace
}  // namespace quillmere::cli
