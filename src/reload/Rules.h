#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillmere::reload {

// The six rule texts of the Reloads tab, as typed.
struct RuleTexts {
    std::string day = "27";
    std::string month = "11";
    std::string year = "2005";
    std::string sessionsPerDay = "1,5";
    std::string minSessionMinutes = "30";
    std::string presessions = "1";

    bool operator==(const RuleTexts&) const = default;
};

// Which rule a RuleError is about; the start date's three texts form one rule.
enum class RuleField { StartDate, SessionsPerDay, MinSessionMinutes, Presessions };

// A rule text that does not parse. The message has no final full stop, e.g.
// "'-11-2005' is not a valid date".
struct RuleError {
    RuleField field;
    std::string message;
};

// The parsed tournament rules.
struct Rules {
    double startDate = 0;  // days since 30 December 1899, at 00:00
    long double sessionsPerDay = 1.5L;
    std::int32_t minSessionMinutes = 30;
    std::int32_t presessions = 1;
};

// The outcome of parsing all rule texts: the rules when every text parses, else one error per
// rule that does not, in the order date, sessions per day, minimum minutes, presessions.
struct RuleCheck {
    std::optional<Rules> rules;
    std::vector<RuleError> errors;
};

// Parses every rule text. A one- or two-digit year lies in the 100 years that start 50 years
// before `currentYear`. Sessions per day takes "," or "." as its decimal separator.
[[nodiscard]] RuleCheck CheckRules(const RuleTexts& texts, int currentYear);

// The calendar year of the local date today.
[[nodiscard]] int CurrentYear();

}  // namespace quillmere::reload
