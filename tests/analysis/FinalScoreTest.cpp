#include "analysis/FinalScore.h"

#include <gtest/gtest.h>

#include <ostream>

namespace quillmere::analysis {
namespace {

// Component k, whose weight is kScoreWeight[k], of statistic S, start B and end value E.
struct Case {
    std::int32_t S, B, E;
    std::size_t k;
    std::int32_t T, L;
    double F;
    std::int64_t component;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << "S=" << c.S << " B=" << c.B << " E=" << c.E << " k=" << c.k << " T=" << c.T << " L=" << c.L << " F=" << c.F;
}

class FScore : public testing::TestWithParam<Case> {};

TEST_P(FScore, TruncatesTheWeightedRatioToTheExpectedCurve) {
    const auto& c = GetParam();
    ScoreInputs in{.turn = c.T, .turnLimit = c.L, .difficultyFactor = c.F};
    in.stat.fill(c.S);
    in.start[c.k] = c.B;
    in.end[c.k] = c.E;
    EXPECT_EQ(FinalScoreComponent(in, c.k), c.component);
}

INSTANTIATE_TEST_SUITE_P(WorkedValues, FScore,
                         testing::Values(Case{150, 10, 1000, 0, 100, 460, 1.0, 27559},  // 10 x 100^(100/460)
                                         Case{150, 10, 1000, 0, 0, 460, 1.0, 75000},    // turn 0: exactly B
                                         Case{150, 0, 1000, 0, 230, 460, 1.0, 1500},    // linear curve
                                         Case{40, 3, 10, 1, 460, 460, 1.2, 10666},      // n = Trunc(10/3) = 3, V = 9
                                         Case{150, 10, 1000, 0, 100, 0, 0.4, 20438},    // limit 0 counts as 1200
                                         Case{150, 0, 1000, 0, 1, 1, 1.0, 750},  // limit 1 is a limit: the whole curve
                                         Case{7, 20, 10, 3, 50, 320, 1.0, 0},    // n = 0
                                         Case{7, 20, 10, 3, 0, 320, 1.0, 350},   // n = 0 but turn 0: V = B
                                         Case{7, 0, 10, 3, 0, 320, 1.0, 0},      // B <= 0 at turn 0: V = 0
                                         Case{-27, 10000, 1000, 3, 0, 460, 1.0, -2},  // -2.7 truncates toward zero
                                         Case{150, 10, -1000, 0, 460, 460, 1.0, 0},  // negative base, exponent 1: V < 0
                                         Case{150, 10, -1000, 0, 920, 460, 1.0,
                                              7},  // negative base squared: V = 100000
                                         Case{150, 10, -1000, 0, 100, 460, 1.0, 0},  // negative base, fractional power
                                         Case{500000, 1, 1, 0, 10, 460, 2.0, 5000000000},  // S x W beyond int32
                                         Case{8625, 23, 1867, 0, 105, 420, 2.5, 1562500}   // 81^(1/4) is exactly 3
                                         ));

TEST(FinalScore, SumsTheFourComponentsWithStatisticsThreeAndFourSwapped) {
    ScoreInputs in;
    in.stat = {10, 20, 30, 40};
    in.start = {10, 10, 10, 10};
    in.end = {10, 10, 10, 10};
    in.turn = 0;
    in.turnLimit = 460;
    in.difficultyFactor = 1.0;
    // Each V = 10: 10x5000/10 + 20x2000/10 + 40x2000/10 + 30x1000/10.
    EXPECT_EQ(FinalScore(in), 5000 + 4000 + 8000 + 3000);
    // The same inputs give the same result every time: no state carries over.
    EXPECT_EQ(FinalScore(in), 20000);
}

}  // namespace
}  // namespace quillmere::analysis
