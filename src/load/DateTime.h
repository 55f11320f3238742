#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

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

// A date-time value as its calendar date and the time of day to the second: what the grids'
// texts and the exports' ISO dates are both written from.
struct DateTimeParts {
    std::chrono::year_month_day date;
    int hour = 0;
    int minute = 0;
    int second = 0;

    [[nodiscard]] bool midnight() const { return hour == 0 && minute == 0 && second == 0; }
};

// The parts of `dateTime`, its fraction rounded to the nearest second (the date, and before 1900
// the fraction's size, carry on past a whole day); nothing outside the years 1 to 9999.
[[nodiscard]] std::optional<DateTimeParts> SplitDateTime(double dateTime);

}  // namespace quillmere::load
