#include <gtest/gtest.h>

#include <cmath>
#include <typeinfo>

#include "physics/body_dump.h"
#include "physics/world.h"
#include "tests/physics/test_bodies.h"

namespace {

constexpr float step = 0.016f;

// A body in the middle of the room, far from every wall.
ScriptedBody* add_scripted(World& world, const vec3& position = vec3(0, 5, -10)) {
    world.bodies.push_back(make_box<ScriptedBody>(position));
    return static_cast<ScriptedBody*>(world.bodies.back().get());
}

TEST(WorldStep, BodyMeetingNothingGetsOneFullStep) {
    for (bool gravity : {true, false}) {
        SCOPED_TRACE(gravity ? "use_gravity" : "no gravity");
        World world;
        ScriptedBody* b = add_scripted(world);
        b->use_gravity = gravity;
        world.step_physics();
        ASSERT_EQ(b->calls.size(), 1u) << dump_bodies(world.bodies, 1);
        EXPECT_EQ(b->calls[0].dt, step);
        EXPECT_EQ(b->calls[0].force, gravity ? vec3(0, -9.8f * 10, 0) : vec3(0, 0, 0));
        EXPECT_EQ(b->force, vec3(0, 0, 0));
        EXPECT_FALSE(b->frozen);
        EXPECT_EQ(b->velocity, vec3(0, gravity ? -9.8f * step : 0, 0));
    }
}

TEST(WorldStep, AlwaysTooDeepFreezesAfterElevenHalvedTries) {
    World world;
    ScriptedBody* b = add_scripted(world);
    b->velocity = vec3(1, 2, 3);
    b->angular_velocity = vec3(4, 8, 3);
    b->deep.assign(20, true);
    BodyConfig start;
    b->save_config(start);
    world.step_physics();

    ASSERT_EQ(b->calls.size(), 11u) << dump_bodies(world.bodies, 1);
    for (int k = 0; k < 11; ++k) {
        EXPECT_EQ(b->calls[k].dt, step / float(1 << k)) << k;
        EXPECT_EQ(b->calls[k].force, vec3(0, -98, 0)) << k;
    }
    EXPECT_TRUE(b->frozen);
    EXPECT_EQ(b->force, vec3(0, 0, 0));
    EXPECT_TRUE(same_bits(b->position, start.position));
    EXPECT_TRUE(same_bits(b->velocity, start.velocity));
    EXPECT_TRUE(same_bits(b->angular_velocity, start.angular_velocity));
    EXPECT_TRUE(same_bits(b->orientation, start.orientation));
    EXPECT_TRUE(same_bits(b->world_inverse_inertia, start.world_inverse_inertia));

    // Frozen: later steps leave it alone.
    world.step_physics();
    EXPECT_EQ(b->calls.size(), 11u);
}

TEST(WorldStep, HalvingsCountOverTheWholeStep) {
    // Ten halvings still finish the step with what remains.
    World world;
    ScriptedBody* b = add_scripted(world);
    b->deep.assign(10, true);
    world.step_physics();
    ASSERT_EQ(b->calls.size(), 12u) << dump_bodies(world.bodies, 1);
    EXPECT_EQ(b->calls[10].dt, step / 1024);
    EXPECT_EQ(b->calls[11].dt, step - step / 1024);
    EXPECT_FALSE(b->frozen);

    // Two halvings, a successful quarter step, then nine more: eleven, frozen.
    World other;
    ScriptedBody* c = add_scripted(other);
    c->deep = {true, true, false, true, true, true, true, true, true, true, true, true};
    other.step_physics();
    ASSERT_EQ(c->calls.size(), 12u) << dump_bodies(other.bodies, 1);
    EXPECT_TRUE(c->calls[0].dt == step && c->calls[1].dt == step / 2 && c->calls[2].dt == step / 4);
    // From t = 0.004 the remaining 0.012 is halved again and again.
    for (int k = 0; k < 9; ++k) EXPECT_NEAR(c->calls[3 + k].dt, 0.012f / float(1 << k), 1e-9) << k;
    EXPECT_TRUE(c->frozen);
    // It keeps the state of its successful sub-step.
    EXPECT_TRUE(same_bits(c->position, c->calls[2].position_after));

    // One halving fewer after the success: eight halvings down to 0.012 / 256,
    // then that sub-step and the rest succeed.
    World third;
    ScriptedBody* d = add_scripted(third);
    d->deep = {true, true, false, true, true, true, true, true, true, true, true};
    third.step_physics();
    EXPECT_FALSE(d->frozen);
    EXPECT_EQ(d->calls.size(), 13u);
}

TEST(WorldQueries, NeverAgainstItself) {
    // A body's own vertices lie deep inside its own face box.
    World world;
    ScriptedBody* b = add_scripted(world);
    EXPECT_TRUE(b->collide_body(*b));
    EXPECT_FALSE(world.collides_with_bodies(b));
    EXPECT_FALSE(world.collides_with_world(b));
    world.step_physics();
    EXPECT_EQ(b->calls.size(), 1u);
    EXPECT_FALSE(b->frozen);
}

TEST(WorldQueries, BodiesBeforeRoom) {
    // Deep in another body and touching the floor: the body test answers first,
    // so no floor response happens.
    World world;
    auto* b = add_scripted(world, vec3(0, 0.1f, -10));
    world.bodies.push_back(make_box(vec3(0, 0.1f, -10)));
    b->velocity = vec3(0, -5, 0);
    b->previous_position = vec3(0, 5, -10);
    EXPECT_TRUE(world.collides_with_world(b));
    EXPECT_EQ(b->velocity, vec3(0, -5, 0));
}

TEST(WorldQueries, RoomPlanesInOrder) {
    // Touching the floor and too deep in the left wall: the floor comes first and
    // puts the body back where it was, clear of the wall.
    World world;
    auto* b = add_scripted(world, vec3(-10.5f, 0.1f, -10));
    b->velocity = vec3(0, -5, 0);
    b->previous_position = vec3(0, 5, -10);
    EXPECT_FALSE(world.collides_with_world(b));
    EXPECT_GT(b->velocity.y, 0.0f);
    EXPECT_EQ(b->position, vec3(0, 5, -10));

    const struct {
        vec3 position;
        const char* wall;
    } deep_cases[] = {{vec3(0, -0.6f, -10), "floor"}, {vec3(0, 10.6f, -10), "roof"},
                      {vec3(-10.6f, 5, -10), "left"}, {vec3(10.6f, 5, -10), "right"},
                      {vec3(0, 5, -25.6f), "front"},  {vec3(0, 5, 0.6f), "back"}};
    for (const auto& c : deep_cases) {
        b->position = c.position;
        EXPECT_TRUE(world.collides_with_world(b)) << c.wall;
    }
    b->position = vec3(9.7f, 9.7f, -0.3f);  // in a corner, vertices 0.05 clear
    EXPECT_FALSE(world.collides_with_world(b));
}

TEST(FrozenBodies, StillAnObstacle) {
    World world;
    world.bodies.push_back(make_box(vec3(0, 1, -10)));
    RigidBody* frozen = world.bodies[0].get();
    frozen->frozen = true;
    // The mover ends every try with the frozen body's top corners deep in its box.
    ScriptedBody* mover = add_scripted(world, vec3(0, 1.9f, -10));
    mover->has_pose = true;
    mover->pose = vec3(0, 1.5f, -10);
    world.step_physics();
    EXPECT_EQ(mover->calls.size(), 11u) << dump_bodies(world.bodies, 1);
    EXPECT_TRUE(mover->frozen);
    EXPECT_TRUE(frozen->frozen);
    EXPECT_EQ(frozen->velocity, vec3(0, 0, 0));
}

TEST(FrozenBodies, TouchingContactWakesBoth) {
    World world;
    world.bodies.push_back(make_box(vec3(0, 1, -10)));
    RigidBody* frozen = world.bodies[0].get();
    frozen->frozen = true;
    // The frozen box's top corners (y = 1.25) end 0.0005 inside the mover's -y
    // face, within the contact band.
    ScriptedBody* mover = add_scripted(world, vec3(0, 1.9f, -10));
    mover->has_pose = true;
    mover->pose = vec3(0, 1.7495f, -10);
    world.step_physics();
    EXPECT_FALSE(frozen->frozen) << dump_bodies(world.bodies, 1);
    EXPECT_FALSE(mover->frozen);
    EXPECT_EQ(mover->calls.size(), 1u);
    // The frozen body came first in the list, so it was skipped this step and
    // kept its place, but it got a velocity.
    EXPECT_EQ(frozen->position, vec3(0, 1, -10));
    EXPECT_LT(frozen->velocity.y, 0.0f);
    // The mover was put back to where it started.
    EXPECT_EQ(mover->position, vec3(0, 1.9f, -10));

    // Next step the woken body moves again.
    const vec3 before = frozen->position;
    world.step_physics();
    EXPECT_NE(frozen->position, before);
}

TEST(Spawning, ScheduleAndCap) {
    World world;
    std::vector<int> spawn_ticks;
    for (int t = 1; t <= 1500; ++t) {
        const std::size_t before = world.bodies.size();
        world.tick();
        if (world.bodies.size() != before) {
            EXPECT_EQ(world.bodies.size(), before + 1);
            spawn_ticks.push_back(t);
        }
    }
    EXPECT_EQ(spawn_ticks, (std::vector<int>{120, 240, 360, 480, 600, 720}));
    EXPECT_EQ(world.bodies.size(), 6u);
    EXPECT_EQ(world.spawn_timer, 721);
}

TEST(Spawning, NewBodyTakesPartInTheSameTick) {
    World world;
    for (int t = 0; t < 120; ++t) world.tick();
    ASSERT_EQ(world.bodies.size(), 1u);
    const RigidBody& b = *world.bodies[0];
    EXPECT_EQ(typeid(b), typeid(RigidBody));
    // Stepped once already from its spawn point.
    EXPECT_EQ(b.previous_position, vec3(0, 6, -10));
    EXPECT_EQ(b.velocity, vec3(-3, -9.8f * step, -3));
    EXPECT_EQ(b.angular_velocity, vec3(4, 8, 3));
    EXPECT_EQ(b.force, vec3(0, 0, 0));
    // Vertex k has x, y, z at +0.25 where bits 2, 1, 0 of k are set.
    RigidBody box;
    set_box_vertices(box);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(b.vertices[k], box.vertices[k]) << k;
    EXPECT_EQ(b.restitution, 0.1f);
    EXPECT_EQ(b.mass, 10.0f);
}

}  // namespace
