#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/SaveRecord.h"
#include "session/Profile.h"
#include "tournament/Scoring.h"
#include "tournament/Standings.h"

namespace quillmere::tournament {

// A round as the archive holds it.
struct RoundInfo {
    int number = 0;
    std::string title;
    session::Profile profile;  // its settings, rules, start date and deadline
    std::string profileName;   // the name the profile goes by
    std::size_t submissions = 0;
    bool acceptsLate = false;  // an upload after the deadline is kept, flagged late; otherwise refused
};

// The latest ruling on a submission.
struct Ruling {
    RulingState state = RulingState::Pending;
    std::string reason;
    std::string by;
    std::int64_t at = 0;  // Unix seconds
};

// One submission as the standings show it. Texts are UTF-8.
struct SubmissionRow {
    std::int64_t id = 0;
    int round = 0;
    std::int64_t player = 0;
    std::string playerName;
    std::string path;      // the file's name or path as it came in
    std::string fileName;  // its base name, as the reports show it
    std::int64_t receivedAt = 0;
    std::int64_t fileTime = 0;
    std::string sha256;  // hexadecimal
    analysis::SaveStatus status = analysis::SaveStatus::Analysed;
    std::string failure;
    std::string nickName;
    std::int32_t finalScore = 0;  // meaningful only when status is Analysed
    std::optional<analysis::Verdict> verdict;
    std::optional<Ruling> ruling;  // none: pending
    RoundPlace place;
    bool late = false;               // received after the round's deadline (one of its flags says so)
    std::vector<std::string> flags;  // the round's checks, then the season's
};

// A round's table: every submission, the ranked ones first in rank order, then the rest in the
// order they came in.
struct RoundTable {
    std::string tournament;
    RoundInfo round;
    std::vector<SubmissionRow> rows;
};

// The season: one line per player, the flags of the submissions that stand, and what it was made of.
struct SeasonTable {
    std::string tournament;
    Scoring scoring;
    std::vector<RoundInfo> rounds;
    struct Line {
        SeasonLine standing;
        std::string playerName;
    };
    std::vector<Line> lines;
    // Every submission that stands (neither superseded nor ruled out) and carries a flag, by round
    // and then id: what is left for the referee to look at.
    std::vector<SubmissionRow> flagged;
};

}  // namespace quillmere::tournament
