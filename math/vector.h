// Float vectors and planes. Lengths and unit vectors come from inv_sqrt, so they
// carry its small fixed error; sums of three terms are evaluated left to right.
#pragma once

#include "math/fast_math.h"

struct vec2 {
    float x = 0, y = 0;

    vec2() = default;
    vec2(float x_, float y_) : x(x_), y(y_) {}

    vec2 operator+(const vec2& b) const { return vec2(x + b.x, y + b.y); }
    vec2 operator-(const vec2& b) const { return vec2(x - b.x, y - b.y); }
    vec2& operator*=(float s) {
        x *= s;
        y *= s;
        return *this;
    }
};

struct vec4 {
    float x = 0, y = 0, z = 0, w = 0;

    vec4() = default;
    vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
};

struct vec3 {
    float x = 0, y = 0, z = 0;

    vec3() = default;
    vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    explicit vec3(const vec4& v) : x(v.x), y(v.y), z(v.z) {}

    bool operator==(const vec3& b) const { return x == b.x && y == b.y && z == b.z; }
    bool operator!=(const vec3& b) const { return !(*this == b); }

    vec3 operator+(const vec3& b) const { return vec3(x + b.x, y + b.y, z + b.z); }
    vec3 operator-(const vec3& b) const { return vec3(x - b.x, y - b.y, z - b.z); }
    vec3 operator-() const { return vec3(-x, -y, -z); }
    vec3 operator*(float s) const { return vec3(x * s, y * s, z * s); }
    // Three divisions, not a multiplication by 1 / s.
    vec3 operator/(float s) const { return vec3(x / s, y / s, z / s); }
    // A scalar: the sum of the component quotients.
    float operator/(const vec3& b) const { return x / b.x + y / b.y + z / b.z; }

    vec3& operator+=(const vec3& b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    vec3& operator-=(const vec3& b) {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        return *this;
    }
    vec3& operator*=(float s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }

    float dot(const vec3& b) const { return x * b.x + y * b.y + z * b.z; }
    float squared_length() const { return x * x + y * y + z * z; }
    float magnitude() const { return 1.0f / inv_sqrt(squared_length()); }
    // No zero test: inv_sqrt(0) is finite, so the zero vector stays zero.
    vec3& normalize() {
        const float k = inv_sqrt(squared_length());
        x *= k;
        y *= k;
        z *= k;
        return *this;
    }
};

inline vec3 cross(const vec3& a, const vec3& b) {
    return vec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

// Points p with normal.dot(p) + distance == 0; positive on the normal's side.
struct plane {
    vec3 normal{0, 1, 0};
    float distance = 0;

    plane() = default;
    plane(const vec3& normal_, float distance_) : normal(normal_), distance(distance_) {}
    explicit plane(const vec4& v) : normal(v.x, v.y, v.z), distance(v.w) {}
};
