// A point of view: a position and two unit directions. The view looks along
// minus `forward`; the side direction is cross(up, forward) and is not stored.
#pragma once

#include "demo/key_state.h"
#include "math/matrix3.h"
#include "math/matrix4.h"
#include "math/vector.h"

class Frame {
  public:
    vec3 position;
    vec3 up;
    vec3 forward;

    Frame();

    // Position at the origin, up +y, forward +z.
    void reset();
    // Rows right, up, forward, then the translation by minus the position.
    void view_matrix(matrix4& out) const;
    // Turns by a mouse displacement in pixels (x right, y down), 50 pixels a
    // radian: yaw about world up, then pitch about the frame's right axis.
    void look(const vec2& delta);
    // Moves 0.05 units a call for each held movement key.
    void move(const KeyState& keys);
    // Columns: minus forward, up, normalised right.
    void basis(matrix3& out) const;
};

// Rotates `v` in place by `angle` radians about the unit vector `axis`
// (clockwise seen from the axis tip for a positive angle).
void rotate_about_axis(float angle, vec3& v, const vec3& axis);
