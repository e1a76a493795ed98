// 4x4 float matrix in the element order OpenGL takes: row r, column c at m[4c + r],
// translation in m[12..14]. Products read in the order the transforms act:
// a * b applies a first, then b (B·A for column vectors); a.premultiply(b) is b * a.
#pragma once

#include "math/vector.h"

struct matrix4 {
    float m[16];

    static matrix4 identity();

    matrix4 operator*(const matrix4& b) const;
    matrix4 premultiply(const matrix4& b) const;
    matrix4 operator*(float s) const;
    matrix4 operator+(const matrix4& b) const;
    matrix4 operator-(const matrix4& b) const;

    // M·v for column vectors.
    vec4 transform(const vec4& v) const;
    matrix4 transpose() const;
    // Gram-Schmidt on the first two columns of the upper 3x3 block; the rest of
    // the matrix is left as it is.
    void orthonormalize();

    // fovy in degrees; an infinite far plane when `infinite` is set.
    void perspective(float fovy, float aspect, float near_plane, float far_plane, bool infinite);
    void orthographic(float left, float right, float bottom, float top, float near_plane,
                      float far_plane);
};
