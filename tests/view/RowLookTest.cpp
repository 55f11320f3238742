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
