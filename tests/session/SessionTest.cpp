#include "session/Session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "analysis/Batch.h"
#include "session/LoadProblems.h"
#include "support/Dates.h"
#include "support/TempFolder.h"

namespace quillmere::session {
namespace {

using analysis::SaveRecord;
using testsupport::DateOf;

SaveRecord saved(std::string name, double fileDate, std::int32_t turn = 100) {
    SaveRecord rec;
    rec.fileName = std::move(name);
    rec.fileDate = fileDate;
    rec.turn = turn;
    rec.playTime = 20000;
    rec.loadCount = 6;
    return rec;
}

reload::RuleTexts startingOn(std::string day, std::string month) {
    reload::RuleTexts texts;
    texts.day = std::move(day);
    texts.month = std::move(month);
    return texts;
}

TEST(Session, NeverKeepsVerdictsOfRulesItDoesNotHold) {
    Session session(2026);
    session.adopt({saved("a", DateOf(2005, 11, 29, 14))});
    ASSERT_TRUE(session.records()[0].reload);
    EXPECT_EQ(session.records()[0].reload->playDays, 3);

    // Typing "31" into the day box and then "02" into the month box passes through the valid "3-11"
    // and the impossible "31-11", "31-0" and "31-02": no verdict of "3-11" may outlive it.
    session.setRules(startingOn("3", "11"));
    EXPECT_EQ(session.records()[0].reload->playDays, 27);
    session.setRules(startingOn("31", "11"));
    EXPECT_FALSE(session.records()[0].reload);
    session.setRules(startingOn("31", "0"));
    const auto& invalid = session.setRules(startingOn("31", "02"));
    ASSERT_EQ(invalid.errors.size(), 1u);
    EXPECT_EQ(invalid.errors[0].message, "'31-02-2005' is not a valid date");
    EXPECT_FALSE(session.records()[0].reload);
    EXPECT_EQ(session.rowTexts(0, {}).reload[view::ReloadColumn::Honesty], " ");
    EXPECT_THROW((void)session.report(ReportFormat::Results, {}), RulesInvalid);

    session.setRules(startingOn("28", "11"));
    EXPECT_EQ(session.records()[0].reload->playDays, 2);
    EXPECT_NO_THROW((void)session.report(ReportFormat::Results, {}));

    // A load under invalid rules judges nothing either.
    session.setRules(startingOn("", "02"));
    session.adopt({saved("b", DateOf(2005, 11, 29))});
    EXPECT_FALSE(session.records()[0].reload);
}

TEST(Session, ALoadSortsByFileNameInThatKeysDirectionAndCountsWhatCameIn) {
    Session session(2026);
    session.sortBy(view::SortKey::FileName);  // the next file-name order is descending
    SaveRecord blocked = saved("c", DateOf(2005, 11, 28));
    blocked.blockText = "team game";
    // Made by the batch's own constructor: GCC 12 at -O3 takes assigning "d" for overlapping copies.
    const SaveRecord failed = analysis::UnreadRecord("/x/d.sav", "no game data found");
    const SaveRecord skipped = analysis::UnreadRecord("e", std::string(analysis::kNotLoaded));
    const auto summary = session.adopt({saved("a", DateOf(2005, 11, 28)), blocked, failed, skipped, saved("b", 1)});
    std::vector<std::string> names;
    for (const auto& rec : session.records()) names.push_back(rec.fileName);
    EXPECT_EQ(names, (std::vector<std::string>{"e", "d", "c", "b", "a"}));
    EXPECT_EQ(summary.loaded, 3u);
    EXPECT_EQ(summary.blocked, 1u);
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_EQ(summary.notLoaded, 1u);
    ASSERT_EQ(summary.failures.size(), 1u);
    EXPECT_EQ(summary.failures[0], (std::pair<std::string, std::string>{"/x/d.sav", "no game data found"}));
}

TEST(Session, AHeaderClickSortsAsItsButtonOrByTextsAndALoadForgetsTheLastSort) {
    Session session(2026);
    session.adopt({saved("a", DateOf(2005, 11, 28), 30), saved("b", DateOf(2005, 11, 28), 10)});
    const auto names = [&session] {
        std::string text;
        for (const auto& rec : session.records()) text += rec.fileName;
        return text;
    };
    session.headerClick(view::Grid::Base, 5);  // the Turn button's column
    EXPECT_EQ(session.lastSortKey(), view::SortKey::Turn);
    EXPECT_FALSE(session.sortDirections().turn);
    EXPECT_EQ(names(), "ba");
    session.headerClick(view::Grid::Reload, 3);  // the Reloads grid's turn: ascending first, then flipped
    ASSERT_TRUE(session.lastColumnSort());
    EXPECT_TRUE(session.lastColumnSort()->ascending);
    EXPECT_FALSE(session.lastSortKey());
    session.headerClick(view::Grid::Reload, 3);
    EXPECT_EQ(names(), "ab");
    EXPECT_FALSE(session.lastColumnSort()->ascending);
    session.adopt({saved("c", 1)});
    EXPECT_FALSE(session.lastSortKey());
    EXPECT_FALSE(session.lastColumnSort());
}

TEST(Session, RowsOfALoadReplaceTheOldAtTheFirstKeepASortClickedMeanwhileAndHoldTheReports) {
    Session session(2026);
    session.adopt({saved("old", 1)});
    const auto names = [&session] {
        std::string text;
        for (const auto& rec : session.records()) text += rec.fileName;
        return text;
    };
    const double day = DateOf(2005, 11, 28);
    EXPECT_FALSE(session.addArrived({}));
    EXPECT_EQ(names(), "old");
    ASSERT_TRUE(session.addArrived({saved("c", day, 10)}));
    EXPECT_EQ(names(), "c");
    session.headerClick(view::Grid::Reload, 3);  // by turn, ascending
    session.addArrived({saved("a", day, 30), saved("b", day, 20)});
    EXPECT_EQ(names(), "cba");
    EXPECT_THROW((void)session.report(ReportFormat::Csv, {}), ReportRefused);
    session.adopt({saved("c", day, 10), saved("a", day, 30), saved("b", day, 20)});
    EXPECT_EQ(names(), "cba");
    EXPECT_TRUE(session.lastColumnSort());
    EXPECT_FALSE(session.report(ReportFormat::Csv, {}).empty());
}

TEST(Session, OpeningAProfileAsksOnlyWhenItsRulesDifferAndAnUnansweredQuestionChangesNothing) {
    const testsupport::TempFolder folder("session-profile");
    const auto path = folder.write("cup.json", R"({"name": "Cup", "rules": {"start_date": "1-12-2005"}})");
    Session session(2026);
    int asked = 0;
    const auto answer = [&asked](std::optional<ProfileRules> rules) {
        return [&asked, rules](const reload::RuleTexts& theirs) {
            ++asked;
            EXPECT_EQ(reload::StartDateText(theirs), "1-12-2005");
            return rules;
        };
    };
    EXPECT_FALSE(session.openProfile(path, answer(std::nullopt)));
    EXPECT_FALSE(session.profile());
    EXPECT_TRUE(session.openProfile(path, answer(ProfileRules::Keep)));
    EXPECT_EQ(session.profile()->name, "Cup");
    EXPECT_EQ(reload::StartDateText(session.ruleTexts()), "27-11-2005");
    EXPECT_TRUE(session.openProfile(path, answer(ProfileRules::Take)));
    EXPECT_EQ(reload::StartDateText(session.ruleTexts()), "1-12-2005");
    EXPECT_TRUE(session.openProfile(path, answer(std::nullopt)));  // the same rules: nothing to ask
    EXPECT_EQ(asked, 3);
    EXPECT_THROW(session.openProfile(folder / "none.json", answer(ProfileRules::Take)), ProfileError);
}

TEST(Session, SavesTheReportItMakesAndNothingWhileARuleIsInvalid) {
    const testsupport::TempFolder folder("session-report");
    Session session(2026);
    session.adopt({saved("a", DateOf(2005, 11, 29, 14))});
    session.saveReport(ReportFormat::Csv, {}, folder / "out.csv");
    EXPECT_EQ(testsupport::ContentsOf(folder / "out.csv"), session.report(ReportFormat::Csv, {}));
    session.setRules(startingOn("31", "02"));
    EXPECT_THROW(session.saveReport(ReportFormat::Csv, {}, folder / "refused.csv"), RulesInvalid);
    EXPECT_FALSE(std::filesystem::exists(folder / "refused.csv"));
}

TEST(ReadPathList, NamesTheListThatCannotBeRead) {
    const testsupport::TempFolder folder("path-list");
    std::istringstream input("a.sav\n\nb.sav");
    EXPECT_EQ(ReadPathList("-", input), (std::vector<std::string>{"a.sav", "b.sav"}));
    const auto messageOf = [&input](const std::string& path) {
        try {
            (void)ReadPathList(path, input);
        } catch (const PathListError& error) {
            return std::string(error.what());
        }
        return std::string("read");
    };
    const auto expected = [](std::string path, const char* reason) {
        // Appended piece by piece: GCC 12 at -O3 takes "'" + path + "'" for overlapping copies.
        std::string message = "cannot read '";
        message += path;
        message += "': ";
        message += reason;
        return message;
    };
    EXPECT_EQ(messageOf(folder / "none"), expected(folder / "none", "No such file or directory"));
    EXPECT_EQ(messageOf(folder.path().string()), expected(folder.path().string(), "Is a directory"));
}

TEST(LoadProblems, CountInWordsAndListEveryProblemInTheOrderMet) {
    LoadSummary one;
    one.failures = {{"saves/Lars.sav", "damaged save: the file is cut short"}};
    const auto single = ProblemsOf(one);
    EXPECT_EQ(single.heading, "1 file could not be read");
    EXPECT_EQ(single.lines, std::vector<std::string>{"Lars.sav: damaged save: the file is cut short."});

    LoadSummary many = one;
    many.failures.emplace_back("Bea.sav", "not a save file: no game data found");
    many.passedOver = {{"saves/inner", "a folder"}};
    many.batchFailure = "out of memory";
    const auto all = ProblemsOf(many);
    EXPECT_EQ(all.heading, "The load failed; 2 files could not be read; 1 entry passed over");
    EXPECT_EQ(all.lines, (std::vector<std::string>{
                             "The load stopped: out of memory.", "Lars.sav: damaged save: the file is cut short.",
                             "Bea.sav: not a save file: no game data found.", "saves/inner: skipped (a folder)"}));
    EXPECT_TRUE(ProblemsOf(LoadSummary{}).empty());
}

}  // namespace
}  // namespace quillmere::session
