// One simulated box: mass properties, motion state, orientation as a 3x3 matrix,
// its eight corners, and the pose it had before the last time step.
#pragma once

#include "math/matrix3.h"
#include "math/matrix4.h"
#include "math/vector.h"

// The part of a body's state that one integrate may change and that the world
// step puts back when it rejects a sub-step.
struct BodyConfig {
    matrix3 orientation;
    matrix3 world_inverse_inertia;
    vec3 velocity;
    vec3 angular_velocity;
    vec3 position;
};

class RigidBody {
  public:
    float restitution;
    bool frozen;
    bool use_gravity;
    float mass;
    matrix3 inverse_inertia;
    matrix3 world_inverse_inertia;
    vec3 velocity;
    vec3 angular_velocity;
    vec3 force;
    vec3 torque;
    vec3 position;
    // Columns m[0..2], m[3..5], m[6..8] are the body's x, y, z axes in world space.
    matrix3 orientation;
    vec3 previous_position;
    matrix3 previous_orientation;
    // Corners in body space, index bits (x, y, z), minus before plus.
    vec3 vertices[8];
    vec3 offset;

    RigidBody();
    // The world owns bodies through base pointers; test bodies derive from this.
    virtual ~RigidBody() = default;

    // Semi-implicit Euler over dt seconds; does nothing while frozen.
    virtual void integrate(float dt);

    // Orientation axes in the upper 3x3 block, position as the translation.
    matrix4 model_matrix() const;

    void save_config(BodyConfig& config) const;
    void restore_config(const BodyConfig& config);

    // Collision tests and impulse responses (collision.cpp). The tests return true
    // when a vertex is too deep, so that the caller discards the sub-step.
    bool collide_body(RigidBody& other);
    bool collide_plane(const plane& p);
    // The responses return false, and change nothing, for a point that does not
    // approach: it is already leaving.
    bool resolve_body_contact(RigidBody& other, const vec3& point, const vec3& normal);
    bool resolve_plane_contact(const vec3& normal, const vec3& local_point);
    // The body response with the normal pointing from point towards other's position.
    bool resolve_body_contact_toward(RigidBody& other, const vec3& point);
    // Strictly inside the axis-aligned box of vertices 0 and 7 (orientation ignored).
    bool contains_point(const vec3& p) const;
};
