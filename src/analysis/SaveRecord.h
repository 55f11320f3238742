#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/FinalScore.h"
#include "load/GameDigest.h"

namespace quillmere::analysis {

inline constexpr int kHistoryCategories = 7;
inline constexpr int kHistoryTurns = 1201;  // turns 0 to 1200 of the longest game

// A save's history: per category, the value of turn t at index t. A series is stored only up to
// its last non-zero value and a record without a history (a failed one) stores no series at all,
// so read it through HistoryValue: every value not stored is 0.
using HistoryTable = std::vector<std::vector<std::int32_t>>;

// The reload control's verdict on how honestly a game was played.
enum class Verdict { Cheat, Average, Fair };

using load::GameDigest;

// What the reload control derives from one save under one set of rules.
struct ReloadJudgement {
    std::int32_t playDays = 0;  // tournament day the file was saved on; the start date is day 1
    std::int32_t reloads = 0;
    long double reloadPercent = 0;  // reloads per turn, in percent
    std::int32_t sessionTime = 0;   // average seconds of one session
    std::int32_t maxReloads = 0;
    Verdict honesty = Verdict::Fair;
};

// Everything known about one loaded save. nickName and blockText are Windows-1251 bytes as the save
// stores them; fileName is the file's name as the file system has it (normally UTF-8).
// A default-constructed record is all zero, as a record must be before its load fills it.
struct SaveRecord {
    std::string path;                // as the load was given it
    std::string fileName;            // its base name without the extension
    std::optional<double> fileDate;  // days since 30 December 1899; empty when the file time could not be read
    // How far the local time of fileDate is ahead of UTC, in seconds (negative west of it).
    std::int32_t fileDateUtcOffset = 0;
    std::string nickName;
    std::int32_t leaderType = 0;
    std::int32_t civType = 0;
    std::int32_t turn = 0;
    std::int32_t turnLimit = 0;
    std::int32_t year = 0;
    std::int32_t playTime = 0;  // seconds
    std::int32_t loadCount = 0;
    std::int32_t gameOver = 0;
    std::int32_t victoryType = 0;
    std::int32_t score = 0;
    std::int32_t finalScore = 0;
    std::int32_t level = 0;
    std::int32_t cities = 0;
    std::int32_t units = 0;
    std::int32_t techs = 0;
    std::int32_t land = 0;
    long double landPercent = 0;
    std::int32_t population = 0;
    long double populationPercent = 0;
    std::int32_t culture1 = 0;
    std::int32_t culture2 = 0;
    std::int32_t culture3 = 0;
    std::string blockText;
    HistoryTable history;
    // What the tournament checks compare; no grid shows them.
    std::int32_t speedIndex = 0;  // 0..3 for the known game speeds
    std::int32_t mapWidth = 0;
    std::int32_t mapHeight = 0;
    std::int32_t landTotal = 0;
    std::int64_t gameLength = 0;  // bytes of inflated game state
    GameDigest gameHash;          // of those bytes
    // What the Final score was made of, for explaining it; absent in a record made without it.
    std::optional<ScoreInputs> scoreInputs;

    // Not empty when the file could not be loaded or analysed: the user-facing reason.
    // Such a record keeps only fileName and fileDate.
    std::string failure;
    // Present once the reload control has judged the record under valid rules.
    std::optional<ReloadJudgement> reload;
    // What the tournament's checks found against this save, each with its evidence, e.g.
    // "speed Quick (tournament: Normal)"; empty when nothing was found or nothing was checked.
    std::vector<std::string> flags;
};

// The value of `category` (0 to kHistoryCategories - 1) at `turn`; 0 for anything the record does
// not store, whatever the category or turn.
[[nodiscard]] inline std::int32_t HistoryValue(const SaveRecord& rec, int category, int turn) {
    if (category < 0 || turn < 0 || static_cast<std::size_t>(category) >= rec.history.size()) return 0;
    const auto& series = rec.history[static_cast<std::size_t>(category)];
    return static_cast<std::size_t>(turn) < series.size() ? series[static_cast<std::size_t>(turn)] : 0;
}

// The record's flags as one text, "; " between them, as every output lists them.
[[nodiscard]] inline std::string FlagsText(const SaveRecord& rec) {
    std::string text;
    for (const auto& flag : rec.flags) {
        if (!text.empty()) text += "; ";
        text += flag;
    }
    return text;
}

// The failure text of a file that a cancelled batch never reached.
inline constexpr std::string_view kNotLoaded = "not loaded";

// How a save stands: its details are shown only when it was analysed and not blocked.
enum class SaveStatus { Analysed, Blocked, Failed, NotLoaded };

[[nodiscard]] inline SaveStatus StatusOf(const SaveRecord& rec) {
    if (rec.failure == kNotLoaded) return SaveStatus::NotLoaded;
    if (!rec.failure.empty()) return SaveStatus::Failed;
    if (!rec.blockText.empty()) return SaveStatus::Blocked;
    return SaveStatus::Analysed;
}

// True when the row shows every column; false for a blocked save or one that failed to load.
[[nodiscard]] inline bool ShowsDetails(const SaveRecord& rec) { return rec.blockText.empty() && rec.failure.empty(); }

// How many turns of its history a save has: one per turn played, at most the history's length.
[[nodiscard]] inline int HistoryTurns(const SaveRecord& rec) { return std::clamp(rec.turn, 0, kHistoryTurns); }

// The records of the last load, in row order: record i is grid row i + 1 and graph series i.
using ResultTable = std::vector<SaveRecord>;

}  // namespace quillmere::analysis
