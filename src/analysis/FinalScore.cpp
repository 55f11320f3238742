#include "analysis/FinalScore.h"

#include <cmath>
#include <limits>

#include "analysis/ExtendedNumber.h"

namespace quillmere::analysis {

namespace {

// Every long double result goes through RoundToExtended, so that a wider long double holds the
// x87 value at each step: exact powers such as 81^0.25 = 3 must come out as the desktop has them.

// Integer power by repeated multiplication, so that a negative base is allowed.
long double integerPower(long double base, long long exponent) {
    long double result = 1;
    const bool invert = exponent < 0;
    for (unsigned long long e = invert ? 0ULL - static_cast<unsigned long long>(exponent)
                                       : static_cast<unsigned long long>(exponent);
         e > 0; e >>= 1) {
        if (e & 1) result = RoundToExtended(result * base);
        base = RoundToExtended(base * base);
    }
    return invert ? RoundToExtended(1 / result) : result;
}

// base ** exponent with the rules the score needs; false when the real power is undefined.
bool realPower(long double base, long double exponent, long double& result) {
    if (exponent == 0) {
        result = 1;
    } else if (base == 0 && exponent > 0) {
        result = 0;
    } else if (std::trunc(exponent) == exponent && std::fabs(exponent) < 1e18L) {
        result = integerPower(base, static_cast<long long>(exponent));
    } else if (base < 0) {
        return false;
    } else {
        result = ExtendedExp(RoundToExtended(exponent * ExtendedLog(base)));
    }
    return true;
}

std::int64_t truncateToInt64(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kLimit = 9223372036854775807.0;
    if (value >= kLimit) return std::numeric_limits<std::int64_t>::max();
    if (value <= -kLimit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

// The third component takes the fourth statistic and the fourth component the third.
constexpr std::array<std::size_t, 4> kStatOfComponent = {0, 1, 3, 2};

}  // namespace

std::int64_t FinalScoreComponent(const ScoreInputs& inputs, std::size_t component) {
    return FinalScoreParts(inputs, component).value;
}

ComponentParts FinalScoreParts(const ScoreInputs& inputs, std::size_t component) {
    ComponentParts parts;
    const std::int32_t statistic = parts.statistic = inputs.stat[kStatOfComponent[component]];
    const std::int32_t start = inputs.start[component];
    const std::int32_t end = inputs.end[component];
    const std::int32_t limit = inputs.turnLimit > 0 ? inputs.turnLimit : 1200;
    const long double x = RoundToExtended(static_cast<long double>(inputs.turn) / limit);

    double expected = 0;
    if (start > 0) {
        const long double n = std::trunc(RoundToExtended(static_cast<long double>(end) / start));
        long double power = 0;
        if (!realPower(n, x, power)) return parts;
        expected = static_cast<double>(RoundToExtended(start * power));
    } else {
        expected = static_cast<double>(RoundToExtended(x * end));
    }
    if (!(expected > 0)) return parts;
    parts.expected = expected;

    const std::int64_t product = std::int64_t{statistic} * kScoreWeight[component];
    const double ratio = static_cast<double>(RoundToExtended(static_cast<long double>(product) / expected));
    const double weighted = ratio * inputs.difficultyFactor;
    parts.value = truncateToInt64(weighted);
    return parts;
}

std::int32_t FinalScore(const ScoreInputs& inputs) {
    std::uint32_t sum = 0;
    for (std::size_t k = 0; k < kScoreWeight.size(); ++k) {
        // The low 32 bits of each.
        sum += static_cast<std::uint32_t>(static_cast<std::uint64_t>(FinalScoreComponent(inputs, k)));
    }
    return static_cast<std::int32_t>(sum);
}

}  // namespace quillmere::analysis
