#include "analysis/ExtendedNumber.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace quillmere::analysis {

namespace {

constexpr bool kNativeExtended = std::numeric_limits<long double>::digits == kExtendedDigits;
// ln 2 to binary128's 113 bits; where long double is the x87 type only the library's functions run.
constexpr long double kLn2 = 0x1.62e42fefa39ef35793c7673007e6p-1L;
// Far below the last bit of the 64 that are kept.
constexpr long double kSeriesTolerance = 0x1p-118L;

// An unsigned integer of any size, in 32-bit limbs from the least significant: exactly what the
// decimal conversions need.
class BigUnsigned {
public:
    explicit BigUnsigned(std::uint64_t value = 0) : BigUnsigned(0, value) {}
    // high * 2^64 + low.
    BigUnsigned(std::uint64_t high, std::uint64_t low)
        : m_limbs{static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(low >> 32),
                  static_cast<std::uint32_t>(high), static_cast<std::uint32_t>(high >> 32)} {
        trim();
    }

    [[nodiscard]] bool isZero() const { return m_limbs.empty(); }
    [[nodiscard]] std::int64_t bitLength() const {
        if (m_limbs.empty()) return 0;
        std::int64_t bits = static_cast<std::int64_t>(m_limbs.size() - 1) * 32;
        for (std::uint32_t top = m_limbs.back(); top != 0; top >>= 1) ++bits;
        return bits;
    }
    [[nodiscard]] bool bit(std::int64_t index) const {
        const auto limb = static_cast<std::size_t>(index / 32);
        return limb < m_limbs.size() && ((m_limbs[limb] >> (index % 32)) & 1U) != 0;
    }
    // Whether any bit below `index` is set.
    [[nodiscard]] bool anyBelow(std::int64_t index) const {
        const auto whole = static_cast<std::size_t>(std::min<std::int64_t>(index / 32, std::ssize(m_limbs)));
        if (std::any_of(m_limbs.begin(), m_limbs.begin() + static_cast<std::ptrdiff_t>(whole),
                        [](std::uint32_t limb) { return limb != 0; })) {
            return true;
        }
        const auto partial = static_cast<std::uint32_t>(index % 32);
        return whole < m_limbs.size() && partial != 0 && (m_limbs[whole] & ((1U << partial) - 1)) != 0;
    }
    // The 64 bits from `index` up.
    [[nodiscard]] std::uint64_t bitsFrom(std::int64_t index) const {
        std::uint64_t bits = 0;
        for (int i = 63; i >= 0; --i) bits = bits << 1 | (bit(index + i) ? 1U : 0U);
        return bits;
    }

    void multiplyAdd(std::uint32_t factor, std::uint32_t addend) {
        std::uint64_t carry = addend;
        for (auto& limb : m_limbs) {
            carry += std::uint64_t{limb} * factor;
            limb = static_cast<std::uint32_t>(carry);
            carry >>= 32;
        }
        if (carry != 0) m_limbs.push_back(static_cast<std::uint32_t>(carry));
    }
    void shiftLeft(std::int64_t bits) {
        if (isZero() || bits <= 0) return;
        const auto limbs = static_cast<std::size_t>(bits / 32);
        const auto rest = static_cast<unsigned>(bits % 32);
        if (rest != 0) {
            std::uint32_t carry = 0;
            for (auto& limb : m_limbs) {
                const std::uint32_t next = limb >> (32 - rest);
                limb = limb << rest | carry;
                carry = next;
            }
            if (carry != 0) m_limbs.push_back(carry);
        }
        m_limbs.insert(m_limbs.begin(), limbs, 0U);
    }
    // Divides in place; returns the remainder.
    std::uint32_t divide(std::uint32_t divisor) {
        std::uint64_t remainder = 0;
        for (auto limb = m_limbs.rbegin(); limb != m_limbs.rend(); ++limb) {
            const std::uint64_t current = remainder << 32 | *limb;
            *limb = static_cast<std::uint32_t>(current / divisor);
            remainder = current % divisor;
        }
        trim();
        return static_cast<std::uint32_t>(remainder);
    }
    void shiftRight(std::int64_t bits) {
        const auto limbs = static_cast<std::size_t>(std::min<std::int64_t>(bits / 32, std::ssize(m_limbs)));
        m_limbs.erase(m_limbs.begin(), m_limbs.begin() + static_cast<std::ptrdiff_t>(limbs));
        const auto rest = static_cast<unsigned>(bits % 32);
        if (rest != 0) {
            for (std::size_t i = 0; i < m_limbs.size(); ++i) {
                const std::uint32_t above = i + 1 < m_limbs.size() ? m_limbs[i + 1] << (32 - rest) : 0U;
                m_limbs[i] = m_limbs[i] >> rest | above;
            }
        }
        trim();
    }

