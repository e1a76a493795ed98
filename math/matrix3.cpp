#include "math/matrix3.h"

#include "math/gram_schmidt.h"

matrix3 matrix3::identity() {
    matrix3 r{};
    r.m[0] = r.m[4] = r.m[8] = 1;
    return r;
}

matrix3 matrix3::operator*(const matrix3& b) const {
    matrix3 c;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            c.m[3 * i + j] =
                m[3 * i] * b.m[j] + m[3 * i + 1] * b.m[3 + j] + m[3 * i + 2] * b.m[6 + j];
        }
    }
    return c;
}

matrix3 matrix3::operator*(float s) const {
    matrix3 r;
    for (int i = 0; i < 9; ++i) r.m[i] = m[i] * s;
    return r;
}

matrix3 matrix3::operator+(const matrix3& b) const {
    matrix3 r;
    for (int i = 0; i < 9; ++i) r.m[i] = m[i] + b.m[i];
    return r;
}

matrix3 matrix3::operator-(const matrix3& b) const {
    matrix3 r;
    for (int i = 0; i < 9; ++i) r.m[i] = m[i] - b.m[i];
    return r;
}

vec3 matrix3::transform(const vec3& v) const {
    return vec3(v.x * m[0] + v.y * m[3] + v.z * m[6], v.x * m[1] + v.y * m[4] + v.z * m[7],
                v.x * m[2] + v.y * m[5] + v.z * m[8]);
}

matrix3 matrix3::transpose() const {
    matrix3 t;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) t.m[3 * i + j] = m[3 * j + i];
    }
    return t;
}

void matrix3::orthonormalize() {
    vec3 x(m[0], m[1], m[2]);
    vec3 y(m[3], m[4], m[5]);
    vec3 z;
    orthonormalize_axes(x, y, z);
    m[0] = x.x, m[1] = x.y, m[2] = x.z;
    m[3] = y.x, m[4] = y.y, m[5] = y.z;
    m[6] = z.x, m[7] = z.y, m[8] = z.z;
}

void matrix3::skew(const vec3& w) {
    m[0] = 0, m[1] = -w.z, m[2] = w.y;
    m[3] = w.z, m[4] = 0, m[5] = -w.x;
    m[6] = -w.y, m[7] = w.x, m[8] = 0;
}
