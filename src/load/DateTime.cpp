#include "load/DateTime.h"

#include <cmath>

namespace quillmere::load {

std::optional<DateTimeParts> SplitDateTime(double dateTime) {
    // Days from 1 January 1 to 31 December 9999, counted from 30 December 1899.
    if (!std::isfinite(dateTime) || dateTime < -693593.0 || dateTime >= 2958466.0) return std::nullopt;
    // The whole days give the date and the fraction's size the time of day, also before 1900.
    auto days = static_cast<long>(dateTime);
    auto secondOfDay = static_cast<long>(std::nearbyint(std::fabs(dateTime - static_cast<double>(days)) * 86400.0));
    if (secondOfDay == 86400) {
        secondOfDay = 0;
        days += dateTime < 0 ? -1 : 1;
    }
    return DateTimeParts{.date = DateOfDayNumber(days),
                         .hour = static_cast<int>(secondOfDay / 3600),
                         .minute = static_cast<int>(secondOfDay / 60 % 60),
                         .second = static_cast<int>(secondOfDay % 60)};
}

}  // namespace quillmere::load
