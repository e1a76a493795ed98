#include <algorithm>
#include <cmath>

#include "math/fast_math.h"
#include "physics/rigid_body.h"

namespace {

// The face planes of the body test sit at this distance along each body axis,
// whatever the vertices are.
constexpr float face_distance = 0.5f;
// A vertex less than this inside its nearest face is touching; deeper is too deep.
constexpr float contact_band = 0.00125f;
constexpr float nearest_face_start = 1000.0f;
// Plane test: below 0 touching, below -0.25 too deep.
constexpr float plane_contact = 0.0f;
constexpr float plane_too_deep = -0.25f;

constexpr int vertex_count = 8;
constexpr int face_count = 6;

// Signed body axes in the order the faces are searched: +y, -y, +x, -x, +z, -z.
const vec3 face_axes[face_count] = {vec3(0, 1, 0),  vec3(0, -1, 0), vec3(1, 0, 0),
                                    vec3(-1, 0, 0), vec3(0, 0, 1),  vec3(0, 0, -1)};

}  // namespace

bool RigidBody::collide_body(RigidBody& other) {
    // No vertex of the other body can reach the widened face box when the two
    // centres lie further apart than the box's corner and the farthest vertex.
    float reach = 0, axes = 0;
    for (const vec3& v : other.vertices) reach = std::max(reach, v.dot(v));
    for (int i = 0; i < 3; ++i) {
        const vec3 axis(orientation.m[3 * i], orientation.m[3 * i + 1], orientation.m[3 * i + 2]);
        axes += std::sqrt(axis.dot(axis)) * face_distance + contact_band;
    }
    const vec3 apart = other.position - position;
    const float limit = axes + std::sqrt(reach);
    if (apart.dot(apart) > limit * limit) return false;

    plane faces[face_count];
    for (int i = 0; i < face_count; ++i) {
        const vec3 f = orientation.transform(face_axes[i] * face_distance) + position;
        vec3 normal = orientation.transform(face_axes[i]);
        normal.normalize();
        faces[i] = plane(vec4(normal.x, normal.y, normal.z, -normal.dot(f)));
    }

    for (int k = 0; k < vertex_count; ++k) {
        const vec3 point = other.orientation.transform(other.vertices[k]) + other.position;
        int count = 0;
        float best = nearest_face_start;
        float depth = 0;
        int nearest = 0;
        for (int i = 0; i < face_count; ++i) {
            const float s = faces[i].normal.dot(point) + faces[i].distance;
            if (s < contact_band) {
                ++count;
                if (fast_abs(s) < best) {
                    best = fast_abs(s);
                    depth = -s;
                    nearest = i;
                }
            }
        }
        if (count == face_count) {
            if (best > contact_band) return true;
            // Only a point that approaches is answered; the body then steps out
            // of the face along its normal. Put back where it was before the
            // step, it would keep gravity's pull without the fall (energy from
            // nowhere) and never move on while it touches.
            const vec3& n = faces[nearest].normal;
            if (resolve_body_contact(other, point, n) && depth > 0) position -= n * depth;
        }
    }
    return false;
}

bool RigidBody::collide_plane(const plane& p) {
    for (int k = 0; k < vertex_count; ++k) {
        const vec3 o = orientation.transform(offset);
        const vec3 point = orientation.transform(offset + vertices[k]) - o + position;
        const float s = point.dot(p.normal) + p.distance;
        if (s < plane_too_deep) return true;
        if (s < plane_contact) {
            const vec3 r = point - position + o;
            // As for bodies: answered only while approaching, then out of the
            // plane along its normal, no further.
            if (resolve_plane_contact(p.normal, r)) {
                position += p.normal * (-s / p.normal.dot(p.normal));
            }
        }
    }
    return false;
}

bool RigidBody::resolve_body_contact(RigidBody& other, const vec3& point, const vec3& normal) {
    RigidBody& a = *this;
    RigidBody& b = other;
    // Both angular terms are measured from A's position.
    const vec3 r = point - a.position;
    const vec3 relative_velocity =
        (a.velocity - b.velocity) + cross(a.angular_velocity, r) - cross(b.angular_velocity, r);
    vec3 n = normal;
    n.normalize();
    // n leaves A's face towards B, so the bodies close while A outruns B along it.
    const float approach = relative_velocity.dot(n);
    if (approach <= 0) return false;
    const float numerator = -(1 + a.restitution) * approach;
    const vec3 rn = cross(r, n);
    const float denominator = 1 / a.mass + 1 / b.mass +
                              n.dot(cross(a.world_inverse_inertia.transform(rn), r)) +
                              n.dot(cross(b.world_inverse_inertia.transform(rn), r));
    const float j = numerator / denominator;
    const vec3 impulse_force = n * j;

    // Equal and opposite at the same lever arm r that the relative velocity and
    // the denominator use, so the pair can only lose energy.
    const vec3 moment = cross(r, impulse_force);
    a.velocity += impulse_force * (1 / a.mass);
    a.angular_velocity += a.world_inverse_inertia.transform(moment);
    b.velocity -= impulse_force * (1 / b.mass);
    b.angular_velocity -= b.world_inverse_inertia.transform(moment);

    a.frozen = false;
    b.frozen = false;
    a.use_gravity = true;
    return true;
}

bool RigidBody::resolve_plane_contact(const vec3& normal, const vec3& local_point) {
    const vec3& r = local_point;
    const vec3& n = normal;
    const vec3 vertex_velocity = velocity + cross(angular_velocity, r);
    // The normal points into the room: a point approaches the wall while its
    // velocity along the normal is negative.
    const float approach = vertex_velocity.dot(n);
    if (approach >= 0) return false;
    const float numerator = -(1 + restitution) * approach;
    const float denominator =
        1 / mass + n.dot(cross(world_inverse_inertia.transform(cross(r, n)), r));
    const float j = numerator / denominator;
    const vec3 impulse_momentum = n * j;
    // Added to the motion: the velocity along the plane is kept (no friction).
    velocity += impulse_momentum / mass;
    angular_velocity += world_inverse_inertia.transform(cross(r, impulse_momentum));
    return true;
}

bool RigidBody::resolve_body_contact_toward(RigidBody& other, const vec3& point) {
    vec3 normal = other.position - point;
    normal.normalize();
    return resolve_body_contact(other, point, normal);
}

bool RigidBody::contains_point(const vec3& p) const {
    const vec3 lo = vertices[0] + position + offset;
    const vec3 hi = vertices[7] + position + offset;
    return p.x > lo.x && p.x < hi.x && p.y > lo.y && p.y < hi.y && p.z > lo.z && p.z < hi.z;
}
