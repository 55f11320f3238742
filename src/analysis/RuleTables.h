#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quillmere::analysis {

// The game's constant rules: speeds, difficulty levels, research-cost settings, technologies and
// the name tables. An index outside a percent or factor table takes the value of the table's
// middle entry (speed 2, level 3, cost setting 3).

inline constexpr int kTechCount = 86;
inline constexpr int kFutureTech = 85;  // the repeatable last technology

struct Technology {
    std::string_view name;
    std::int32_t cost;
};

extern const std::array<Technology, kTechCount> kTechnologies;

// The last turn of a game speed 0..3; empty for any other speed.
[[nodiscard]] std::optional<std::int32_t> LastTurn(std::int32_t speedIndex);
[[nodiscard]] std::int32_t SpeedPercent(std::int32_t speedIndex);
[[nodiscard]] double DifficultyFactor(std::int32_t level);
[[nodiscard]] std::int32_t LevelPercent(std::int32_t level);
[[nodiscard]] std::int32_t CostSettingPercent(std::int32_t costSetting);

// Names for the grids; empty outside their tables.
[[nodiscard]] std::optional<std::string_view> SpeedName(std::int32_t speedIndex);
[[nodiscard]] std::optional<std::string_view> LevelName(std::int32_t level);
[[nodiscard]] std::optional<std::string_view> LeaderName(std::int32_t leaderType);
[[nodiscard]] std::optional<std::string_view> CivName(std::int32_t civType);

// The index a name has in its table (exact spelling); empty for a name not in it.
[[nodiscard]] std::optional<std::int32_t> SpeedIndexNamed(std::string_view name);
[[nodiscard]] std::optional<std::int32_t> LevelNamed(std::string_view name);
[[nodiscard]] std::optional<std::int32_t> LeaderNamed(std::string_view name);
[[nodiscard]] std::optional<std::int32_t> CivNamed(std::string_view name);

struct CalendarDate {
    std::int32_t year;
    std::int32_t workingTurn;  // the turn clamped to 0..last turn of the speed
};

// The calendar year of `turn` (negative = BC) for a game speed, computed from the turn as given;
// the working turn is clamped to the speed's range. A speed outside 0..3 gives year -9999 and
// clamps only a negative turn.
[[nodiscard]] CalendarDate DateOfTurn(std::int32_t speedIndex, std::int32_t turn);

// The three percents that scale research costs, taken from one save's settings.
struct CostPercents {
    std::int32_t level = 100;
    std::int32_t costSetting = 130;
    std::int32_t speed = 100;
};

[[nodiscard]] CostPercents CostPercentsOf(std::int32_t level, std::int32_t costSetting, std::int32_t speedIndex);

// Research cost of technology `tech` under a save's settings, in truncating int32 steps;
// 0 for an index outside 0..85.
[[nodiscard]] std::int32_t TechCost(std::int32_t tech, const CostPercents& percents);

}  // namespace quillmere::analysis
