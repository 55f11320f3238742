#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "analysis/SaveDataRec.h"

namespace quillmere::reload {

// The six rule texts of the Reloads tab, as typed.
struct RuleTexts {
    std::string day = "27";
    std::string month = "11";
    std::string year = "2005";
    std::string sessionsPerDay = "1,5";
    std::string minSessionMinutes = "30";
    std::string presessions = "1";
};

// Which rule box a RuleError is about.
enum class RuleField { StartDate, SessionsPerDay, MinSessionMinutes, Presessions };

// A rule text that does not parse. what() is the message without a final full stop, e.g.
// "'-11-2005' is not a valid date".
class RuleError : public std::runtime_error {
public:
    RuleError(RuleField field, const std::string& message) : std::runtime_error(message), m_field(field) {}
    [[nodiscard]] RuleField field() const { return m_field; }

private:
    RuleField m_field;
};

// The parsed tournament rules.
struct Rules {
    double startDate = 0;  // days since 30 December 1899, at 00:00
    long double sessionsPerDay = 1.5L;
    std::int32_t minSessionMinutes = 30;
    std::int32_t presessions = 1;
};

// Parses the texts in the order the reload control reads them (date, sessions per day, minimum
// minutes, presessions); throws RuleError for the first that does not parse. A one- or two-digit
// year lies in the 100 years that start 50 years before `currentYear`. Sessions per day takes
// "," or "." as its decimal separator.
[[nodiscard]] Rules ParseRules(const RuleTexts& texts, int currentYear);

// The reload control for one record: fills PlayDays, Reloads, ReloadPercent (0 unless Turn > 0),
// SessionTime, MaxReloads and Honesty from FileDate, Turn, PlayTime and LoadCount, and sets
// ReloadDone. Reloads and MaxReloads saturate at the 32-bit range. A record that failed to load, or
// has no file date, is left alone.
void RControl(analysis::TSaveDataRec& rec, const Rules& rules);

// RControl for every record of the table, in order.
void ApplyRules(analysis::ResultTable& table, const Rules& rules);

}  // namespace quillmere::reload
