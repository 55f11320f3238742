#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

// The start date's three texts as one, "DD-MM-YYYY": each as typed, "-" between them.
[[nodiscard]] std::string StartDateText(const RuleTexts& texts);
// Sets the start date's three texts from `text` split at its first two "-": anything after the
// second stays with the year, so that the date rule sees exactly the text given; a part missing is
// left empty. Returns whether `text` holds both "-".
bool SetStartDateText(RuleTexts& texts, std::string_view text);

// Which rule a RuleError is about; the start date's three texts form one rule.
enum class RuleField { StartDate, SessionsPerDay, MinSessionMinutes, Presessions };

// The name of a rule as its box is captioned, e.g. "sessions per day".
[[nodiscard]] const char* RuleName(RuleField field);

// The rules `theirs` sets otherwise than `typed`, one line each, e.g.
// "sessions per day: 2 (typed: 1,5)"; empty when they agree.
[[nodiscard]] std::string RuleChanges(const RuleTexts& typed, const RuleTexts& theirs);

// A rule text that does not parse or is out of range. The message has no final full stop, e.g.
// "'-11-2005' is not a valid date" or "presessions must be 0 or more, not '-5'".
struct RuleError {
    RuleField field;
    std::string message;
};

// The error's message naming its rule, e.g. "presessions: '' is not a valid integer value".
[[nodiscard]] std::string NamedMessage(const RuleError& error);

// The parsed tournament rules.
struct Rules {
    double startDate = 0;  // days since 30 December 1899, at 00:00
    long double sessionsPerDay = 1.5L;
    std::int32_t minSessionMinutes = 30;
    std::int32_t presessions = 1;
};

// The outcome of parsing all rule texts: the rules when every text parses, else one error per
// rule that does not, in the order date, sessions per day, minimum minutes, presessions. The start
// date is kept whenever its own texts parse, so that the checks needing only it can still run.
struct RuleCheck {
    std::optional<Rules> rules;
    std::vector<RuleError> errors;
    std::optional<double> startDate;

    // Whether `field` is among the errors.
    [[nodiscard]] bool failed(RuleField field) const;
};

// Parses every rule text. A one- or two-digit year lies in the 100 years that start 50 years
// before `currentYear`. Sessions per day takes "," or "." as its decimal separator. Sessions per
// day, minimum minutes and presessions must be 0 or more (0 sessions per day allow no reloads).
[[nodiscard]] RuleCheck CheckRules(const RuleTexts& texts, int currentYear);

// The calendar year of the local date today.
[[nodiscard]] int CurrentYear();

}  // namespace quillmere::reload
