#include "analysis/ExtendedNumber.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace quillmere::analysis {
namespace {

// Where these tests run, long double is the x87 type and the standard library's conversions are
// the reference that the portable ones must equal, digit for digit and bit for bit.
static_assert(std::numeric_limits<long double>::digits == kExtendedDigits);

std::string libraryFixed(long double value) {
    std::string text(6000, '\0');
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 2);
    text.resize(static_cast<std::size_t>(result.ptr - text.data()));
    return text;
}

std::optional<long double> libraryParse(const std::string& text) {
    long double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

void expectSameParse(const std::string& text) {
    const auto expected = libraryParse(text);
    const auto parsed = ParseExtended(text);
    ASSERT_EQ(parsed.has_value(), expected.has_value()) << text;
    if (expected) {
        EXPECT_EQ(std::signbit(*parsed), std::signbit(*expected)) << text;
        EXPECT_EQ(*parsed, *expected) << text;
    }
}

TEST(ExtendedNumber, FormatsTwoDecimalsAsTheLibraryDoes) {
    const long double ulp = std::numeric_limits<long double>::epsilon();
    for (const long double value : {0.0L,
                                    -0.0L,
                                    0.125L,
                                    0.375L,
                                    -0.125L,
                                    1.005L,
                                    2.675L,
                                    0.004999L,
                                    -0.001L,
                                    99.995L,
                                    12.345L,
                                    1e-30L,
                                    0.015L * (1 + ulp),
                                    0.015L * (1 - ulp),
                                    1e25L,
                                    123456789.125L,
                                    4.3e19L,
                                    1e300L,
                                    1e4000L,
                                    std::numeric_limits<long double>::max(),
                                    std::numeric_limits<long double>::denorm_min(),
                                    std::numeric_limits<long double>::infinity(),
                                    -std::numeric_limits<long double>::infinity()}) {
        EXPECT_EQ(FixedTwoDecimals(value), libraryFixed(value)) << static_cast<double>(value);
    }
    std::mt19937_64 rng(7);
    for (int i = 0; i < 20000; ++i) {
        // Reloads x 100 / turn and shares in percent, as the grids show them, and ties.
        const auto value =
            static_cast<long double>(rng() % 2'000'000) * 100 / static_cast<long double>(rng() % 999 + 1);
        const long double tie = static_cast<long double>(rng() % 100000) / 8;
        EXPECT_EQ(FixedTwoDecimals(value), libraryFixed(value));
        EXPECT_EQ(FixedTwoDecimals(-tie), libraryFixed(-tie));
    }
}

TEST(ExtendedNumber, ParsesAsTheLibraryDoesToTheLastBitAndAtTheRangesEnds) {
    for (const char* text : {"0",
                             "-0",
                             "1.5",
                             "0.1",
                             ".5",
                             "5.",
                             "-2.25e-3",
                             "1e4932",
                             "1.18973149535723176502e4932",
                             "1.18973149535723176508e4932",
                             "1.2e4932",
                             "1e-4931",
                             "3.4e-4932",
                             "3.3e-4932",
                             "1e-4940",
                             "1e-5000",
                             "0.000000000000000000000000000000e99999",
                             "1e999999999999999999999",
                             "123456789012345678901234567890",
                             "0.30000000000000000001",
                             "9007199254740993",
                             "18446744073709551615",
                             "18446744073709551617",
                             "36893488147419103231",
                             "1e",
                             "1e+",
                             "-",
                             ".",
                             "e5",
                             "1.2.3",
                             "1x",
                             "00001.0000"}) {
        expectSameParse(text);
    }
    // Halfway between two 64-bit values, and a hair either side of it.
    expectSameParse("36893488147419103233");
    expectSameParse("36893488147419103233.00000000000000000000001");
    expectSameParse("36893488147419103232.99999999999999999999999");
    std::mt19937_64 rng(11);
    for (int i = 0; i < 20000; ++i) {
        std::string text = std::to_string(rng() % 100000);
        text += '.';
        text += std::to_string(rng());
        if (i % 3 == 0) {
            text += 'e';
            text += std::to_string(static_cast<int>(rng() % 9000) - 4500);
        }
        expectSameParse(text);
    }
}

}  // namespace
}  // namespace quillmere::analysis
