#include "view/Sorting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace quillmere::view {
namespace {

using analysis::ResultTable;
using analysis::SaveRecord;

SaveRecord record(std::string name, std::int32_t turn = 0, std::int32_t score = 0, std::int32_t finalScore = 0) {
    SaveRecord rec;
    rec.fileName = std::move(name);
    rec.turn = turn;
    rec.score = score;
    rec.finalScore = finalScore;
    rec.history = {{turn}};  // travels with its record
    return rec;
}

std::vector<std::string> namesOf(const ResultTable& table) {
    std::vector<std::string> names;
    for (const auto& rec : table) names.push_back(rec.fileName);
    return names;
}

TEST(CompareFileNames, IgnoresCaseOfLatinAndCyrillicLetters) {
    const std::tuple<std::string, std::string, int> cases[] = {
        {"abc", "ABD", -1},
        {"ABC", "abd", -1},
        {"Ivan", "iVAN", 0},
        {"ab", "abc", -1},
        {"", "", 0},
        {"\xC8\xE2\xE0\xED", "\xE8\xE2\xE0\xED", 0},  // the same Cyrillic name, capital and small
        {"\xA8\xEB\xEA\xE0", "\xB8\xEB\xEA\xE0", 0},  // capital and small io
        {"\xAA", "\xBA", 0},
        {"\xB2", "\xB3", 0},
        {"\xE0", "\xFF", -1},
        {"z", "\xE0", -1},  // Latin before Cyrillic
    };
    for (const auto& [a, b, sign] : cases) {
        EXPECT_EQ(CompareFileNames(a, b), sign) << a << " vs " << b;
        EXPECT_EQ(CompareFileNames(b, a), -sign) << b << " vs " << a;
    }
}

TEST(SortRecords, OrdersByEachKeyInBothDirectionsKeepingEqualKeysInOrder) {
    const ResultTable table = {record("b", 5, 100, -10), record("A", 5, 300, 20), record("a", 1, 100, 20),
                               record("C", -2, 200, -30)};
    struct Case {
        SortKey key;
        bool ascending;
        std::vector<std::string> order;
    } const cases[] = {
        {SortKey::FileName, true, {"A", "a", "b", "C"}},   {SortKey::FileName, false, {"C", "b", "A", "a"}},
        {SortKey::Turn, true, {"C", "a", "b", "A"}},       {SortKey::Turn, false, {"b", "A", "a", "C"}},
        {SortKey::Score, true, {"b", "a", "C", "A"}},      {SortKey::Score, false, {"A", "C", "b", "a"}},
        {SortKey::FinalScore, true, {"C", "b", "A", "a"}}, {SortKey::FinalScore, false, {"A", "a", "b", "C"}},
    };
    for (const auto& c : cases) {
        auto sorted = table;
        SortRecords(sorted, c.key, c.ascending);
        EXPECT_EQ(namesOf(sorted), c.order) << static_cast<int>(c.key) << (c.ascending ? " ascending" : " descending");
        for (const auto& rec : sorted) EXPECT_EQ(HistoryValue(rec, 0, 0), rec.turn);
    }
}

TEST(SortClick, SortsInTheKeysDirectionThenFlipsOnlyThatDirection) {
    ResultTable table = {record("x", 1, 10), record("y", 2, 30), record("z", 3, 20)};
    SortDirections directions;
    SortClick(table, directions, SortKey::Score);
    EXPECT_EQ(namesOf(table), (std::vector<std::string>{"y", "z", "x"}));  // highest first
    SortClick(table, directions, SortKey::Score);
    EXPECT_EQ(namesOf(table), (std::vector<std::string>{"x", "z", "y"}));
    EXPECT_FALSE(directions.score);
    EXPECT_TRUE(directions.fileName);
    EXPECT_TRUE(directions.turn);
    EXPECT_FALSE(directions.finalScore);

    SortClick(table, directions, SortKey::FileName);
    EXPECT_EQ(namesOf(table), (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_FALSE(directions.fileName);

    ResultTable empty;
    SortClick(empty, directions, SortKey::Turn);  // nothing to sort, but the direction still flips
    EXPECT_FALSE(directions.turn);
}

}  // namespace
}  // namespace quillmere::view

namespace quillmere::view {
namespace {

// A column as a header click names it.
template <typename Column>
int at(Column column) {
    return static_cast<int>(IndexOf(column));
}

TEST(SortByColumn, OrdersShownValuesByKindAndKeepsRowsWithoutDetailsLast) {
    const auto withNick = [](std::string name, std::int32_t turn, std::int32_t playTime, std::string nick) {
        auto rec = record(std::move(name), turn);
        rec.playTime = playTime;
        rec.nickName = std::move(nick);
        return rec;
    };
    auto failed = withNick("failed", 1, 1, "a");
    failed.failure = "not a save file";
    auto blocked = withNick("blocked", 1, 1, "a");
    blocked.blockText = "team game";
    const ResultTable table = {failed, withNick("x", 100, 3725, "bob"), blocked, withNick("y", 20, 59, "Anna"),
                               withNick("z", 3, 36000, "carl")};
    const std::tuple<const char*, int, bool, std::vector<std::string>> cases[] = {
        {"turns by value", at(BaseColumn::Turn), true, {"z", "y", "x", "failed", "blocked"}},
        {"turns downwards, no details still last", at(BaseColumn::Turn), false, {"x", "y", "z", "failed", "blocked"}},
        {"play times by seconds", at(BaseColumn::PlayTime), true, {"y", "x", "z", "failed", "blocked"}},
        {"nick names with case ignored", at(BaseColumn::NickName), true, {"y", "x", "z", "failed", "blocked"}},
        {"a column outside the grid",
         static_cast<int>(kColumnCount<BaseColumn>),
         true,
         {"failed", "x", "blocked", "y", "z"}},
    };
    for (const auto& [name, column, ascending, expected] : cases) {
        auto sorted = table;
        SortByColumn(sorted, Grid::Base, column, ascending);
        EXPECT_EQ(namesOf(sorted), expected) << name;
    }
    // By the records' values: two shares the grid shows alike as "4.42" still stand in order, and
    // a date with no time of day before a later time that day.
    auto more = withNick("more", 1, 1, "m");
    more.landPercent = 4.4249L;
    auto less = withNick("less", 1, 1, "l");
    less.landPercent = 4.4151L;
    ResultTable shares = {more, less};
    SortByColumn(shares, Grid::Additional, at(AdditionalColumn::LandPercent), true);
    EXPECT_EQ(namesOf(shares), (std::vector<std::string>{"less", "more"}));
    more.fileDate = 38685.5;
    less.fileDate = 38685.0;
    ResultTable dates = {more, less};
    SortByColumn(dates, Grid::Reload, at(ReloadColumn::FileDate), true);
    EXPECT_EQ(namesOf(dates), (std::vector<std::string>{"less", "more"}));

    // A stable sort by the ranks, either way, orders the rows as SortByColumn does, ties included.
    auto tied = withNick("tied", 20, 59, "anna");
    const ResultTable ranked = {failed,  withNick("x", 100, 3725, "bob"), tied,
                                blocked, withNick("y", 20, 59, "Anna"),   withNick("z", 3, 36000, "carl")};
    for (const auto column : {at(BaseColumn::Turn), at(BaseColumn::PlayTime), at(BaseColumn::NickName)}) {
        const auto ranks = ColumnRanks(ranked, Grid::Base, static_cast<std::size_t>(column));
        for (const bool ascending : {true, false}) {
            auto expected = ranked;
            SortByColumn(expected, Grid::Base, column, ascending);
            std::vector<std::size_t> order(ranked.size());
            std::iota(order.begin(), order.end(), std::size_t{0});
            std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
                if (!ranks[i] || !ranks[j]) return ranks[i].has_value() && !ranks[j].has_value();
                return ascending ? *ranks[i] < *ranks[j] : *ranks[i] > *ranks[j];
            });
            ResultTable byRanks;
            for (const auto i : order) byRanks.push_back(ranked[i]);
            EXPECT_EQ(namesOf(byRanks), namesOf(expected)) << column << ascending;
        }
    }
    EXPECT_EQ(ColumnRanks(ranked, Grid::Base, at(BaseColumn::Turn))[2],
              ColumnRanks(ranked, Grid::Base, at(BaseColumn::Turn))[4]);

    EXPECT_EQ(ButtonKeyOf(Grid::Base, at(BaseColumn::Score)), SortKey::Score);
    EXPECT_EQ(ButtonKeyOf(Grid::Reload, at(ReloadColumn::FileName)), SortKey::FileName);
    EXPECT_EQ(ButtonKeyOf(Grid::Reload, at(ReloadColumn::Turn)), std::nullopt);
}

}  // namespace
}  // namespace quillmere::view
