#include "analysis/RuleTables.h"

#include <gtest/gtest.h>

namespace quillmere::analysis {
namespace {

TEST(DateOfTurn, RunsFromMinus4000ToYear2050ForEverySpeed) {
    for (std::int32_t speed = 0; speed <= 3; ++speed) {
        const std::int32_t last = *LastTurn(speed);
        EXPECT_EQ(DateOfTurn(speed, 0).year, -4000) << speed;
        EXPECT_EQ(DateOfTurn(speed, last).year, 2050) << speed;
        EXPECT_EQ(DateOfTurn(speed, last).workingTurn, last) << speed;
        // Continuous: no piece jumps by more than its slope at a joint.
        for (std::int32_t t = 1; t <= last; ++t) {
            const auto step = DateOfTurn(speed, t).year - DateOfTurn(speed, t - 1).year;
            EXPECT_GE(step, 1) << speed << " " << t;
            EXPECT_LE(step, 60) << speed << " " << t;
        }
    }
}

TEST(DateOfTurn, MatchesTheCalendarAtItsJointsAndEnds) {
    struct Case {
        std::int32_t speed, turn, year, workingTurn;
    };
    const Case cases[] = {
        {3, 80, 50, 80},       {3, 81, 80, 81},     {3, 50, -1000, 50},  {3, 51, -965, 51},    {3, 270, 2000, 270},
        {3, 271, 2001, 271},   {2, 115, 0, 115},    {2, 75, -1000, 75},  {2, 76, -975, 76},    {2, 331, 1921, 331},
        {1, 100, -1000, 100},  {1, 101, -985, 101}, {1, 421, 1811, 421}, {0, 300, 0, 300},     {0, 200, -1000, 200},
        {0, 541, 1391, 541},   {3, 330, 2060, 320}, {1, -5, -4150, 0},   {5, 100, -9999, 100}, {-1, -3, -9999, 0},
        {0, 1300, 2150, 1200},
    };
    for (const auto& c : cases) {
        const auto date = DateOfTurn(c.speed, c.turn);
        EXPECT_EQ(date.year, c.year) << c.speed << "/" << c.turn;
        EXPECT_EQ(date.workingTurn, c.workingTurn) << c.speed << "/" << c.turn;
    }
}

TEST(DateOfTurn, WildTurnsDoNotOverflow) {
    EXPECT_EQ(DateOfTurn(3, INT32_MIN).workingTurn, 0);
    EXPECT_EQ(DateOfTurn(0, INT32_MAX).workingTurn, 1200);
    (void)DateOfTurn(3, INT32_MIN).year;  // wraps like the stored int32, without undefined behaviour
}

TEST(TechCost, TruncatesAtEveryStep) {
    const auto mysticism = 0;
    EXPECT_EQ(TechCost(mysticism, CostPercentsOf(3, 3, 2)), 65);
    EXPECT_EQ(TechCost(mysticism, CostPercentsOf(3, 3, 3)), 43);
    EXPECT_EQ(TechCost(kFutureTech, CostPercentsOf(8, 5, 0)), 58500);
    EXPECT_EQ(TechCost(7, CostPercentsOf(5, 2, 1)), 723);
    EXPECT_EQ(TechCost(86, CostPercentsOf(3, 3, 2)), 0);
    EXPECT_EQ(TechCost(-1, CostPercentsOf(3, 3, 2)), 0);
}

TEST(RuleTables, IndexesOutsideATableTakeItsMiddleEntry) {
    for (const std::int32_t bad : {-1, 9, 1000}) {
        EXPECT_EQ(DifficultyFactor(bad), 1.0);
        EXPECT_EQ(LevelPercent(bad), 100);
        EXPECT_FALSE(LevelName(bad).has_value());
    }
    EXPECT_EQ(CostSettingPercent(6), 130);
    EXPECT_EQ(CostSettingPercent(-1), 130);
    EXPECT_EQ(SpeedPercent(4), 100);
    EXPECT_EQ(SpeedPercent(0), 300);
    EXPECT_EQ(DifficultyFactor(0), 0.4);
    EXPECT_EQ(DifficultyFactor(8), 2.0);
    EXPECT_EQ(LevelName(8), "Deity");
}

TEST(RuleTables, NameTablesHaveTheirFixedSizes) {
    EXPECT_EQ(LeaderName(0), "Barbarian");
    EXPECT_EQ(LeaderName(9), "Genghis Khan");
    EXPECT_EQ(LeaderName(26), "Washington");
    EXPECT_FALSE(LeaderName(27).has_value());
    EXPECT_FALSE(LeaderName(-1).has_value());
    EXPECT_EQ(CivName(0), "America");
    EXPECT_EQ(CivName(19), "Barbarian");
    EXPECT_FALSE(CivName(20).has_value());
    EXPECT_EQ(kTechnologies[7].name, "Code of Lows");
    EXPECT_EQ(kTechnologies[kFutureTech].name, "Future Tech");
    EXPECT_EQ(kTechnologies[56].name, "Hunting");
    std::int64_t total = 0;
    for (const auto& tech : kTechnologies) total += tech.cost;
    EXPECT_EQ(total, 196120);  // guards against a slipped row
}

}  // namespace
}  // namespace quillmere::analysis
