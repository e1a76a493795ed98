#include "physics/rigid_body.h"

namespace {

// The inertia comes from fixed box dimensions, not from the vertices; the
// numerator 36 makes the boxes spin more readily than a solid box would.
constexpr float box_width = 10.0f;
constexpr float box_height = 10.0f;
constexpr float box_depth = 10.0f;
constexpr float inertia_numerator = 36.0f;

}  // namespace

RigidBody::RigidBody()
    : restitution(0.1f),
      frozen(false),
      use_gravity(true),
      mass(10.0f),
      inverse_inertia{},
      world_inverse_inertia{},
      orientation(matrix3::identity()),
      // integrate writes it before anything reads it; identity keeps a body that
      // was never stepped well defined.
      previous_orientation(matrix3::identity()) {
    const float w = box_width, h = box_height, d = box_depth;
    inverse_inertia.m[0] = inertia_numerator / (mass * (h * h + d * d));
    inverse_inertia.m[4] = inertia_numerator / (mass * (w * w + d * d));
    inverse_inertia.m[8] = inertia_numerator / (mass * (w * w + h * h));
}

void RigidBody::integrate(float dt) {
    if (frozen) return;
    const vec3 acceleration = force / mass;
    velocity = velocity + acceleration * dt;
    previous_position = position;
    position = position + velocity * dt;

    const vec3 angular_acceleration = world_inverse_inertia.transform(torque);
    angular_velocity = angular_velocity + angular_acceleration * dt;
    matrix3 rotation;
    rotation.skew(angular_velocity);
    previous_orientation = orientation;
    // Each axis a turns by dt times (omega x a), the turn the contacts assume for
    // a point's velocity; orientation * rotation is a x omega, the opposite one.
    orientation = orientation - (orientation * rotation) * dt;
    orientation.orthonormalize();

    world_inverse_inertia = (orientation * inverse_inertia) * orientation.transpose();
}

matrix4 RigidBody::model_matrix() const {
    matrix4 r;
    for (int c = 0; c < 3; ++c) {
        for (int row = 0; row < 3; ++row) r.m[4 * c + row] = orientation.m[3 * c + row];
        r.m[4 * c + 3] = 0;
    }
    r.m[12] = position.x;
    r.m[13] = position.y;
    r.m[14] = position.z;
    r.m[15] = 1;
    return r;
}

void RigidBody::save_config(BodyConfig& config) const {
    config.orientation = orientation;
    config.world_inverse_inertia = world_inverse_inertia;
    config.velocity = velocity;
    config.angular_velocity = angular_velocity;
    config.position = position;
}

void RigidBody::restore_config(const BodyConfig& config) {
    orientation = config.orientation;
    world_inverse_inertia = config.world_inverse_inertia;
    velocity = config.velocity;
    angular_velocity = config.angular_velocity;
    position = config.position;
}
