#include "view/RowLook.h"

#include <gtest/gtest.h>

#include "session/Messages.h"

namespace quillmere::view {
namespace {

analysis::SaveRecord named(std::string file, std::string nick) {
    analysis::SaveRecord rec;
    rec.fileName = std::move(file);
    rec.nickName = std::move(nick);
    return rec;
}

TEST(RowLook, TintAndTooltipFollowWhatStandsInTheWayThenTheFlags) {
    auto flagged = named("a", "Anna");
    flagged.flags = {"late", "same game data as b"};
    auto failed = flagged;
    failed.failure = "damaged save";
    auto blocked = named("b", "Bea");
    blocked.blockText = "team game";
    EXPECT_EQ(LookOf(flagged, Grid::Flags).tint, RowTint::Flagged);
    EXPECT_EQ(LookOf(flagged, Grid::Flags).toolTip, "late\nsame game data as b");
    EXPECT_EQ(LookOf(flagged, Grid::Base).tint, RowTint::None);
    EXPECT_EQ(LookOf(failed, Grid::Flags).tint, RowTint::Failed);
    EXPECT_EQ(LookOf(failed, Grid::Flags).toolTip, "damaged save.");
    EXPECT_EQ(LookOf(blocked, Grid::Reload).tint, RowTint::Blocked);
    EXPECT_EQ(CellToolTip(blocked, Grid::Reload, IndexOf(ReloadColumn::Honesty)),
              "Blocked by the organisers: team game");
    EXPECT_EQ(CellToolTip(flagged, Grid::Reload, IndexOf(ReloadColumn::Honesty)), "");
}

analysis::SaveRecord judged(std::int32_t reloads, std::int32_t maxReloads, analysis::Verdict verdict) {
    auto rec = named("s", "S");
    rec.loadCount = reloads + 1;
    rec.reload = analysis::ReloadJudgement{.reloads = reloads, .maxReloads = maxReloads, .honesty = verdict};
    return rec;
}

TEST(RowLook, VerdictsAndFlagsMarkTheirCellsWithASignAndAColour) {
    using analysis::Verdict;
    constexpr auto honesty = IndexOf(ReloadColumn::Honesty);
    auto cheat = judged(5, 4, Verdict::Cheat);
    EXPECT_EQ(MarkOf(cheat, Grid::Reload, honesty), CellMark::Cheat);
    EXPECT_EQ(MarkOf(cheat, Grid::Reload, honesty - 1), CellMark::None);
    EXPECT_EQ(MarkOf(cheat, Grid::Base, honesty), CellMark::None);
    EXPECT_EQ(MarkOf(cheat, Grid::Reload, kFileNameColumn), CellMark::None);
    EXPECT_EQ(MarkedText(CellMark::Cheat, "Cheat"), "\u2717 Cheat");
    EXPECT_EQ(MarkedText(CellMark::None, "Fair"), "Fair");
    EXPECT_EQ(MarkOf(judged(2, 4, Verdict::Fair), Grid::Reload, honesty), CellMark::Fair);
    EXPECT_EQ(MarkOf(judged(3, 4, Verdict::Average), Grid::Reload, honesty), CellMark::Average);
    cheat.flags = {"late", "renamed"};
    for (const auto grid : {Grid::Base, Grid::Reload, Grid::Additional, Grid::Flags})
        EXPECT_EQ(MarkOf(cheat, grid, kFileNameColumn), CellMark::Flagged);
    EXPECT_EQ(CellToolTip(cheat, Grid::Base, kFileNameColumn), "late\nrenamed");
    EXPECT_TRUE(CellToolTip(cheat, Grid::Reload, honesty).starts_with("5 reloads:"));
    auto failed = cheat;
    failed.failure = "damaged save";
    EXPECT_EQ(MarkOf(failed, Grid::Reload, honesty), CellMark::None);
    EXPECT_EQ(MarkOf(failed, Grid::Base, kFileNameColumn), CellMark::None);
    for (const auto mark : {CellMark::Fair, CellMark::Average, CellMark::Cheat, CellMark::Flagged}) {
        EXPECT_EQ(MarkColour(mark).size(), 7u);
        EXPECT_FALSE(MarkName(mark).empty());
    }
}

TEST(RowLook, AttentionGoesToCheatsFlagsAndFailuresOnly) {
    using analysis::Verdict;
    auto flagged = judged(0, 4, Verdict::Fair);
    flagged.flags = {"late"};
    auto failed = named("f", "F");
    failed.failure = "damaged save";
    auto notLoaded = named("n", "N");
    notLoaded.failure = std::string(analysis::kNotLoaded);
    const analysis::ResultTable table = {
        judged(5, 4, Verdict::Cheat), judged(3, 4, Verdict::Average), flagged, failed, notLoaded, named("x", "X")};
    const auto attention = FilterRows(table, "", true);
    EXPECT_EQ(attention.shown, (std::vector<bool>{true, false, true, true, false, false}));
    EXPECT_EQ(attention.note, "3 of 6 rows hidden");
    EXPECT_EQ(AttentionFilterText(table), "Needs attention (3)");
    EXPECT_EQ(FilterRows(table, "f", true).shown, (std::vector<bool>{false, false, false, true, false, false}));
}

TEST(RowLook, TheVerdictIsExplainedWithTheCountsThatGiveEachVerdict) {
    using analysis::Verdict;
    const struct {
        analysis::SaveRecord rec;
        std::string_view text;
    } cases[] = {
        {judged(3, 4, Verdict::Average),
         "3 reloads: Fair below 3, Average from 3, Cheat from 5 (3/4 and 5/4 of Max Reloads, 4). 2 reloads more "
         "would make it Cheat."},
        {judged(1, 4, Verdict::Fair),
         "1 reload: Fair below 3, Average from 3, Cheat from 5 (3/4 and 5/4 of Max Reloads, 4). 2 reloads more "
         "would make it Average."},
        {judged(6, 4, Verdict::Cheat),
         "6 reloads: Fair below 3, Average from 3, Cheat from 5 (3/4 and 5/4 of Max Reloads, 4)."},
        {judged(1, 1, Verdict::Average),
         "1 reload: Fair below 1, Average from 1, Cheat from 2 (3/4 and 5/4 of Max Reloads, 1). 1 reload more would "
         "make it Cheat."},
        // With Max Reloads 0 every count is Cheat.
        {judged(0, 0, Verdict::Cheat), "0 reloads: Cheat from 0 (3/4 and 5/4 of Max Reloads, 0)."},
    };
    for (const auto& [rec, text] : cases)
        EXPECT_EQ(CellToolTip(rec, Grid::Reload, IndexOf(ReloadColumn::Honesty)), text);
    auto never = judged(0, 0, Verdict::Fair);
    never.loadCount = 0;
    EXPECT_EQ(CellToolTip(never, Grid::Reload, IndexOf(ReloadColumn::Honesty)),
              "0 reloads: never loaded, so Fair whatever Max Reloads (0).");
}

TEST(RowLook, TheFinalCellSaysHowTheScoreWasMade) {
    auto rec = named("s", "S");
    rec.level = 3;
    rec.scoreInputs = analysis::ScoreInputs{{150, 7, 0, 40}, {10, 0, 0, 3}, {1000, 0, 0, 10}, 100, 460, 1.0};
    rec.finalScore = analysis::FinalScore(*rec.scoreInputs);
    const auto text = CellToolTip(rec, Grid::Base, IndexOf(BaseColumn::FinalScore));
    const auto line = [&](std::size_t n) {
        std::size_t at = 0;
        for (std::size_t i = 0; i < n; ++i) at = text.find('\n', at) + 1;
        return text.substr(at, text.find('\n', at) - at);
    };
    EXPECT_TRUE(line(0).starts_with("Final " + std::to_string(rec.finalScore) + ": four parts added up")) << text;
    EXPECT_NE(line(0).find("turn 100 of 460, x the difficulty factor 1.0"), std::string::npos) << text;
    EXPECT_EQ(line(1),
              "Part 1: statistic 1 = 150, weight 5000, expected 27.21 (10 at turn 0 to 1000 at turn 460): 27559");
    EXPECT_EQ(line(2), "Part 2: statistic 2 = 7, weight 2000, nothing expected (0 at turn 0 to 0 at turn 460): 0");
    // The fourth part takes the third statistic; its end point is 3 x Trunc(10 / 3).
    EXPECT_TRUE(line(4).starts_with("Part 4: statistic 3 = 0, weight 1000, expected ")) << text;
    EXPECT_NE(line(4).find("(3 at turn 0 to 9 at turn 460)"), std::string::npos) << text;
    rec.scoreInputs.reset();
    EXPECT_EQ(CellToolTip(rec, Grid::Base, IndexOf(BaseColumn::FinalScore)), "");
}

TEST(RowLook, TheFilterMatchesFileOrPlayerNameWithCaseIgnoredInEveryAlphabet) {
    // "Дарья" in Windows-1251, and a file name in UTF-8.
    const analysis::ResultTable table = {named("Darya-round1", "\xC4\xE0\xF0\xFC\xFF"), named("bob", "Bob"),
                                         named("\xC3\x89tienne", "E")};
    const auto cyrillic = FilterRows(table, "  \xD0\x94\xD0\x90\xD0\xA0 ");  // "ДАР", blanks around
    EXPECT_EQ(cyrillic.shown, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(cyrillic.note, "2 of 3 rows hidden");
    EXPECT_EQ(FilterRows(table, "\xC3\xA9tien").shown, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(FilterRows(table, "ROUND").hidden, 2u);
    EXPECT_EQ(FilterRows(table, " \t").note, "");
}

TEST(RowLook, OnlyTheLastKeyClickedShowsTheOrderItsClickGave) {
    SortDirections directions;
    EXPECT_EQ(SortButtonMarks(std::nullopt, directions), std::vector<SortShows>(4, SortShows::Key));
    directions.turn = false;  // turn was clicked: it sorted ascending, and flipped
    EXPECT_EQ(SortButtonMarks(SortKey::Turn, directions),
              (std::vector<SortShows>{SortShows::Key, SortShows::Ascending, SortShows::Key, SortShows::Key}));
    EXPECT_EQ(SortMarkText(SortShows::Descending), "\u25BC");
}

TEST(Messages, CountInWords) {
    EXPECT_EQ(session::ProgressText({.total = 10, .done = 3, .failed = 0}), "Reading the saves: 3 of 10");
    EXPECT_EQ(session::ProgressText({.total = 10, .done = 3, .failed = 1}), "Reading the saves: 3 of 10 (1 failed)");
    EXPECT_TRUE(session::BlankRowsQuestion(1).starts_with("1 save was left out"));
    EXPECT_TRUE(session::BlankRowsQuestion(2).starts_with("2 saves were left out"));
    EXPECT_EQ(session::SavedRowsNote(1, "Res.txt"), "Saved 1 row to Res.txt");
}

}  // namespace
}  // namespace quillmere::view
