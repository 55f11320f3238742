#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "tournament/StandingsTables.h"

namespace quillmere::tournament {

enum class StandingsFormat {
    Text,  // aligned columns for a terminal, control characters escaped
    Csv,   // RFC 4180, UTF-8, text cells guarded against spreadsheet formulas
    Json,  // one document, docs/standings.schema.json
    Html,  // one self-contained page, every name as text
};

// The season's standings in `format`: one line per player (rank, total, each round's value), then
// the flags of the submissions that stand.
[[nodiscard]] std::string SeasonStandings(const SeasonTable& season, StandingsFormat format);

// One round's table in `format`: every submission with its rank or standing, ruling and flags.
[[nodiscard]] std::string RoundStandings(const RoundTable& round, StandingsFormat format);

// One line per flagged submission that stands: "round 1, submission 3 (Anna, Anna-t200): FLAGS",
// control characters escaped.
[[nodiscard]] std::string FlaggedLines(const SeasonTable& season);

// A table for a window's grid, the same cells as the text: a heading, the column headers, rows of
// cell texts (UTF-8; names are data, to be shown as plain text), which columns hold numbers, the
// submission each row shows (0 for none) and what the marks in the cells mean.
struct StandingsGrid {
    std::string heading;
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::vector<bool> numeric;
    std::vector<std::int64_t> submissions;
    std::string note;
};

// The season's standings, one row per player.
[[nodiscard]] StandingsGrid SeasonGrid(const SeasonTable& season);
// One round's submissions with their ranks, rulings and flags; each row names its submission.
[[nodiscard]] StandingsGrid RoundGrid(const RoundTable& round);
// The flagged submissions that stand, one row each; each row names its submission.
[[nodiscard]] StandingsGrid FlaggedGrid(const SeasonTable& season);

// A time as local ISO 8601 with its offset from UTC, "2005-12-28T10:00:00+03:00", or for people
// "2005-12-28 10:00:00".
[[nodiscard]] std::string IsoLocalTime(std::time_t time);
[[nodiscard]] std::string LocalTimeText(std::time_t time);

}  // namespace quillmere::tournament
