#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tournament/Scoring.h"

namespace quillmere::tournament {

// The referee's ruling on a submission; one that has none is pending.
enum class RulingState { Pending, Accepted, Rejected, Disqualified };

[[nodiscard]] std::string_view StateName(RulingState state);  // "pending", "accepted", ...
[[nodiscard]] std::optional<RulingState> StateNamed(std::string_view name);

// How a submission stands in its round.
enum class Standing {
    Counted,       // the player's current submission, accepted
    Provisional,   // the same, not ruled on yet
    Superseded,    // a later submission of the player in the round replaced it
    Rejected,      // ruled out; a later save of the player may still count
    Disqualified,  // the player's round does not count, whatever they send
    Unscored,      // current and not ruled out, but failed or blocked: no Final score to rank by
};

[[nodiscard]] std::string_view StandingName(Standing standing);  // "counted", "provisional", ...

// One submission of a round, as its ranking needs it.
struct RoundEntry {
    std::int64_t submission = 0;
    std::int64_t player = 0;
    std::int64_t receivedAt = 0;
    std::optional<std::int32_t> finalScore;  // none for a failed or blocked save
    RulingState state = RulingState::Pending;
};

// Where one submission stands in its round.
struct RoundPlace {
    Standing standing = Standing::Provisional;
    std::optional<int> rank;                   // counted and provisional ones with a Final score
    std::optional<std::int64_t> supersededBy;  // for a superseded one
};

// The places of `entries` (one round's submissions), in their order. A player's current submission
// is the one received last (the later submission on a tie); the others are superseded. A
// disqualified submission takes the player's whole round out. The current, counting ones rank by
// Final score, highest first, equal scores sharing a rank (1, 1, 3).
[[nodiscard]] std::vector<RoundPlace> RankRound(std::span<const RoundEntry> entries);

// A player's result in one round, for the season.
struct RoundResult {
    int round = 0;
    std::int64_t player = 0;
    std::int64_t submission = 0;
    std::int32_t finalScore = 0;
    int rank = 0;
    bool provisional = false;
};

// One player's line of the season.
struct SeasonLine {
    std::int64_t player = 0;
    std::optional<int> rank;  // none when no round of theirs counts
    std::int64_t total = 0;
    bool provisional = false;  // some round that makes the total is not ruled on yet
    struct Cell {
        RoundResult result;
        std::int64_t value = 0;  // the Final score or the rank's points
        bool kept = true;        // among the rounds the total adds up (best N)
    };
    std::vector<Cell> cells;  // in round order
};

// The season's standings of `players` from their `results` (at most one per player and round), by
// `scoring`: totals highest first, equal totals sharing a rank, players without a counted round
// last and unranked. Lines of one rank keep the order of `players`.
[[nodiscard]] std::vector<SeasonLine> RankSeason(const Scoring& scoring, std::span<const std::int64_t> players,
                                                 std::span<const RoundResult> results);

}  // namespace quillmere::tournament
