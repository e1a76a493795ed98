#include "physics/world.h"

#include <initializer_list>

namespace {

constexpr float step_length = 0.016f;
constexpr float gravity = 9.8f;
constexpr int max_halvings = 10;

// The timer stops one past the last spawn tick, so six boxes in all.
constexpr int spawn_interval = 120;
constexpr int last_spawn_tick = 720;

constexpr float box_half_extent = 0.25f;

// Normals point into the room: x in [-10, 10], y in [0, 10], z in [-25, 0].
bool collides_with_room(RigidBody& body) {
    const plane floor(vec3(0, 1, 0), 0);
    const plane roof(vec3(0, -1, 0), 10);
    const plane left(vec3(1, 0, 0), 10);
    const plane right(vec3(-1, 0, 0), 10);
    const plane front(vec3(0, 0, 1), 25);
    const plane back(vec3(0, 0, -1), 0);
    for (const plane* p : {&floor, &roof, &left, &right, &front, &back}) {
        if (body.collide_plane(*p)) return true;
    }
    return false;
}

void place_spawned_box(RigidBody& box) {
    box.position = vec3(0, 6, -10);
    for (int k = 0; k < 8; ++k) {
        const float x = (k & 4) ? box_half_extent : -box_half_extent;
        const float y = (k & 2) ? box_half_extent : -box_half_extent;
        const float z = (k & 1) ? box_half_extent : -box_half_extent;
        box.vertices[k] = vec3(x, y, z);
    }
    box.angular_velocity = vec3(4, 8, 3);
    box.velocity = vec3(-3, 0, -3);
}

}  // namespace

void World::tick() {
    if (spawn_timer <= last_spawn_tick) ++spawn_timer;
    if (spawn_timer % spawn_interval == 0) {
        auto box = std::make_unique<RigidBody>();
        place_spawned_box(*box);
        bodies.push_back(std::move(box));
    }
    step_physics();
}

void World::step_physics() {
    BodyConfig config;
    // The list may not grow during the step, but the size is read afresh anyway.
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        RigidBody* body = bodies[i].get();
        if (body->frozen) continue;

        const float end = step_length;
        float target = end;
        float t = 0;
        int halvings = 0;
        if (body->use_gravity) body->force = vec3(0, -gravity * body->mass, 0);

        while (end > t) {
            body->save_config(config);
            body->integrate(target - t);
            if (collides_with_world(body)) {
                body->restore_config(config);
                target = (t + target) / 2;
                // Counted over the whole step, not reset by a successful sub-step.
                if (++halvings > max_halvings) {
                    body->frozen = true;
                    break;
                }
            } else {
                t = target;
                target = end;
            }
        }
        body->force = vec3(0, 0, 0);
    }
}

bool World::collides_with_world(RigidBody* body) {
    // A rejected sub-step must leave the other bodies as it found them too: an
    // impulse kept by one side only is momentum and energy from nowhere.
    others_before.clear();
    for (const auto& other : bodies)
        others_before.push_back({other->velocity, other->angular_velocity, other->frozen});
    if (!collides_with_bodies(body) && !collides_with_room(*body)) return false;
    for (std::size_t j = 0; j < bodies.size(); ++j) {
        RigidBody& other = *bodies[j];
        if (&other == body) continue;
        other.velocity = others_before[j].velocity;
        other.angular_velocity = others_before[j].angular_velocity;
        other.frozen = others_before[j].frozen;
    }
    return true;
}

bool World::collides_with_bodies(RigidBody* body) {
    for (std::size_t j = 0; j < bodies.size(); ++j) {
        RigidBody* other = bodies[j].get();
        if (other == body) continue;
        if (body->collide_body(*other)) return true;
    }
    return false;
}
