#include "analysis/FinalScore.h"

#include <cmath>
#include <limits>

namespace quillmere::analysis {

namespace {

// Integer power by repeated multiplication, so that a negative base is allowed.
long double integerPower(long double base, long long exponent) {
    long double result = 1;
    const bool invert = exponent < 0;
    for (unsigned long long e = invert ? 0ULL - static_cast<unsigned long long>(exponent)
                                       : static_cast<unsigned long long>(exponent);
         e > 0; e >>= 1) {
        if (e & 1) result *= base;
        base *= base;
    }
    return invert ? 1 / result : result;
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
        result = std::exp(exponent * std::log(base));
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

}  // namespace

std::int64_t FinalScoreComponent(std::int32_t S, std::int32_t B, std::int32_t E, std::int32_t W, std::int32_t T,
                                 std::int32_t L, double F) {
    const std::int32_t limit = L > 0 ? L : 1200;
    const long double x = static_cast<long double>(T) / limit;

    double expected = 0;
    if (B > 0) {
        const long double n = std::trunc(static_cast<long double>(E) / B);
        long double power = 0;
        if (!realPower(n, x, power)) return 0;
        expected = static_cast<double>(B * power);
    } else {
        expected = static_cast<double>(x * E);
    }
    if (!(expected > 0)) return 0;

    const std::int64_t product = std::int64_t{S} * W;
    const double ratio = static_cast<double>(static_cast<long double>(product) / expected);
    const double weighted = ratio * F;
    return truncateToInt64(weighted);
}

std::int32_t FinalScore(const ScoreInputs& in) {
    constexpr std::array<int, 4> kStatOfComponent = {0, 1, 3, 2};
    std::uint32_t sum = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        const auto component =
            FinalScoreComponent(in.stat[static_cast<std::size_t>(kStatOfComponent[k])], in.start[k], in.end[k],
                                kScoreWeight[k], in.turn, in.turnLimit, in.difficultyFactor);
        sum += static_cast<std::uint32_t>(static_cast<std::uint64_t>(component));  // the low 32 bits of each
    }
    return static_cast<std::int32_t>(sum);
}

}  // namespace quillmere::analysis
