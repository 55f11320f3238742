#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/SaveRecord.h"

namespace quillmere::exporting {

using analysis::SaveStatus;
using analysis::StatusOf;

[[nodiscard]] std::string_view StatusText(SaveStatus status);  // "ok", "blocked", "failed", "not loaded"

// The file's and the player's names as UTF-8.
[[nodiscard]] std::string FileNameUtf8(const analysis::SaveRecord& rec);
[[nodiscard]] std::string NickNameUtf8(const analysis::SaveRecord& rec);

// A date-time value as ISO 8601 local time to the second, "2005-11-29T14:00:00"; empty outside the
// years 1 to 9999.
[[nodiscard]] std::optional<std::string> IsoDateTime(double dateTime);
// The same with the local time's offset from UTC (seconds east of it), "2005-11-29T14:00:00+03:00".
[[nodiscard]] std::optional<std::string> IsoDateTime(double dateTime, std::int32_t utcOffset);
// The same local time as a spreadsheet reads it as a date and time, "2005-11-29 14:00:00".
[[nodiscard]] std::optional<std::string> SpreadsheetDateTime(double dateTime);

// A number with two decimals and "." as the separator, no padding: "4.17", "-0.12".
[[nodiscard]] std::string Decimal2(long double value);

using analysis::FlagsText;

using analysis::HistoryTurns;

}  // namespace quillmere::exporting
