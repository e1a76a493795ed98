// Scalar approximations under the vector and matrix types. There is no square
// root anywhere in the system: every length goes through inv_sqrt.
#pragma once

#include <cstdint>

// Fast inverse square root: one Newton step from the 0x5f3759df guess. Never more
// than 0.17523% below 1/sqrt(x), never more than one float unit above. x >= 0.
float inv_sqrt(float x);

// x with its sign bit cleared (-0 becomes +0, NaNs lose their sign too).
float fast_abs(float x);

// The same on a float's bit pattern held in an integer.
std::int32_t fast_abs_bits(std::int32_t bits);

// cos x read from sine_table as sin(1.5707963268 - x), without interpolation.
// Non-finite arguments give NaN.
double table_cos(double x);

// Single-precision cosine and sine through the C library's double versions.
float float_cos(float x);
float float_sin(float x);