    [[nodiscard]] std::string decimal() const {
        if (isZero()) return "0";
        BigUnsigned rest = *this;
        std::string digits;
        while (!rest.isZero()) {
            std::uint32_t group = rest.divide(1'000'000'000);
            for (int i = 0; i < 9; ++i, group /= 10) digits.push_back(static_cast<char>('0' + group % 10));
        }
        while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
        return {digits.rbegin(), digits.rend()};
    }

private:
    void trim() {
        while (!m_limbs.empty() && m_limbs.back() == 0) m_limbs.pop_back();
    }

    std::vector<std::uint32_t> m_limbs;
};

// A finite, non-zero |value| as an integer mantissa times a power of two; exact.
struct Binary {
    BigUnsigned mantissa;
    std::int64_t exponent = 0;
};

Binary binaryOf(long double value) {
    constexpr int kDigits = std::numeric_limits<long double>::digits;
    int exponent = 0;
    const long double mantissa = std::ldexp(std::frexp(std::fabs(value), &exponent), kDigits);  // an integer
    const long double high = std::floor(std::ldexp(mantissa, -64));
    const auto low = static_cast<std::uint64_t>(mantissa - std::ldexp(high, 64));
    return {BigUnsigned(static_cast<std::uint64_t>(high), low), exponent - kDigits};
}

// Rounds the integer `value` (with `sticky` standing for non-zero bits below it) to 64 bits, ties
// to even, and scales it by 2^exponent. Empty when the result lies beyond the extended range.
std::optional<long double> roundedExtended(const BigUnsigned& value, bool sticky, std::int64_t exponent) {
    const std::int64_t length = value.bitLength();
    const std::int64_t dropped = std::max<std::int64_t>(length - kExtendedDigits, 0);
    std::uint64_t mantissa = value.bitsFrom(dropped);
    std::int64_t scale = exponent + dropped;
    if (dropped > 0 && value.bit(dropped - 1) && (sticky || value.anyBelow(dropped - 1) || (mantissa & 1U) != 0)) {
        if (++mantissa == 0) {
            mantissa = std::uint64_t{1} << 63;
            ++scale;
        }
    }
    // The highest bit of the result is 2^(63 + scale) at most; the extended type's exponents run
    // from -16382 to 16383.
    const std::int64_t top = std::max<std::int64_t>(std::min<std::int64_t>(length, kExtendedDigits), 1) - 1 + scale;
    if (top > 16383 || top < -16382) return std::nullopt;
    return std::ldexp(static_cast<long double>(mantissa), static_cast<int>(scale));
}

}  // namespace

long double RoundToExtended(long double value) {
    if constexpr (kNativeExtended) {
        return value;
    } else {
        if (!std::isfinite(value) || value == 0) return value;
        int exponent = 0;
        const long double fraction = std::frexp(value, &exponent);
        // Exact: the scaled fraction is below 2^64, far inside the wider type, and nearbyint rounds
        // ties to even in the default rounding mode.
        return std::ldexp(std::nearbyint(std::ldexp(fraction, kExtendedDigits)), exponent - kExtendedDigits);
    }
}

long double ExtendedLog(long double x) {
    if constexpr (kNativeExtended) {
        return std::log(x);
    } else {
        if (!(x > 0) || !std::isfinite(x)) return std::log(x);
        int exponent = 0;
        long double m = std::frexp(x, &exponent);
        if (m < 0.70710678118654752440L) {
            m *= 2;
            --exponent;
        }
        // ln m = 2 atanh(s) with s = (m - 1) / (m + 1), |s| < 0.172: s + s^3/3 + s^5/5 ...
        const long double s = (m - 1) / (m + 1);
        const long double s2 = s * s;
        long double power = s;
        long double sum = s;
        for (int k = 3; std::fabs(power) > kSeriesTolerance; k += 2) {
            power *= s2;
            sum += power / k;
        }
        return RoundToExtended(2 * sum + exponent * kLn2);
    }
}

long double ExtendedExp(long double x) {
    if constexpr (kNativeExtended) {
        return std::exp(x);
    } else {
        if (!std::isfinite(x)) return std::exp(x);
        if (x > 11357) return std::numeric_limits<long double>::infinity();
        if (x < -11400) return 0;
        // e^x = 2^k e^r with |r| <= ln 2 / 2, and e^r by its series.
        const long double k = std::nearbyint(x / kLn2);
        const long double r = x - k * kLn2;
        long double term = 1;
        long double sum = 1;
        for (int i = 1; std::fabs(term) > kSeriesTolerance; ++i) {
            term = term * r / i;
            sum += term;
        }
        return RoundToExtended(std::ldexp(sum, static_cast<int>(k)));
    }
}

std::string FixedTwoDecimals(long double value) {
    const std::string sign = std::signbit(value) ? "-" : "";
    if (std::isnan(value)) return sign + "nan";
    if (std::isinf(value)) return sign + "inf";
    if (value == 0) return sign + "0.00";

    Binary binary = binaryOf(value);
    BigUnsigned hundredths = std::move(binary.mantissa);
    hundredths.multiplyAdd(100, 0);
    if (binary.exponent >= 0) {
        hundredths.shiftLeft(binary.exponent);
    } else {
        const std::int64_t dropped = -binary.exponent;
        const bool half = hundredths.bit(dropped - 1);
        const bool below = hundredths.anyBelow(dropped - 1);
        hundredths.shiftRight(dropped);
        if (half && (below || hundredths.bit(0))) hundredths.multiplyAdd(1, 1);
    }
    std::string digits = hundredths.decimal();
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    digits.insert(digits.size() - 2, 1, '.');
    return sign + digits;
}

std::optional<long double> ParseExtended(std::string_view text) {
    // Beyond this many significant digits the rest only tells whether anything non-zero follows,
    // which rounds exactly for every value the extended type holds above 10^-700.
    constexpr std::size_t kMaxSignificantDigits = 800;
    constexpr std::int64_t kExponentLimit = 1'000'000'000;

    std::size_t pos = 0;
    const bool negative = pos < text.size() && text[pos] == '-';
    if (negative) ++pos;
    std::string digits;
    std::int64_t decimalExponent = 0;
    bool sticky = false;
    bool anyDigit = false;
    bool inFraction = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '.' && !inFraction) {
            inFraction = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        anyDigit = true;
        if (digits.empty() && c == '0') {
            if (inFraction) --decimalExponent;
            continue;
        }
        if (digits.size() < kMaxSignificantDigits) {
            digits.push_back(c);
            if (inFraction) --decimalExponent;
        } else {
            sticky = sticky || c != '0';
            if (!inFraction) ++decimalExponent;
        }
    }
    if (!anyDigit) return std::nullopt;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        const bool negativeExponent = pos < text.size() && text[pos] == '-';
        if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
        if (pos == text.size()) return std::nullopt;
        std::int64_t exponent = 0;
        for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
            exponent = std::min(exponent * 10 + (text[pos] - '0'), kExponentLimit);
        }
        decimalExponent += negativeExponent ? -exponent : exponent;
    }
    if (pos != text.size()) return std::nullopt;

    const long double zero = negative ? -0.0L : 0.0L;
    if (digits.empty()) return zero;
    // The value lies in [10^(magnitude - 1), 10^magnitude); the extended range is about
    // 3.4e-4932 to 1.2e4932.
    const std::int64_t magnitude = static_cast<std::int64_t>(digits.size()) + decimalExponent;
    if (magnitude > 4934 || magnitude < -4933) return std::nullopt;

    BigUnsigned value;
    for (const char c : digits) value.multiplyAdd(10, static_cast<std::uint32_t>(c - '0'));
    std::int64_t binaryExponent = 0;
    if (decimalExponent >= 0) {
        for (std::int64_t i = 0; i < decimalExponent; ++i) value.multiplyAdd(10, 0);
    } else {
        // Enough bits first that the quotient keeps 64 of them, a rounding bit and one more.
        const std::int64_t divisorBits = (-decimalExponent * 3402) / 1024 + 1;  // > log2(10^-e)
        const std::int64_t shift = std::max<std::int64_t>(kExtendedDigits + 2 + divisorBits - value.bitLength(), 0);
        value.shiftLeft(shift);
        binaryExponent = -shift;
        for (std::int64_t left = -decimalExponent; left > 0; left -= 9) {
            std::uint32_t divisor = 1;
            for (std::int64_t i = 0; i < std::min<std::int64_t>(left, 9); ++i) divisor *= 10;
            sticky = value.divide(divisor) != 0 || sticky;
        }
    }
    const auto magnitudeValue = roundedExtended(value, sticky, binaryExponent);
    if (!magnitudeValue) return std::nullopt;
    return negative ? -*magnitudeValue : *magnitudeValue;
}

}  // namespace quillmere::analysis
