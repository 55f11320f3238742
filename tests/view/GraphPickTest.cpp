#include "view/GraphPick.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillmere::view {
namespace {

// Turns 0 to 10 over 100 pixels and values 0 to 100 over 100 pixels: a turn is 10 pixels across,
// a value one pixel up, from the plot's corner at (50, 150).
GraphPlan TwoLines() {
    GraphPlan plan;
    plan.lines.resize(2);
    plan.lines[0].values = {0, 10, 20, 30, 40};  // turns 0 to 4
    plan.lines[1].values = {5, 25, 25, 25, 25, 25, 25};
    plan.axes.turns = {.min = 0, .max = 10, .step = 1, .ticks = 10};
    plan.axes.values = {.min = 0, .max = 100, .step = 10, .ticks = 10};
    return plan;
}

TEST(GraphPick, TheNearestPointWithinReach) {
    const auto plan = TwoLines();
    const PlotArea area{.left = 50, .top = 50, .width = 100, .height = 100};
    struct Case {
        double x, y;
        std::vector<bool> drawn;
        std::optional<GraphPick> picked;
    };
    const std::vector<Case> cases = {
        {70, 130, {true, true}, GraphPick{0, 2}},    // on line 0's turn 2 (value 20)
        {90, 100, {true, true}, GraphPick{0, 4}},    // 10 px above line 0's turn 4: still in reach
        {90, 99.9, {true, true}, std::nullopt},      // 10.1 px: out of reach
        {74, 125, {true, true}, GraphPick{1, 2}},    // line 1's turn 2 is 4 px away, line 0's 6.4
        {74, 125, {true, false}, GraphPick{0, 2}},   // line 1 hidden
        {74, 125, {true}, GraphPick{0, 2}},          // no flag: not drawn
        {50, 147.5, {true, true}, GraphPick{0, 0}},  // as near to both: the first line's
        {104, 112, {true, true}, std::nullopt},      // line 0 ends at turn 4, 14 px away; line 1 13.6
    };
    for (const auto& c : cases) {
        const auto got = PickGraphPoint(plan, c.drawn, plan.axes, area, c.x, c.y);
        SCOPED_TRACE(testing::Message() << "at " << c.x << ", " << c.y);
        ASSERT_EQ(got.has_value(), c.picked.has_value());
        if (!got) continue;
        EXPECT_EQ(got->line, c.picked->line);
        EXPECT_EQ(got->turn, c.picked->turn);
    }
}

TEST(GraphPick, AZoomRoundsTheDraggedRangesOut) {
    const auto axes = ZoomedAxes(47.2, 12.9, 1830, 260);
    const auto other = ZoomedAxes(12.9, 47.2, 260, 1830);
    EXPECT_EQ(axes.turns.min, 10);
    EXPECT_EQ(axes.turns.max, 50);
    EXPECT_EQ(axes.turns.step, 5);
    EXPECT_LE(axes.values.min, 260);
    EXPECT_GE(axes.values.max, 1830);
    EXPECT_EQ(other.turns.min, axes.turns.min);
    EXPECT_EQ(other.values.max, axes.values.max);
}

}  // namespace
}  // namespace quillmere::view
