#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillmere::analysis {

inline constexpr int kHistoryCategories = 7;
inline constexpr int kHistoryTurns = 1201;  // turns 0 to 1200 of the longest game

using HistoryTable = std::array<std::array<std::int32_t, kHistoryTurns>, kHistoryCategories>;

// Everything known about one loaded save. 8-bit texts are Windows-1251 byte strings.
// A default-constructed record is all zero, as a record must be before its load fills it.
struct TSaveDataRec {
    std::string FileName;
    std::optional<double> FileDate;  // days since 30 December 1899; empty when the file time could not be read
    std::string NickName;
    std::int32_t LeaderType = 0;
    std::int32_t CivType = 0;
    std::int32_t Turn = 0;
    std::int32_t TurnLimit = 0;
    std::int32_t Year = 0;
    std::int32_t PlayTime = 0;
    std::int32_t LoadCount = 0;
    std::int32_t Reloads = 0;
    long double ReloadPercent = 0;
    std::int32_t SessionTime = 0;
    std::int32_t MaxReloads = 0;
    std::int32_t Honesty = 0;
    std::int32_t PlayDays = 0;
    std::int32_t GameOver = 0;
    std::int32_t VictoryType = 0;
    std::int32_t Score = 0;
    std::int32_t FinalScore = 0;
    std::int32_t Level = 0;
    std::int32_t Cities = 0;
    std::int32_t Units = 0;
    std::int32_t Techs = 0;
    std::int32_t Land = 0;
    long double LandPercent = 0;
    std::int32_t Population = 0;
    long double PopulationPercent = 0;
    std::int32_t Culture1 = 0;
    std::int32_t Culture2 = 0;
    std::int32_t Culture3 = 0;
    std::string BlockText;
    HistoryTable History{};

    // Not empty when the file could not be loaded or analysed: the user-facing reason.
    // Such a record keeps only FileName and FileDate.
    std::string Failure;
    // True once the reload control has filled PlayDays to Honesty under valid rules.
    bool ReloadDone = false;
};

// True when the row shows every column; false for a blocked save or one that failed to load.
[[nodiscard]] inline bool ShowsDetails(const TSaveDataRec& rec) {
    return rec.BlockText.empty() && rec.Failure.empty();
}

// The records of the last load, in row order: record i is grid row i + 1 and graph series i.
using ResultTable = std::vector<TSaveDataRec>;

// Swaps record i with record i + 1, texts and histories included.
void XchgRec(ResultTable& table, std::size_t i);

}  // namespace quillmere::analysis
