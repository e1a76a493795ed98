#include "math/fast_math.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "math/sine_table.h"

float inv_sqrt(float x) {
    const float half = 0.5f * x;
    std::int32_t i;
    std::memcpy(&i, &x, sizeof i);
    // The shift keeps the sign; the subtraction wraps like the hardware does, so a
    // pattern with the sign bit set (-0, or the NaN that 0 * inf gives on x86)
    // cannot overflow a signed integer.
    const std::uint32_t guess = 0x5f3759dfu - static_cast<std::uint32_t>(i >> 1);
    float y;
    std::memcpy(&y, &guess, sizeof y);
    y = y * (1.5f - ((half * y) * y));
    return y;
}

float fast_abs(float x) {
    std::int32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    bits = fast_abs_bits(bits);
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

std::int32_t fast_abs_bits(std::int32_t bits) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits) & 0x7fffffffu);
}

namespace {

constexpr double quarter_period = 1.5707963268;
constexpr double period = 6.28318530718;

// Up to this size the period is stepped off one pass at a time, which decides
// the index for every argument a caller could reasonably pass. Beyond it the
// passes would take too long (or never end once a - period == a), so the
// remainder is taken in one exact step instead.
constexpr double stepped_limit = 65536.0 * period;

}  // namespace

double table_cos(double x) {
    if (!std::isfinite(x)) return std::numeric_limits<double>::quiet_NaN();
    double a = quarter_period - x;
    if (std::fabs(a) > stepped_limit) {
        a = std::fmod(a, period);
        if (a < 0) a += period;
    } else {
        while (a > period) a -= period;
        while (a < 0) a += period;
    }
    int index = static_cast<int>(a * 100);
    if (index > sine_table_size - 1) index = sine_table_size - 1;
    return sine_table[index];
}

float float_cos(float x) {
    return static_cast<float>(std::cos(static_cast<double>(x)));
}

float float_sin(float x) {
    return static_cast<float>(std::sin(static_cast<double>(x)));
}
