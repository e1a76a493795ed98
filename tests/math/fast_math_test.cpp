#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "math/fast_math.h"
#include "math/sine_table.h"

namespace {

long double rel_error(float x) {
    const long double exact = 1.0L / std::sqrt(static_cast<long double>(x));
    return (inv_sqrt(x) - exact) / exact;
}

// The wrap loops as first written: one period per pass, strict tests.
int looped_index(double x) {
    double a = 1.5707963268 - x;
    while (a > 6.28318530718) a -= 6.28318530718;
    while (a < 0) a += 6.28318530718;
    return static_cast<int>(a * 100);
}

}  // namespace

TEST(InvSqrt, KnownValuesAndSignedPatterns) {
    EXPECT_EQ(inv_sqrt(1.0f), 0.99830717f);
    EXPECT_EQ(inv_sqrt(4.0f), 0.49915358f);
    EXPECT_EQ(inv_sqrt(2.0f), 0.70693004f);
    EXPECT_EQ(inv_sqrt(0.0f), 1.9817754e19f);
    // The NaN that 0 * inf yields on x86 has its sign bit set; it must pass
    // through as a NaN (and, in the sanitizer build, without an overflow report).
    volatile float zero = 0.0f;
    const float nan = zero * std::numeric_limits<float>::infinity();
    EXPECT_TRUE(std::isnan(inv_sqrt(nan)));
    EXPECT_TRUE(std::isnan(inv_sqrt(-nan)));
    EXPECT_TRUE(std::isfinite(inv_sqrt(-0.0f)));
}

// Worst cases over one period of the pattern are 0.1752339% below and a relative
// 1.3476e-7 above the exact value; the bounds are those figures to their last
// printed digit, and every power of 4 repeats the period exactly.
TEST(InvSqrt, ErrorBoundAcrossPowersOfFour) {
    long double low = 0, high = 0;
    for (float x = 1.0f; x < 4.0f; x = std::nextafter(x, 8.0f)) {
        low = std::min(low, rel_error(x));
        high = std::max(high, rel_error(x));
    }
    EXPECT_GE(low, -0.00175235L);
    EXPECT_LT(low, -0.00175225L);  // the worst case does reach the bound
    EXPECT_LE(high, 1.35e-7L);
    EXPECT_GT(high, 0.0L);

    std::mt19937 rng(7);
    std::uniform_real_distribution<float> mantissa(1.0f, 4.0f);
    for (int n = 0; n < 20000; ++n) {
        const float x = mantissa(rng);
        for (int e = -30; e <= 30; e += 3) {
            const float scaled = std::ldexp(x, 2 * e);
            ASSERT_EQ(inv_sqrt(scaled), std::ldexp(inv_sqrt(x), -e)) << x << " * 4^" << e;
            ASSERT_GE(rel_error(scaled), -0.00175235L) << scaled;
            ASSERT_LE(rel_error(scaled), 1.35e-7L) << scaled;
        }
    }
}

TEST(FastMath, AbsAndFloatTrig) {
    EXPECT_EQ(fast_abs(-2.5f), 2.5f);
    EXPECT_EQ(fast_abs(2.5f), 2.5f);
    EXPECT_FALSE(std::signbit(fast_abs(-0.0f)));
    EXPECT_EQ(fast_abs(-INFINITY), INFINITY);
    const float nan = fast_abs(-std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(nan) && !std::signbit(nan));
    EXPECT_EQ(fast_abs_bits(static_cast<std::int32_t>(0xc0200000u)), 0x40200000);  // -2.5, 2.5
    EXPECT_EQ(fast_abs_bits(std::numeric_limits<std::int32_t>::min()), 0);
    EXPECT_EQ(fast_abs_bits(-1), 0x7fffffff);
    EXPECT_EQ(fast_abs_bits(0x12345678), 0x12345678);
    EXPECT_EQ(float_sin(1.0f), 0.84147096f);
    EXPECT_EQ(float_cos(1.0f), 0.54030228f);
    EXPECT_EQ(float_cos(2.0f), -0.41614684f);
}

TEST(SineTable, HasOneEntryPerHundredthOfAPeriod) {
    EXPECT_EQ(sine_table_size, 629);
    for (int i = 0; i < sine_table_size; ++i)
        EXPECT_NEAR(sine_table[i], std::sin(i / 100.0), 5e-9) << i;
    EXPECT_EQ(sine_table[1], 0.0099998333);
}

// The last case lands exactly on the period and stays there: the last entry.
TEST(TableCos, ReadsTheTruncatedIndex) {
    const double pi = 3.141592653589793;
    const struct {
        double x;
        int index;
        double value;
    } cases[] = {{0, 157, 0.99999968},
                 {pi, 471, -0.99999715},
                 {-pi, 471, -0.99999715},
                 {1, 57, 0.53963205},
                 {pi / 2, 0, 0.0},
                 {1.5707963268, 0, 0.0},
                 {10, 413, -0.83515105},
                 {-10, 528, -0.84318774},
                 {1.5707963268 - 6.28318530718, 628, -0.0031853018}};
    for (const auto& c : cases) {
        EXPECT_EQ(table_cos(c.x), c.value) << c.x;
        EXPECT_EQ(sine_table[c.index], c.value) << c.x;
    }
}

TEST(TableCos, ModerateArgumentsReadTheSameEntryAsThePeriodLoops) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> wide(-1e4, 1e4);
    for (int n = 0; n < 200000; ++n) {
        const double x = wide(rng);
        ASSERT_EQ(table_cos(x), sine_table[looped_index(x)]) << x;
    }
    // Reduced values on or next to a hundredth, where any other reduction
    // would round to the neighbouring entry.
    for (int k = -1500; k <= 1500; k += 7) {
        for (int j = 0; j <= 628; j += 3) {
            double x = 1.5707963268 - (j / 100.0 + k * 6.28318530718);
            for (int step = 0; step < 3; ++step, x = std::nextafter(x, 1e300))
                ASSERT_EQ(table_cos(x), sine_table[looped_index(x)]) << x;
        }
    }
}

TEST(TableCos, ReturnsPromptlyForEveryInput) {
    for (double x : {HUGE_VAL, -HUGE_VAL, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_TRUE(std::isnan(table_cos(x))) << x;
    // So large that one period no longer changes them: still a table entry.
    for (double x : {1e17, -1e17, 1e300, -1e300, DBL_MAX, -DBL_MAX}) {
        EXPECT_GE(table_cos(x), -1.0) << x;
        EXPECT_LE(table_cos(x), 1.0) << x;
    }
    // Beyond the stepped range the value still tracks the cosine.
    for (double x = 1e6; x < 1e9; x *= 1.37) {
        EXPECT_NEAR(table_cos(x), std::cos(x), 0.011) << x;
        EXPECT_NEAR(table_cos(-x), std::cos(x), 0.011) << x;
    }
}
