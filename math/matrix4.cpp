#include "math/matrix4.h"

#include <cmath>

#include "math/gram_schmidt.h"

matrix4 matrix4::identity() {
    matrix4 r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1;
    return r;
}

namespace {

// C[4i + j] = sum over k of a[4i + k] * b[4k + j], left to right.
matrix4 product(const matrix4& a, const matrix4& b) {
    matrix4 c;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            c.m[4 * i + j] = a.m[4 * i + 0] * b.m[j] + a.m[4 * i + 1] * b.m[4 + j] +
                             a.m[4 * i + 2] * b.m[8 + j] + a.m[4 * i + 3] * b.m[12 + j];
        }
    }
    return c;
}

}  // namespace

matrix4 matrix4::operator*(const matrix4& b) const {
    return product(*this, b);
}

matrix4 matrix4::premultiply(const matrix4& b) const {
    return product(b, *this);
}

matrix4 matrix4::operator*(float s) const {
    matrix4 r;
    for (int i = 0; i < 16; ++i) r.m[i] = m[i] * s;
    return r;
}

matrix4 matrix4::operator+(const matrix4& b) const {
    matrix4 r;
    for (int i = 0; i < 16; ++i) r.m[i] = m[i] + b.m[i];
    return r;
}

matrix4 matrix4::operator-(const matrix4& b) const {
    matrix4 r;
    for (int i = 0; i < 16; ++i) r.m[i] = m[i] - b.m[i];
    return r;
}

vec4 matrix4::transform(const vec4& v) const {
    float out[4];
    for (int j = 0; j < 4; ++j) {
        out[j] = v.x * m[j] + v.y * m[4 + j] + v.z * m[8 + j] + v.w * m[12 + j];
    }
    return vec4(out[0], out[1], out[2], out[3]);
}

matrix4 matrix4::transpose() const {
    matrix4 t;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) t.m[4 * i + j] = m[4 * j + i];
    }
    return t;
}

void matrix4::orthonormalize() {
    vec3 x(m[0], m[1], m[2]);
    vec3 y(m[4], m[5], m[6]);
    vec3 z;
    orthonormalize_axes(x, y, z);
    m[0] = x.x, m[1] = x.y, m[2] = x.z;
    m[4] = y.x, m[5] = y.y, m[6] = y.z;
    m[8] = z.x, m[9] = z.y, m[10] = z.z;
}

void matrix4::perspective(float fovy, float aspect, float near_plane, float far_plane,
                          bool infinite) {
    const float half = fovy / 2;
    const double t = static_cast<double>(half) * 3.141592653589793 / 180.0;
    const double cot = std::cos(t) / std::sin(t);
    const float range = far_plane - near_plane;
    for (float& e : m) e = 0;
    m[0] = static_cast<float>(cot / static_cast<double>(aspect));
    m[5] = static_cast<float>(cot);
    m[10] = -(far_plane + near_plane) / range;
    m[11] = -1;
    m[14] = ((-2 * near_plane) * far_plane) / range;
    if (infinite) {
        // The limits of the two depth terms as the far plane recedes.
        m[10] = -1;
        m[14] = -2 * near_plane;
    }
}

void matrix4::orthographic(float left, float right, float bottom, float top, float near_plane,
                           float far_plane) {
    for (float& e : m) e = 0;
    m[0] = 2 / (right - left);
    m[5] = 2 / (top - bottom);
    m[10] = -2 / (far_plane - near_plane);
    m[12] = -(right + left) / (right - left);
    m[13] = -(top + bottom) / (top - bottom);
    m[14] = -(far_plane + near_plane) / (far_plane - near_plane);
    m[15] = 1;
}
