#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillmere::analysis {

// The desktop's long double is the x87 extended type: 64 significant bits, 15 exponent bits. Where
// long double is wider (binary128, computed in software, in WebAssembly), these functions give the
// values the desktop computes, so that every number shown is the same on both; where it is the x87
// type they are the plain operations.
inline constexpr int kExtendedDigits = 64;

// `value` rounded to 64 significant bits, ties to even; unchanged where long double has 64.
[[nodiscard]] long double RoundToExtended(long double value);

// e^x and the natural logarithm: the standard library's where long double is the x87 type,
// otherwise computed to well beyond 64 bits and then rounded to them.
[[nodiscard]] long double ExtendedExp(long double x);
[[nodiscard]] long double ExtendedLog(long double x);

// `value` in fixed notation with two decimals, exactly rounded (ties to even) and with "." as the
// separator, e.g. "-0.00", "12.35", "inf", "nan": what std::to_chars writes for the x87 type.
[[nodiscard]] std::string FixedTwoDecimals(long double value);

// A decimal number of the form -?D*(.D*)?(e[+-]?D+)? with at least one digit, rounded to 64
// significant bits (ties to even) as std::from_chars reads it for the x87 type. Empty when the text
// is not of that form, or its value is beyond the extended range: above the largest value, or not
// zero but below the smallest normal one.
[[nodiscard]] std::optional<long double> ParseExtended(std::string_view text);

}  // namespace quillmere::analysis
