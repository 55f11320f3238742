#include "reload/Rules.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string_view>
#include <tuple>
#include <utility>

#include "analysis/ExtendedNumber.h"
#include "load/DateTime.h"

namespace quillmere::reload {

namespace {

constexpr std::int64_t kMaxInt32 = 2147483647;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A forward scan over one rule text; the grammars below only ever skip blanks, take digits or
// take one expected character.
class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    void skipBlanks() {
        while (m_pos < m_text.size() && m_text[m_pos] == ' ') ++m_pos;
    }
    bool take(char c) {
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool takeAny(std::string_view set) {
        if (m_pos < m_text.size() && set.find(m_text[m_pos]) != std::string_view::npos) {
            ++m_pos;
            return true;
        }
        return false;
    }
    // The digits at the cursor, possibly none.
    std::string_view digits() {
        const auto start = m_pos;
        while (m_pos < m_text.size() && isDigit(m_text[m_pos])) ++m_pos;
        return m_text.substr(start, m_pos - start);
    }
    [[nodiscard]] bool atEnd() const { return m_pos == m_text.size(); }
    [[nodiscard]] char previous() const { return m_text[m_pos - 1]; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

// An unsigned decimal number with blanks before it. Long digit runs saturate well above any valid
// date part, so they fail the range checks instead of overflowing.
std::optional<std::pair<long, std::size_t>> datePart(Scanner& scan) {
    scan.skipBlanks();
    const auto digits = scan.digits();
    if (digits.empty()) return std::nullopt;
    long value = 0;
    for (const char c : digits) value = std::min(value * 10 + (c - '0'), 1'000'000L);
    return std::pair{value, digits.size()};
}

// Day-month-year separated by "-", blanks allowed before every number and separator, one more "-"
// and blanks allowed after the year. Returns days since 30 December 1899.
std::optional<double> parseDate(std::string_view text, int currentYear) {
    Scanner scan(text);
    const auto day = datePart(scan);
    if (!day) return std::nullopt;
    scan.skipBlanks();
    if (!scan.take('-')) return std::nullopt;
    const auto month = datePart(scan);
    if (!month) return std::nullopt;
    scan.skipBlanks();
    if (!scan.take('-')) return std::nullopt;
    const auto year = datePart(scan);
    if (!year) return std::nullopt;
    scan.skipBlanks();
    if (scan.take('-')) scan.skipBlanks();
    if (!scan.atEnd()) return std::nullopt;

    long y = year->first;
    if (year->second <= 2) {
        // The 100 years that begin 50 years before the current one.
        const long windowStart = currentYear - 50L;
        y += windowStart / 100 * 100;
        if (y < windowStart) y += 100;
    }
    const long m = month->first;
    const long d = day->first;
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{static_cast<int>(y)}, std::chrono::month{static_cast<unsigned>(m)},
                              std::chrono::day{static_cast<unsigned>(d)}};
    if (!date.ok()) return std::nullopt;
    return static_cast<double>(load::DayNumberOf(date));
}

// Blanks, optional sign, digits with "," or "." as the decimal separator (at least one digit),
// optional exponent, blanks. Values beyond the extended range are refused.
std::optional<long double> parseFloat(std::string_view text) {
    Scanner scan(text);
    std::string normal;
    scan.skipBlanks();
    if (scan.take('-'))
        normal += '-';
    else
        (void)scan.take('+');
    const auto whole = scan.digits();
    normal += whole;
    std::string_view fraction;
    if (scan.takeAny(",.")) {
        fraction = scan.digits();
        normal += '.';
        normal += fraction;
    }
    if (whole.empty() && fraction.empty()) return std::nullopt;
    if (scan.takeAny("eE")) {
        normal += 'e';
        if (scan.takeAny("+-")) normal += scan.previous();
        const auto exponent = scan.digits();
        if (exponent.empty()) return std::nullopt;
        normal += exponent;
    }
    scan.skipBlanks();
    if (!scan.atEnd()) return std::nullopt;

    return analysis::ParseExtended(normal);
}

// Blanks, optional sign, decimal digits, nothing after; within the 32-bit range.
std::optional<std::int32_t> parseInteger(std::string_view text) {
    Scanner scan(text);
    scan.skipBlanks();
    const bool negative = scan.take('-');
    if (!negative) (void)scan.take('+');
    const auto digits = scan.digits();
    if (digits.empty() || !scan.atEnd()) return std::nullopt;
    std::int64_t value = 0;
    for (const char c : digits) {
        value = value * 10 + (c - '0');
        if (value > std::int64_t{kMaxInt32} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > kMaxInt32) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string quoted(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    result += '\'';
    result += text;
    result += '\'';
    return result;
}

std::string belowZero(RuleField field, std::string_view text) {
    return std::string(RuleName(field)) + " must be 0 or more, not " + quoted(text);
}

}  // namespace

const char* RuleName(RuleField field) {
    switch (field) {
        case RuleField::StartDate:
            return "start date";
        case RuleField::SessionsPerDay:
            return "sessions per day";
        case RuleField::MinSessionMinutes:
            return "minimum session time";
        case RuleField::Presessions:
            return "presessions";
    }
    return "rule";
}

std::string NamedMessage(const RuleError& error) {
    const std::string name = RuleName(error.field);
    return error.message.starts_with(name) ? error.message : name + ": " + error.message;
}

bool RuleCheck::failed(RuleField field) const {
    return std::any_of(errors.begin(), errors.end(), [field](const RuleError& error) { return error.field == field; });
}

std::string StartDateText(const RuleTexts& texts) { return texts.day + "-" + texts.month + "-" + texts.year; }

std::string RuleChanges(const RuleTexts& typed, const RuleTexts& theirs) {
    const std::tuple<RuleField, std::string, std::string> rules[] = {
        {RuleField::StartDate, StartDateText(typed), StartDateText(theirs)},
        {RuleField::SessionsPerDay, typed.sessionsPerDay, theirs.sessionsPerDay},
        {RuleField::MinSessionMinutes, typed.minSessionMinutes, theirs.minSessionMinutes},
        {RuleField::Presessions, typed.presessions, theirs.presessions},
    };
    std::string lines;
    for (const auto& [field, now, then] : rules) {
        if (now == then) continue;
        if (!lines.empty()) lines += '\n';
        lines += std::string(RuleName(field)) + ": " + then + " (typed: " + now + ")";
    }
    return lines;
}

bool SetStartDateText(RuleTexts& texts, std::string_view text) {
    const auto first = text.find('-');
    const auto second = first == std::string_view::npos ? first : text.find('-', first + 1);
    texts.day = std::string(text.substr(0, first));
    texts.month = first == std::string_view::npos ? "" : std::string(text.substr(first + 1, second - first - 1));
    texts.year = second == std::string_view::npos ? "" : std::string(text.substr(second + 1));
    return second != std::string_view::npos;
}

RuleCheck CheckRules(const RuleTexts& texts, int currentYear) {
    Rules rules;
    std::vector<RuleError> errors;
    const std::string joined = StartDateText(texts);
    const auto start = parseDate(joined, currentYear);
    if (start) {
        rules.startDate = *start;
    } else {
        errors.push_back({RuleField::StartDate, quoted(joined) + " is not a valid date"});
    }
    // A negative count would turn every verdict upside down (negative allowances, extra reloads).
    if (const auto sessions = parseFloat(texts.sessionsPerDay); !sessions) {
        errors.push_back(
            {RuleField::SessionsPerDay, quoted(texts.sessionsPerDay) + " is not a valid floating point value"});
    } else if (*sessions < 0) {
        errors.push_back({RuleField::SessionsPerDay, belowZero(RuleField::SessionsPerDay, texts.sessionsPerDay)});
    } else {
        rules.sessionsPerDay = *sessions;
    }
    const std::pair<RuleField, const std::string*> integers[] = {
        {RuleField::MinSessionMinutes, &texts.minSessionMinutes},
        {RuleField::Presessions, &texts.presessions},
    };
    for (const auto& [field, text] : integers) {
        const auto value = parseInteger(*text);
        if (!value) {
            errors.push_back({field, quoted(*text) + " is not a valid integer value"});
        } else if (*value < 0) {
            errors.push_back({field, belowZero(field, *text)});
        } else {
            (field == RuleField::Presessions ? rules.presessions : rules.minSessionMinutes) = *value;
        }
    }
    if (!errors.empty()) return {std::nullopt, std::move(errors), start};
    return {rules, {}, start};
}

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr) return 2000;
    return local.tm_year + 1900;
}

}  // namespace quillmere::reload
