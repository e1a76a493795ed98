// Bodies the physics tests build: plain boxes, and a box whose integrate records
// its calls and can be scripted to end each call too deep in the floor.
#pragma once

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "physics/rigid_body.h"

constexpr float half_extent = 0.25f;

inline void set_box_vertices(RigidBody& body) {
    for (int k = 0; k < 8; ++k) {
        body.vertices[k] =
            vec3((k & 4) ? half_extent : -half_extent, (k & 2) ? half_extent : -half_extent,
                 (k & 1) ? half_extent : -half_extent);
    }
}

template <class Body = RigidBody>
std::unique_ptr<Body> make_box(const vec3& position) {
    auto body = std::make_unique<Body>();
    set_box_vertices(*body);
    body->position = position;
    return body;
}

struct Call {
    float dt;
    vec3 force;
    vec3 position_after;
};

class ScriptedBody : public RigidBody {
  public:
    // deep[i]: call i leaves the body 5 below the floor; calls past the end move
    // the body as the base class does. pose, when set, replaces where a call that
    // is not deep leaves the body (identity orientation).
    std::vector<bool> deep;
    std::optional<vec3> pose;
    std::vector<Call> calls;

    void integrate(float dt) override {
        const std::size_t i = calls.size();
        const vec3 force_during = force;
        RigidBody::integrate(dt);
        if (i < deep.size() && deep[i]) {
            position = vec3(position.x, -5, position.z);
        } else if (pose) {
            position = *pose;
            orientation = matrix3::identity();
        }
        calls.push_back({dt, force_during, position});
    }
};

template <class T>
bool same_bits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
