#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::tournament {

enum class ScoringMethod {
    FinalScoreSum,  // a player's season is the sum of their Final scores
    RankPoints,     // each round gives points by the player's rank in it, from a table
};

// How a tournament adds its rounds up into the season's standings.
struct Scoring {
    ScoringMethod method = ScoringMethod::FinalScoreSum;
    std::vector<std::int64_t> points;  // RankPoints: rank 1's, rank 2's...; a rank past the table gets 0
    std::optional<int> bestRounds;     // only a player's best N rounds count
    bool operator==(const Scoring&) const = default;
};

// The most entries a points table holds and the most rounds "best N" names.
inline constexpr std::size_t kMostPoints = 1000;
inline constexpr int kMostRounds = 9999;

// The scoring as JSON text, as the archive keeps it: {"method": "sum"} or {"method": "points",
// "points": [25, 18]}, with "best_rounds" when set.
[[nodiscard]] std::string ScoringJson(const Scoring& scoring);
// The scoring ScoringJson wrote; nullopt for anything else.
[[nodiscard]] std::optional<Scoring> ParseScoring(std::string_view json);
// For people: "sum of Final scores", "points by round rank (25, 18, 15), best 4 rounds".
[[nodiscard]] std::string ScoringText(const Scoring& scoring);

}  // namespace quillmere::tournament
