#include "reload/ReloadControl.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

namespace quillmere::reload {

namespace {

using analysis::TSaveDataRec;

constexpr std::int32_t kMaxInt32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMinInt32 = std::numeric_limits<std::int32_t>::min();

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
    constexpr sys_days kEpoch = std::chrono::year{1899} / December / 30;
    return static_cast<double>((sys_days{date} - kEpoch).count());
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

    long double value = 0;
    const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (error != std::errc{} || end != normal.data() + normal.size()) return std::nullopt;
    return value;
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

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// Round to nearest, ties to even, then into the 32-bit range: values beyond it saturate.
std::int32_t roundToInt32(long double value) {
    const long double rounded = std::nearbyint(value);
    if (!(rounded < kMaxInt32)) return kMaxInt32;
    if (!(rounded > kMinInt32)) return kMinInt32;
    return static_cast<std::int32_t>(rounded);
}

}  // namespace

Rules ParseRules(const RuleTexts& texts, int currentYear) {
    Rules rules;
    const std::string joined = texts.day + "-" + texts.month + "-" + texts.year;
    const auto start = parseDate(joined, currentYear);
    if (!start) throw RuleError(RuleField::StartDate, quoted(joined) + " is not a valid date");
    rules.startDate = *start;

    const auto sessions = parseFloat(texts.sessionsPerDay);
    if (!sessions) {
        throw RuleError(RuleField::SessionsPerDay,
                        quoted(texts.sessionsPerDay) + " is not a valid floating point value");
    }
    rules.sessionsPerDay = *sessions;

    const auto minutes = parseInteger(texts.minSessionMinutes);
    if (!minutes) {
        throw RuleError(RuleField::MinSessionMinutes,
                        quoted(texts.minSessionMinutes) + " is not a valid integer value");
    }
    rules.minSessionMinutes = *minutes;

    const auto presessions = parseInteger(texts.presessions);
    if (!presessions)
        throw RuleError(RuleField::Presessions, quoted(texts.presessions) + " is not a valid integer value");
    rules.presessions = *presessions;
    return rules;
}

void RControl(TSaveDataRec& rec, const Rules& rules) {
    if (!rec.Failure.empty() || !rec.FileDate) return;

    // The start date is day 1; a file outside the first 31 days counts as day 30.
    const long double day = std::nearbyint(static_cast<long double>(*rec.FileDate) - rules.startDate + 0.5L);
    rec.PlayDays = day < 1 || day > 31 ? 30 : static_cast<std::int32_t>(day);

    const std::int64_t reloads = std::int64_t{rec.LoadCount} - rules.presessions;
    rec.Reloads = static_cast<std::int32_t>(std::clamp<std::int64_t>(reloads, 0, kMaxInt32));
    rec.SessionTime = rec.Reloads > 0 ? rec.PlayTime / rec.Reloads : 0;
    rec.ReloadPercent = rec.Turn > 0 ? static_cast<long double>(rec.Reloads) * 100 / rec.Turn : 0;

    const long double dayAllowance = rec.PlayDays * rules.sessionsPerDay;
    const long double minutes = std::max(rules.minSessionMinutes, 1);
    const long double timeAllowance = rec.PlayTime / (minutes * 60);
    long double allowance = dayAllowance < timeAllowance ? dayAllowance : timeAllowance;
    if (rec.PlayTime == 0) {
        allowance = dayAllowance;
    } else if (allowance == 0) {
        allowance = 1;
    }
    rec.MaxReloads = roundToInt32(allowance);

    // Reloads below 0.75 x MaxReloads is fair, below 1.25 x average, in exact integers.
    const std::int64_t fourReloads = std::int64_t{4} * rec.Reloads;
    if (rec.LoadCount == 0 || fourReloads < std::int64_t{3} * rec.MaxReloads) {
        rec.Honesty = 2;
    } else if (fourReloads < std::int64_t{5} * rec.MaxReloads) {
        rec.Honesty = 1;
    } else {
        rec.Honesty = 0;
    }
    rec.ReloadDone = true;
}

void ApplyRules(analysis::ResultTable& table, const Rules& rules) {
    for (auto& rec : table) RControl(rec, rules);
}

}  // namespace quillmere::reload
