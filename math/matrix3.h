// 3x3 float matrix, same element order and product order as matrix4: the three
// columns are m[0..2], m[3..5], m[6..8] (for an orientation, the body's axes).
#pragma once

#include "math/vector.h"

struct matrix3 {
    float m[9];

    static matrix3 identity();

    matrix3 operator*(const matrix3& b) const;
    matrix3 operator*(float s) const;
    matrix3 operator+(const matrix3& b) const;
    matrix3 operator-(const matrix3& b) const;

    // M·v for column vectors.
    vec3 transform(const vec3& v) const;
    matrix3 transpose() const;
    // Gram-Schmidt keeping the direction of the first column.
    void orthonormalize();
    // The cross-product matrix: skew(w).transform(v) == cross(v, w).
    void skew(const vec3& w);
};
