#include "demo/frame.h"

#include <cmath>

namespace {

constexpr float pixels_per_radian = 50.0f;
constexpr float step = 0.05f;

vec3 unit_right(const vec3& up, const vec3& forward) {
    vec3 right = cross(up, forward);
    right.normalize();
    return right;
}

}  // namespace

void rotate_about_axis(float angle, vec3& v, const vec3& axis) {
    // The C library's double functions, not the sine table.
    const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
    const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
    const float t = 1.0f - c;
    const float x = axis.x;
    const float y = axis.y;
    const float z = axis.z;
    matrix3 m;
    m.m[0] = t * x * x + c;
    m.m[1] = t * x * y - s * z;
    m.m[2] = t * x * z + s * y;
    m.m[3] = t * y * x + s * z;
    m.m[4] = t * y * y + c;
    m.m[5] = t * y * z - s * x;
    m.m[6] = t * z * x - s * y;
    m.m[7] = t * z * y + s * x;
    m.m[8] = t * z * z + c;
    v = m.transform(v);
}

Frame::Frame() {
    reset();
}

void Frame::reset() {
    position = vec3(0, 0, 0);
    up = vec3(0, 1, 0);
    forward = vec3(0, 0, 1);
}

void Frame::view_matrix(matrix4& out) const {
    const vec3 right = unit_right(up, forward);
    out.m[0] = right.x;
    out.m[1] = up.x;
    out.m[2] = forward.x;
    out.m[3] = 0;
    out.m[4] = right.y;
    out.m[5] = up.y;
    out.m[6] = forward.y;
    out.m[7] = 0;
    out.m[8] = right.z;
    out.m[9] = up.z;
    out.m[10] = forward.z;
    out.m[11] = 0;
    out.m[12] = -right.dot(position);
    out.m[13] = -up.dot(position);
    out.m[14] = -forward.dot(position);
    out.m[15] = 1;
}

void Frame::look(const vec2& delta) {
    const vec3 vup(0, 1, 0);
    const float yaw = delta.x / pixels_per_radian;
    rotate_about_axis(yaw, forward, vup);
    rotate_about_axis(yaw, up, vup);
    forward.normalize();
    up.normalize();

    const vec3 right = unit_right(up, forward);
    const float pitch = delta.y / pixels_per_radian;
    rotate_about_axis(pitch, forward, right);
    rotate_about_axis(pitch, up, right);
    forward.normalize();
    up.normalize();
}

void Frame::move(const KeyState& keys) {
    // Taken once, before any change; deliberately not normalised.
    const vec3 right = cross(up, forward);
    if (keys[KeyState::up_index]) position -= forward * step;
    if (keys[KeyState::down_index]) position += forward * step;
    if (keys[KeyState::left_index]) position -= right * step;
    if (keys[KeyState::right_index]) position += right * step;
    if (keys[KeyState::enter_index]) position.y += step;
    if (keys[KeyState::shift_index]) position.y -= step;
}

void Frame::basis(matrix3& out) const {
    const vec3 right = unit_right(up, forward);
    out.m[0] = -forward.x;
    out.m[1] = -forward.y;
    out.m[2] = -forward.z;
    out.m[3] = up.x;
    out.m[4] = up.y;
    out.m[5] = up.z;
    out.m[6] = right.x;
    out.m[7] = right.y;
    out.m[8] = right.z;
}
