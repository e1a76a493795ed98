#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <typeinfo>

#include "physics/body_dump.h"
#include "physics/world.h"
#include "tests/physics/test_bodies.h"

namespace {

constexpr float step = 0.016f;

class WorldTest : public testing::Test {
  protected:
    World world;

    // By default in the middle of the room, far from every wall.
    ScriptedBody* add_scripted(const vec3& position = vec3(0, 5, -10)) {
        world.bodies.push_back(make_box<ScriptedBody>(position));
        return static_cast<ScriptedBody*>(world.bodies.back().get());
    }

    // A frozen box below a mover that ends every try at pose_y.
    ScriptedBody* add_mover_above_frozen(float pose_y) {
        world.bodies.push_back(make_box(vec3(0, 1, -10)));
        world.bodies[0]->frozen = true;
        ScriptedBody* mover = add_scripted(vec3(0, 1.9f, -10));
        mover->pose = vec3(0, pose_y, -10);
        world.step_physics();
        return mover;
    }

    std::string dump() const { return dump_bodies(world.bodies, 1); }
};

using WorldStep = WorldTest;
using WorldQueries = WorldTest;
using FrozenBodies = WorldTest;

TEST_F(WorldStep, BodyMeetingNothingGetsOneFullStep) {
    // Its own vertices lie deep inside its own face box: it is never tested
    // against itself.
    ScriptedBody* b = add_scripted();
    EXPECT_TRUE(b->collide_body(*b));
    EXPECT_FALSE(world.collides_with_bodies(b));
    world.step_physics();
    ASSERT_EQ(b->calls.size(), 1u) << dump();
    EXPECT_EQ(b->calls[0].dt, step);
    EXPECT_EQ(b->calls[0].force, vec3(0, -9.8f * 10, 0));
    EXPECT_EQ(b->force, vec3(0, 0, 0));
    EXPECT_FALSE(b->frozen);
}

TEST_F(WorldStep, AlwaysTooDeepFreezesAfterElevenHalvedTries) {
    ScriptedBody* b = add_scripted();
    b->velocity = vec3(1, 2, 3);
    b->angular_velocity = vec3(4, 8, 3);
    b->deep.assign(20, true);
    BodyConfig start, end;
    b->save_config(start);
    world.step_physics();

    ASSERT_EQ(b->calls.size(), 11u) << dump();
    for (int k = 0; k < 11; ++k) {
        EXPECT_EQ(b->calls[k].dt, step / float(1 << k)) << k;
        EXPECT_EQ(b->calls[k].force, vec3(0, -98, 0)) << k;
    }
    EXPECT_TRUE(b->frozen);
    EXPECT_EQ(b->force, vec3(0, 0, 0));
    b->save_config(end);
    EXPECT_EQ(std::memcmp(&start, &end, sizeof start), 0) << "restored to the start\n" << dump();

    // Frozen: later steps leave it alone.
    world.step_physics();
    EXPECT_EQ(b->calls.size(), 11u);
}

TEST_F(WorldStep, HalvingsCountOverTheWholeStep) {
    // deep_before tries too deep, one that succeeds, then deep_after too deep.
    const struct {
        int deep_before, deep_after;
        std::size_t calls;
        bool frozen;
    } cases[] = {{10, 0, 12, false}, {2, 9, 12, true}, {2, 8, 13, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.deep_before << " + " << c.deep_after);
        world.bodies.clear();
        ScriptedBody* b = add_scripted();
        b->deep.assign(c.deep_before, true);
        b->deep.push_back(false);
        b->deep.insert(b->deep.end(), c.deep_after, true);
        world.step_physics();
        ASSERT_EQ(b->calls.size(), c.calls) << dump();
        EXPECT_EQ(b->frozen, c.frozen);
        const int n = c.deep_before;
        EXPECT_EQ(b->calls[n].dt, step / float(1 << n));
        EXPECT_TRUE(c.deep_after > 0 || b->calls[n + 1].dt == step - step / 1024);
        // From t = 0.004 the remaining 0.012 is halved again and again.
        for (int k = 0; k < c.deep_after; ++k)
            EXPECT_NEAR(b->calls[n + 1 + k].dt, 0.012f / float(1 << k), 1e-9) << k;
        // A body that freezes keeps the state of its successful sub-step.
        EXPECT_TRUE(!c.frozen || same_bits(b->position, b->calls[n].position_after));
    }
}

TEST_F(WorldQueries, BodiesBeforeRoom) {
    // Deep in another body and touching the floor: the body test answers first,
    // so no floor response happens.
    ScriptedBody* b = add_scripted(vec3(0, 0.1f, -10));
    world.bodies.push_back(make_box(vec3(0, 0.1f, -10)));
    b->velocity = vec3(0, -5, 0);
    b->previous_position = vec3(0, 5, -10);
    EXPECT_TRUE(world.collides_with_world(b));
    EXPECT_EQ(b->velocity, vec3(0, -5, 0));
}

TEST_F(WorldQueries, RoomPlanesInOrder) {
    // Touching the floor and too deep in the left wall: the floor comes first and
    // puts the body back where it was, clear of the wall.
    ScriptedBody* b = add_scripted(vec3(-10.5f, 0.1f, -10));
    b->velocity = vec3(0, -5, 0);
    b->previous_position = vec3(0, 5, -10);
    EXPECT_FALSE(world.collides_with_world(b));
    EXPECT_GT(b->velocity.y, 0.0f);
    EXPECT_EQ(b->position, vec3(0, 5, -10));

    // Too deep in the floor, roof, left, right, front and back wall.
    for (const vec3& p : {vec3(0, -0.6f, -10), vec3(0, 10.6f, -10), vec3(-10.6f, 5, -10),
                          vec3(10.6f, 5, -10), vec3(0, 5, -25.6f), vec3(0, 5, 0.6f)}) {
        b->position = p;
        EXPECT_TRUE(world.collides_with_world(b)) << p.x << ", " << p.y << ", " << p.z;
    }
    b->position = vec3(9.7f, 9.7f, -0.3f);  // in a corner, vertices 0.05 clear
    EXPECT_FALSE(world.collides_with_world(b));
}

TEST_F(FrozenBodies, StillAnObstacle) {
    // Every try ends with the frozen body's top corners deep in the mover's box.
    ScriptedBody* mover = add_mover_above_frozen(1.5f);
    EXPECT_EQ(mover->calls.size(), 11u) << dump();
    EXPECT_TRUE(mover->frozen);
    EXPECT_TRUE(world.bodies[0]->frozen);
    EXPECT_EQ(world.bodies[0]->velocity, vec3(0, 0, 0));
}

TEST_F(FrozenBodies, TouchingContactWakesBoth) {
    // The frozen box's top corners (y = 1.25) end 0.0005 inside the mover's -y
    // face, within the contact band.
    ScriptedBody* mover = add_mover_above_frozen(1.7495f);
    RigidBody* woken = world.bodies[0].get();
    EXPECT_FALSE(woken->frozen) << dump();
    EXPECT_FALSE(mover->frozen);
    EXPECT_EQ(mover->calls.size(), 1u);
    // The frozen body came first in the list, so it was skipped this step and
    // kept its place, but it got a velocity; the mover was put back.
    EXPECT_EQ(woken->position, vec3(0, 1, -10));
    EXPECT_LT(woken->velocity.y, 0.0f);
    EXPECT_EQ(mover->position, vec3(0, 1.9f, -10));

    world.step_physics();
    EXPECT_NE(woken->position, vec3(0, 1, -10)) << "the woken body moves again";
}

TEST(Spawning, ScheduleCapAndTheNewBody) {
    World world;
    std::vector<int> spawn_ticks;
    for (int t = 1; t <= 1500; ++t) {
        const std::size_t before = world.bodies.size();
        world.tick();
        if (world.bodies.size() != before) {
            EXPECT_EQ(world.bodies.size(), before + 1);
            spawn_ticks.push_back(t);
        }
        if (t != 120) continue;
        // It takes part in the tick it is made in: stepped once from its spawn point,
        // the new velocity moving the position.
        const RigidBody& b = *world.bodies[0];
        EXPECT_EQ(typeid(b), typeid(RigidBody));
        EXPECT_EQ(b.previous_position, vec3(0, 6, -10));
        EXPECT_EQ(b.velocity, vec3(-3, -9.8f * step, -3));
        EXPECT_EQ(b.position, vec3(0, 6, -10) + b.velocity * step);
        EXPECT_EQ(b.angular_velocity, vec3(4, 8, 3));
        EXPECT_EQ(b.force, vec3(0, 0, 0));
        // Vertex k has x, y, z at +0.25 where bits 2, 1, 0 of k are set.
        const auto box = make_box(vec3(0, 0, 0));
        for (int k = 0; k < 8; ++k) EXPECT_EQ(b.vertices[k], box->vertices[k]) << k;
    }
    EXPECT_EQ(spawn_ticks, (std::vector<int>{120, 240, 360, 480, 600, 720}));
    EXPECT_EQ(world.bodies.size(), 6u);
    EXPECT_EQ(world.spawn_timer, 721);
}

}  // namespace
