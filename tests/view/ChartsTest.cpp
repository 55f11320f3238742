#include "view/Charts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>

namespace quillmere::view {
namespace {

TEST(NiceScale, CoversTheRangeWithRoundStepsWithinTheTickCount) {
    struct Case {
        double low, high;
        int maxTicks;
        AxisScale scale;
    };
    const Case cases[] = {
        {0, 99, 10, {0, 100, 10, 10}},     // 10 steps of 10 exactly fill the ticks
        {0, 100, 10, {0, 100, 10, 10}},    // the top lands on a tick
        {0, 101, 10, {0, 120, 20, 6}},     // one more would take 11 ticks
        {-35, 120, 6, {-50, 150, 50, 4}},  // 20 would need 8 intervals, 50 needs 4
        {3, 3, 6, {3, 4, 0.2, 5}},         // a flat range becomes one unit wide
        {0, 1, 1, {0, 1, 1, 1}},
        {877.459, 877.472, 2, {877.44, 877.48, 0.02, 2}},  // narrow and far from zero: a step over 10 x 0.001
        {-1, 1, 1, {-2, 2, 2, 2}},                         // no single interval holds a range around zero
    };
    for (const auto& c : cases) {
        const auto s = NiceScale(c.low, c.high, c.maxTicks);
        EXPECT_DOUBLE_EQ(s.min, c.scale.min) << c.low << ".." << c.high;
        EXPECT_DOUBLE_EQ(s.max, c.scale.max) << c.low << ".." << c.high;
        EXPECT_DOUBLE_EQ(s.step, c.scale.step) << c.low << ".." << c.high;
        EXPECT_EQ(s.ticks, c.scale.ticks) << c.low << ".." << c.high;
    }
}

TEST(NiceScale, AnyRangeGetsAnAxisThatHoldsIt) {
    std::mt19937 random(18);
    std::uniform_real_distribution<double> magnitude(-3, 7);
    for (int i = 0; i < 2000; ++i) {
        const double a = std::pow(10.0, magnitude(random)) * (random() % 3 == 0 ? -1 : 1);
        const double b = a + std::pow(10.0, magnitude(random));
        const int maxTicks = 1 + static_cast<int>(random() % 10);
        const auto s = NiceScale(b, a, maxTicks);  // the ends in either order
        ASSERT_LE(s.min, a) << a << ".." << b;
        ASSERT_GE(s.max, b) << a << ".." << b;
        ASSERT_GE(s.ticks, 1) << a << ".." << b;
        ASSERT_LE(s.ticks, std::max(maxTicks, 2)) << a << ".." << b;
        ASSERT_NEAR(s.min + s.ticks * s.step, s.max, std::abs(s.max) * 1e-12 + s.step * 1e-9);
        const double mantissa = s.step / std::pow(10.0, std::floor(std::log10(s.step) + 1e-12));
        ASSERT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 || std::abs(mantissa - 5) < 1e-9)
            << s.step;
    }
}

TEST(NiceScale, NonFiniteEndsAndNoTicksStillGiveAnAxis) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [low, high] : {std::pair{nan, 5.0}, std::pair{0.0, inf}, std::pair{-inf, nan}}) {
        const auto s = NiceScale(low, high, 6);
        EXPECT_DOUBLE_EQ(s.min, 0);
        EXPECT_DOUBLE_EQ(s.max, 1);
        EXPECT_GE(s.ticks, 1);
    }
    EXPECT_EQ(NiceScale(0, 10, 0).ticks, 1);
}

TEST(ChartedRows, TakesTheFirstSelectedRowsOrElseTheFirstRowsOfTheTable) {
    analysis::ResultTable table(25);
    table[1].failure = "not a save file";
    table[3].blockText = "team game";
    std::vector<std::size_t> firstAnalysed = {0, 2};
    for (std::size_t row = 4; firstAnalysed.size() < kChartedSaves; ++row) firstAnalysed.push_back(row);
    std::vector<std::size_t> everyRow(table.size());
    std::iota(everyRow.begin(), everyRow.end(), std::size_t{0});
    const std::vector<std::size_t> picked = {24, 1, 25, 3};
    const std::vector<std::size_t> firstRows(everyRow.begin(), everyRow.begin() + kChartedSaves);
    using enum RowsWithoutDetails;
    const std::tuple<const char*, std::vector<std::size_t>, RowsWithoutDetails, std::vector<std::size_t>> cases[] = {
        {"none selected, every row in its place", {}, KeepTheirPlace, firstRows},
        {"none selected, rows without details left out", {}, LeftOut, firstAnalysed},
        {"selected rows in their order, those past the table left out", picked, LeftOut, {24, 1, 3}},
        {"at most one per colour", everyRow, LeftOut, firstRows},
    };
    for (const auto& [name, selected, withoutDetails, expected] : cases)
        EXPECT_EQ(ChartedRows(table, selected, withoutDetails), expected) << name;
    EXPECT_TRUE(ChartedRows({}, {}, KeepTheirPlace).empty());
}

TEST(HistoryCategoryKey, IsTheNameInLowerCaseAndEmptyOutsideTheCategories) {
    EXPECT_EQ(HistoryCategoryKey(0), "score");
    EXPECT_EQ(HistoryCategoryKey(analysis::kHistoryCategories - 1), "science");
    EXPECT_EQ(HistoryCategoryKey(analysis::kHistoryCategories), "");
    EXPECT_EQ(HistoryCategoryKey(-1), "");
}

TEST(HistoryGraphAxes, OnlyTheEconomyGoesBelowZeroAndAFlatGraphStillSpansTen) {
    const auto economy = HistoryGraphAxes(1, -35, 12, 5);
    EXPECT_LE(economy.values.min, -35);
    const auto score = HistoryGraphAxes(0, -35, 12, 5);
    EXPECT_EQ(score.values.min, 0);
    EXPECT_GE(score.values.max, 12);
    const auto flat = HistoryGraphAxes(2, 0, 0, 0);
    EXPECT_EQ(flat.values.max, 10);
    EXPECT_EQ(flat.turns.max, 10);
    EXPECT_EQ(HistoryGraphAxes(0, 0, 500, 301).turns.max, 300);
}

}  // namespace
}  // namespace quillmere::view
