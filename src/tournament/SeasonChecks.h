#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/SaveRecord.h"
#include "reload/Rules.h"
#include "session/Profile.h"

namespace quillmere::tournament {

// What the checks across rounds and players read of one submission.
struct SubmissionFacts {
    std::int64_t submission = 0;
    int round = 0;
    std::int64_t player = 0;
    std::string playerName;  // UTF-8
    std::string fileName;    // the record's file name, UTF-8
    bool shown = false;      // analysed in detail (analysis::ShowsDetails)
    bool current = false;    // the player's submission that stands in the round
    bool ruledOut = false;   // rejected or disqualified: flagged itself, but no evidence against others
    std::string nickName;    // as the save stores it (Windows-1251)
    std::int64_t gameLength = 0;
    analysis::GameDigest gameHash;
};

// The flags that only a whole season shows, by submission, each with its evidence; only saves
// analysed in detail are checked:
// - the same game data as a submission of another round: "same game data as Bea-r1 in round 1
//   (player Bea, submission 4)", naming the earliest (same-round copies are the round's own check);
// A submission ruled out is checked, but names no other: the referee has dealt with it.
// - a player playing under another name than in their last earlier round: "plays as 'Dima', in
//   round 2 as 'Dmitri'";
// - one in-game name played by two players: "the name 'Bea' is also played by Carl (round 1,
//   submission 8)", naming the other's earliest submission.
[[nodiscard]] std::map<std::int64_t, std::vector<std::string>> CheckSeason(std::span<const SubmissionFacts> facts);

// "received on day 33 (deadline: day 30)" when `receivedAt` falls after the last day the profile
// allows, counted in the local calendar from the rules' start date as day 1; nothing otherwise or
// when the profile has no deadline.
[[nodiscard]] std::optional<std::string> LateReceipt(std::time_t receivedAt, const session::Profile& profile,
                                                     const reload::Rules& rules);

}  // namespace quillmere::tournament
