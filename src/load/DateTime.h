#pragma once

#include <chrono>
#include <cstdint>

namespace quillmere::load {

// Date-time values count days since 30 December 1899; the fraction is the time of day.
inline constexpr std::chrono::sys_days kDayZero = std::chrono::year{1899} / std::chrono::December / 30;

// The day number of a calendar date (negative before day zero).
[[nodiscard]] constexpr std::int64_t DayNumberOf(std::chrono::year_month_day date) {
    return (std::chrono::sys_days{date} - kDayZero).count();
}

// The calendar date of a day number.
[[nodiscard]] constexpr std::chrono::year_month_day DateOfDayNumber(std::int64_t days) {
    return std::chrono::year_month_day{kDayZero + std::chrono::days{days}};
}

}  // namespace quillmere::load
