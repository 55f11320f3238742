#include "view/GraphPlan.h"

#include <gtest/gtest.h>

namespace quillmere::view {
namespace {

analysis::SaveRecord save(std::string name, std::int32_t turn, std::int32_t score) {
    analysis::SaveRecord rec;
    rec.fileName = name;
    rec.path = "saves/" + name + ".sav";
    rec.nickName = "nick-" + name;
    rec.turn = turn;
    rec.history.assign(analysis::kHistoryCategories, {});
    rec.history[0].assign(static_cast<std::size_t>(turn), score);
    return rec;
}

TEST(GraphPlan, RowsKeepTheirPlaceAndASaveKeepsItsSlotWhilePlotted) {
    analysis::ResultTable table = {save("a", 3, 10), save("b", 2, 20), save("c", 4, 30)};
    table[0].blockText = "kept out";
    const auto first = PlanHistoryGraph(table, {}, 0, {});
    ASSERT_EQ(first.lines.size(), 2u);
    // The blocked row keeps series 0 empty; row 1 draws in series 1.
    EXPECT_EQ(first.lines[0].row, 1u);
    EXPECT_EQ(first.lines[0].slot, 1u);
    EXPECT_EQ(first.lines[0].colour, kSeriesColours[1]);
    EXPECT_EQ(first.lines[0].name, "nick-b (b)");
    EXPECT_EQ(first.lines[0].values, (std::vector<std::int32_t>{20, 20}));
    EXPECT_EQ(first.slots[0], "saves/a.sav");

    // Sorted otherwise, each save keeps its slot; a save new to the graph takes the first free one.
    std::swap(table[0], table[2]);
    table.push_back(save("d", 1, 5));
    const auto again = PlanHistoryGraph(table, {}, 0, first.slots);
    EXPECT_EQ(again.lines[0].id, "saves/c.sav");
    EXPECT_EQ(again.lines[0].slot, 2u);
    EXPECT_EQ(again.lines[2].id, "saves/d.sav");
    EXPECT_EQ(again.lines[2].slot, 3u);
    EXPECT_EQ(GraphPointText(again, again.lines[0], 3), "nick-c (c): turn 3, score 30");
    EXPECT_EQ(GraphPointText(again, again.lines[0], 4), "");
}

TEST(GraphPlan, TheCaptionSaysWhichRowsAreDrawn) {
    analysis::ResultTable table;
    for (int i = 0; i < 25; ++i) {
        std::string name = "s";  // appended: GCC 12 at -O3 warns of "s" + std::to_string(i)
        name += std::to_string(i);
        table.push_back(save(name, 2, i));
    }
    EXPECT_EQ(PlanHistoryGraph(table, {}, 0, {}).caption, "Rows 1 to 20 of 25; select rows to compare others");
    EXPECT_EQ(PlanHistoryGraph({table.begin(), table.begin() + 20}, {}, 0, {}).caption, "");
    const std::vector<std::size_t> two = {3, 0};
    EXPECT_EQ(PlanHistoryGraph(table, two, 0, {}).caption, "Selected rows 4, 1");
    std::vector<std::size_t> all(21);
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    EXPECT_TRUE(PlanHistoryGraph(table, all, 0, {}).caption.ends_with(", 20 (the first 20 of 21 selected)"));
}

TEST(GraphPlan, TickLabelsAreWholeForAWholeStep) {
    EXPECT_EQ(TickLabels({0, 3000, 1000, 3}), (std::vector<std::string>{"0", "1000", "2000", "3000"}));
    EXPECT_EQ(TickLabels({-1, 0.5, 0.5, 3}), (std::vector<std::string>{"-1", "-0.5", "0", "0.5"}));
}

}  // namespace
}  // namespace quillmere::view
