#include "cli/ReportOptions.h"

#include <gtest/gtest.h>

#include <tuple>

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
    EXPECT_TRUE(options.byteOrderMark);
    EXPECT_FALSE(parse({"--no-bom", "a"}).byteOrderMark);
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

TEST(ReportOptions, TakesShortValuesAttachedAndShortFlagsBundled) {
    const auto attached = parse({"-j2", "-oout.csv", "--format", "csv", "a"});
    EXPECT_EQ(attached.jobs, 2u);
    EXPECT_EQ(attached.output, "out.csv");
    EXPECT_EQ(attached.format, session::ReportFormat::Csv);
    const auto bundled = parse({"-rj", "3", "-ro-", "a"});
    EXPECT_TRUE(bundled.recursive);
    EXPECT_EQ(bundled.jobs, 3u);
    EXPECT_EQ(bundled.output, "-");
    EXPECT_EQ(parse({"-rh"}).action, ReportAction::Help);
    EXPECT_EQ(usageErrorOf({"-rx", "a"}), "unknown option '-x'");
    EXPECT_EQ(usageErrorOf({"-j0", "a"}), "--jobs wants a number of workers from 1 to 256, not '0'");
    EXPECT_EQ(usageErrorOf({"a", "-rj"}), "option '-j' needs a value");
}

TEST(ReportOptions, AListOfFilesStandsInForTheSaves) {
    const auto listOnly = parse({"--files-from", "-"});
    EXPECT_EQ(listOnly.filesFrom, "-");
    EXPECT_TRUE(listOnly.saves.empty());
    EXPECT_EQ(parse({"--files-from=list.txt", "a"}).filesFrom, "list.txt");
}

TEST(ReportOptions, FlagsOnlyTakesAnOutputButNoReportShape) {
    EXPECT_EQ(parse({"--flags-only", "-o", "flags.txt", "a"}).output, "flags.txt");
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--flags-only", "--format", "csv", "a"}, "--format"},
        {{"--encoding=utf-8", "--flags-only", "a"}, "--encoding"},
        {{"--flags-only", "--decimal-separator", ",", "a"}, "--decimal-separator"},
    };
    for (const auto& [arguments, option] : refused) {
        EXPECT_EQ(usageErrorOf(arguments),
                  option + " does not apply to --flags-only, which writes a plain list (UTF-8)");
    }
}

TEST(ReportOptions, TheResultsFileFollowsAUtf8TerminalUnlessAnEncodingIsGiven) {
    using view::TextEncoding;
    const auto plain = parse({"a"});
    const auto asked = parse({"--encoding", "windows-1251", "a"});
    const std::tuple<const ReportOptions*, bool, std::string_view, TextEncoding> cases[] = {
        {&plain, true, "UTF-8", TextEncoding::Utf8},
        {&plain, false, "UTF-8", TextEncoding::Windows1251},
        {&plain, true, "ANSI_X3.4-1968", TextEncoding::Windows1251},
        {&plain, true, "CP1251", TextEncoding::Windows1251},
        {&asked, true, "UTF-8", TextEncoding::Windows1251},
    };
    for (const auto& [options, toTerminal, codeset, expected] : cases) {
        EXPECT_EQ(ResultsEncoding(*options, toTerminal, codeset), expected) << codeset << " " << toTerminal;
    }
    EXPECT_EQ(ResultsEncoding(parse({"--encoding=utf-8", "a"}), false, ""), TextEncoding::Utf8);
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
    EXPECT_EQ(parse({"-V", "--bogus"}).action, ReportAction::Version);
    EXPECT_EQ(parse({"-rV"}).action, ReportAction::Version);
}

TEST(ReportOptions, HelpListsEveryOptionWithinEightyColumns) {
    // Each option with a value it takes; every one must parse and have its line in the list.
    const std::vector<std::vector<std::string>> options = {
        {"--start", "1-1-2006"},
        {"--sessions-per-day", "2"},
        {"--min-session-minutes", "5"},
        {"--presessions", "2"},
        {"--sort", "turn"},
        {"-o", "out.txt"},
        {"--output", "out.txt"},
        {"--files-from", "-"},
        {"--format", "csv"},
        {"--encoding", "utf-8"},
        {"--decimal-separator", ","},
        {"--no-bom"},
        {"--no-histories"},
        {"-r"},
        {"--recursive"},
        {"--profile", "p.json"},
        {"--flags-only"},
        {"-j", "2"},
        {"--jobs", "2"},
        {"-h"},
        {"--help"},
        {"-V"},
        {"--version"},
    };
    const std::string help = ReportUsage();
    for (auto arguments : options) {
        const std::string option = arguments.front();
        const bool listed = option.starts_with("--") ? help.find("\n      " + option + " ") != std::string::npos ||
                                                           help.find(", " + option + " ") != std::string::npos
                                                     : help.find("\n  " + option + ", ") != std::string::npos;
        EXPECT_TRUE(listed) << option;
        arguments.push_back("a");
        EXPECT_NO_THROW((void)parse(arguments)) << option;
    }
    for (std::size_t start = 0, end = 0; start < help.size(); start = end + 1) {
        end = help.find('\n', start);
        EXPECT_LE(end - start, 80u) << help.substr(start, end - start);
    }
    std::string words;  // the help's words, one blank between each two
    for (const char c : help) {
        if (c != ' ' && c != '\n') {
            words += c;
        } else if (!words.ends_with(' ')) {
            words += ' ';
        }
    }
    EXPECT_NE(words.find("--encoding windows-1251|utf-8 the results file's text encoding (default: utf-8 when it "
                         "goes to a terminal whose locale is UTF-8, else windows-1251)"),
              std::string::npos);
}

TEST(ReportOptions, StandardInputHoldsOneSaveOrTheList) {
    EXPECT_EQ(parse({"-", "a"}).saves, (std::vector<std::string>{"-", "a"}));
    EXPECT_EQ(parse({"--", "-"}).saves, (std::vector<std::string>{"-"}));
    EXPECT_EQ(usageErrorOf({"-", "a", "-"}), "'-' (a save on standard input) may be given only once");
    EXPECT_EQ(usageErrorOf({"--files-from", "-", "-"}),
              "'--files-from -' and the save '-' cannot both be read from standard input");
    EXPECT_EQ(usageErrorOf({"--files-from=-", "--", "-"}),
              "'--files-from -' and the save '-' cannot both be read from standard input");
    EXPECT_NO_THROW((void)parse({"--files-from", "list", "-"}));
}

TEST(ReportOptions, RefusesWhatItCannotUse) {
    EXPECT_EQ(usageErrorOf({}), "no save files given");
    EXPECT_EQ(usageErrorOf({"-o", "out.txt"}), "no save files given");
    EXPECT_EQ(usageErrorOf({"--bogus", "a"}), "unknown option '--bogus'");
    EXPECT_EQ(usageErrorOf({"-x", "a"}), "unknown option '-x'");
    EXPECT_EQ(usageErrorOf({"--recursive=yes", "a"}), "option '--recursive' takes no value");
    EXPECT_EQ(usageErrorOf({"a", "--start"}), "option '--start' needs a value");
    EXPECT_EQ(usageErrorOf({"--sort", "date", "a"}), "unknown sort key 'date' (use name, turn, score or final)");
}

}  // namespace
}  // namespace quillmere::cli
