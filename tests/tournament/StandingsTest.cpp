#include "tournament/Standings.h"

#include <gtest/gtest.h>

namespace quillmere::tournament {
namespace {

using S = Standing;

RoundEntry entry(std::int64_t submission, std::int64_t player, std::optional<std::int32_t> score,
                 RulingState state = RulingState::Pending, std::int64_t receivedAt = 100) {
    return {submission, player, receivedAt, score, state};
}

std::vector<S> standingsOf(const std::vector<RoundPlace>& places) {
    std::vector<S> standings;
    for (const auto& place : places) standings.push_back(place.standing);
    return standings;
}

std::vector<std::optional<int>> ranksOf(const std::vector<RoundPlace>& places) {
    std::vector<std::optional<int>> ranks;
    for (const auto& place : places) ranks.push_back(place.rank);
    return ranks;
}

TEST(RankRound, EqualFinalScoresShareARankAndTheNextRankSkips) {
    const std::vector<RoundEntry> entries = {entry(1, 1, 500), entry(2, 2, 700), entry(3, 3, 500), entry(4, 4, 400)};
    EXPECT_EQ(ranksOf(RankRound(entries)), (std::vector<std::optional<int>>{2, 1, 2, 4}));
}

TEST(RankRound, ThePlayersLastReceivedSaveCountsAndTheEarlierOnesNameIt) {
    // Player 1 sent three saves; the second came in last (a mailed save given its receive time).
    const std::vector<RoundEntry> entries = {entry(1, 1, 900, RulingState::Pending, 100),
                                             entry(2, 1, 300, RulingState::Pending, 300),
                                             entry(3, 1, 800, RulingState::Pending, 200), entry(4, 2, 400)};
    const auto places = RankRound(entries);
    EXPECT_EQ(standingsOf(places), (std::vector<S>{S::Superseded, S::Provisional, S::Superseded, S::Provisional}));
    EXPECT_EQ(places[0].supersededBy, 2);
    EXPECT_EQ(places[2].supersededBy, 2);
    EXPECT_EQ(ranksOf(places), (std::vector<std::optional<int>>{std::nullopt, 2, std::nullopt, 1}));
}

TEST(RankRound, OnTheSameReceiveTimeTheLaterSubmissionCounts) {
    const auto places = RankRound(std::vector<RoundEntry>{entry(7, 1, 900), entry(8, 1, 300)});
    EXPECT_EQ(standingsOf(places), (std::vector<S>{S::Superseded, S::Provisional}));
}

TEST(RankRound, RulingsDecideWhatCounts) {
    const std::vector<RoundEntry> entries = {
        entry(1, 1, 900, RulingState::Rejected),          entry(2, 2, 800, RulingState::Accepted),     entry(3, 3, 700),
        entry(4, 4, std::nullopt, RulingState::Accepted), entry(5, 5, 600, RulingState::Disqualified),
    };
    const auto places = RankRound(entries);
    EXPECT_EQ(standingsOf(places),
              (std::vector<S>{S::Rejected, S::Counted, S::Provisional, S::Unscored, S::Disqualified}));
    EXPECT_EQ(ranksOf(places), (std::vector<std::optional<int>>{std::nullopt, 1, 2, std::nullopt, std::nullopt}));
}

TEST(RankRound, ARejectedSaveIsReplacedByALaterOneButADisqualifiedPlayerStaysOut) {
    const std::vector<RoundEntry> entries = {
        entry(1, 1, 900, RulingState::Rejected, 100),
        entry(2, 1, 500, RulingState::Pending, 200),
        entry(3, 2, 900, RulingState::Disqualified, 100),
        entry(4, 2, 500, RulingState::Accepted, 200),
    };
    const auto places = RankRound(entries);
    EXPECT_EQ(standingsOf(places), (std::vector<S>{S::Superseded, S::Provisional, S::Disqualified, S::Disqualified}));
    EXPECT_EQ(places[2].supersededBy, 4);
    EXPECT_EQ(places[1].rank, 1);
}

RoundResult result(int round, std::int64_t player, std::int32_t score, int rank, bool provisional = false) {
    return {round, player, round * 100 + player, score, rank, provisional};
}

struct SeasonCase {
    const char* name;
    Scoring scoring;
    std::vector<std::int64_t> expectedOrder;
    std::vector<std::int64_t> expectedTotals;
    std::vector<std::optional<int>> expectedRanks;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SeasonCase& c, std::ostream* out) { *out << c.name; }

class RankSeasonCases : public testing::TestWithParam<SeasonCase> {};

// Three players over three rounds; player 4 has no round that counts.
const std::vector<RoundResult> kResults = {
    result(1, 1, 1000, 1), result(1, 2, 600, 2), result(1, 3, 500, 3),  //
    result(2, 1, 200, 3),  result(2, 2, 900, 1), result(2, 3, 800, 2),  //
    result(3, 2, 100, 2),  result(3, 3, 700, 1),
};

INSTANTIATE_TEST_SUITE_P(
    Scorings, RankSeasonCases,
    testing::Values(
        SeasonCase{"SumOfFinalScores", Scoring{}, {3, 2, 1, 4}, {2000, 1600, 1200, 0}, {1, 2, 3, std::nullopt}},
        SeasonCase{"PointsByRankPastTheTableGiveNothing",
                   Scoring{ScoringMethod::RankPoints, {10, 6}, std::nullopt},
                   {2, 3, 1, 4},
                   {22, 16, 10, 0},
                   {1, 2, 3, std::nullopt}},
        SeasonCase{"BestTwoRoundsDropTheWorst",
                   Scoring{ScoringMethod::FinalScoreSum, {}, 2},
                   {2, 3, 1, 4},
                   {1500, 1500, 1200, 0},
                   {1, 1, 3, std::nullopt}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_P(RankSeasonCases, OrdersRanksAndTotalsThePlayers) {
    const auto& c = GetParam();
    const std::vector<std::int64_t> players = {1, 2, 3, 4};
    const auto lines = RankSeason(c.scoring, players, kResults);
    std::vector<std::int64_t> order;
    std::vector<std::int64_t> totals;
    std::vector<std::optional<int>> ranks;
    for (const auto& line : lines) {
        order.push_back(line.player);
        totals.push_back(line.total);
        ranks.push_back(line.rank);
    }
    EXPECT_EQ(order, c.expectedOrder);
    EXPECT_EQ(totals, c.expectedTotals);
    EXPECT_EQ(ranks, c.expectedRanks);
}

TEST(RankSeason, TiedRanksShareTheirRanksPoints) {
    const Scoring points{ScoringMethod::RankPoints, {10, 6, 3}, std::nullopt};
    const std::vector<std::int64_t> players = {1, 2, 3};
    const auto lines = RankSeason(
        points, players, std::vector<RoundResult>{result(1, 1, 500, 1), result(1, 2, 500, 1), result(1, 3, 100, 3)});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].total, 10);
    EXPECT_EQ(lines[1].total, 10);
    EXPECT_EQ(lines[2].total, 3);
    EXPECT_EQ(lines[1].rank, 1);
    EXPECT_EQ(lines[2].rank, 3);
}

TEST(RankSeason, OnlyTheRoundsThatMakeTheTotalMakeItProvisional) {
    const Scoring bestOne{ScoringMethod::FinalScoreSum, {}, 1};
    const std::vector<std::int64_t> players = {1, 2};
    const auto lines = RankSeason(bestOne, players,
                                  std::vector<RoundResult>{result(1, 1, 900, 1), result(2, 1, 100, 2, true),
                                                           result(1, 2, 800, 2), result(2, 2, 950, 1, true)});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].player, 2);
    EXPECT_TRUE(lines[0].provisional);
    EXPECT_FALSE(lines[1].provisional);
    EXPECT_FALSE(lines[1].cells[1].kept);
}

}  // namespace
}  // namespace quillmere::tournament
