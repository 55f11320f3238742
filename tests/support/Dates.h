#pragma once

#include <chrono>

#include "load/DateTime.h"

namespace quillmere::testsupport {

// A date-time value: days since 30 December 1899, fraction = time of day.
[[nodiscard]] inline double DateOf(int y, unsigned m, unsigned d, int hour = 0, int minute = 0, int second = 0) {
    const auto date = std::chrono::year{y} / std::chrono::month{m} / std::chrono::day{d};
    return static_cast<double>(load::DayNumberOf(date)) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

}  // namespace quillmere::testsupport
