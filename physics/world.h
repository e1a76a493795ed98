// The list of bodies and the fixed-step simulation over it: spawning, the adaptive
// per-body step, and the queries against the other bodies and the room.
#pragma once

#include <memory>
#include <vector>

#include "physics/rigid_body.h"

class World {
  public:
    // Spawn order; owned, freed with the world.
    std::vector<std::unique_ptr<RigidBody>> bodies;
    int spawn_timer = 0;

    // Spawns a box every 120 ticks up to six, then step_physics().
    void tick();
    // Advances every body in list order by one fixed step.
    void step_physics();
    // Bodies first, then the six room planes; true when anything was too deep.
    bool collides_with_world(RigidBody* body);
    // collide_body against every other body, frozen ones included.
    bool collides_with_bodies(RigidBody* body);

  private:
    struct Motion {
        vec3 velocity;
        vec3 angular_velocity;
        bool frozen;
    };
    // Scratch for collides_with_world, kept to spare an allocation per sub-step.
    std::vector<Motion> others_before;
};
