#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

#include "physics/body_dump.h"
#include "physics/world.h"

namespace {

// Vertex k has x, y, z at +0.25 where bits 2, 1, 0 of k are set, else at -0.25.
template <class Body = RigidBody>
std::unique_ptr<Body> make_box(const vec3& position) {
    auto b = std::make_unique<Body>();
    for (int k = 0; k < 8; ++k)
        b->vertices[k] =
            vec3((k & 4) / 8.0f - 0.25f, (k & 2) / 4.0f - 0.25f, (k & 1) / 2.0f - 0.25f);
    b->position = position;
    return b;
}

// What integrate may write but the previous pose, bit for bit.
bool same_state(const RigidBody& a, const RigidBody& b) {
    BodyConfig x, y;
    a.save_config(x), b.save_config(y);
    return !std::memcmp(&x, &y, sizeof x);
}

// A box whose integrate records its calls and can be scripted to end a call too
// deep in the floor.
struct ScriptedBody : RigidBody {
    struct Call {
        float dt;
        vec3 force, position_after;
    };
    std::vector<bool> deep;  // deep[i]: call i ends 5 below the floor
    std::vector<Call> calls;

    void integrate(float dt) override {
        const vec3 force_during = force;
        RigidBody::integrate(dt);
        if (calls.size() < deep.size() && deep[calls.size()]) position.y = -5;
        calls.push_back({dt, force_during, position});
    }
};

const plane floor_plane(vec3(0, 1, 0), 0);
constexpr float band = 0.00125f;

TEST(RigidBody, IntegrateFirstStepAndFrozen) {
    auto b = make_box(vec3(1, 2, -3));
    b->angular_velocity = vec3(4, 8, 3);
    b->torque = vec3(1, 2, 3);
    // The first step reads the all-zero world tensor of the constructor: no spin
    // change; then the tensor is 0.018 times the identity up to normalisation.
    b->integrate(0.016f);
    EXPECT_EQ(b->angular_velocity, vec3(4, 8, 3));
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(b->world_inverse_inertia.m[i], i % 4 ? 0 : 0.018f, i % 4 ? 1e-8 : 7e-5) << i;
    b->frozen = true;
    const RigidBody before = *b;
    b->integrate(0.016f);
    EXPECT_TRUE(same_state(*b, before));  // bit for bit
    EXPECT_EQ(b->previous_position, before.previous_position);
}

void expect_vec(const vec3& got, const vec3& want, float tolerance) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

// Kinetic energy from first principles: the inertia is the reciprocal of the
// 0.018 on the diagonal of the inverse tensor.
double kinetic(const RigidBody& b) {
    const vec3 &v = b.velocity, &w = b.angular_velocity;
    return 0.5 * b.mass * (double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z) +
           0.5 / 0.018 * (double(w.x) * w.x + double(w.y) * w.y + double(w.z) * w.z);
}

TEST(Collision, PlaneThresholdsApproachAndStepOut) {
    // Lowest vertices at s = 0 (clear), s = -0.25 exactly (touching) and just
    // below (too deep); touching while falling bounces and steps out of the
    // floor; touching while rising is left alone. The bounce is the worked one
    // below, at vertex 0: after it the other lowest vertices already rise.
    const struct {
        float y, vy;
        bool deep, bounced;
        float y_after;
    } cases[] = {{0.25f, -5, false, false, 0.25f},
                 {0.0f, -5, false, true, 0.25f},
                 {-1e-6f, -5, true, false, -1e-6f},
                 {0.1f, 2, false, false, 0.1f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.y);
        auto b = make_box(vec3(0, c.y, -10));
        b->velocity = vec3(1, c.vy, 0);
        b->world_inverse_inertia = matrix3::identity() * 0.018f;
        EXPECT_EQ(b->collide_plane(floor_plane), c.deep);
        EXPECT_NEAR(b->velocity.y, c.bounced ? 0.3789731f : c.vy, 2e-6);
        EXPECT_EQ(b->velocity.x, 1);
        EXPECT_EQ(b->position.y, c.y_after);
    }
}

TEST(Collision, WorkedContacts) {
    // Plane, at vertex 0, falling at 5 with a spin whose term (0,9,0) x r has no
    // part along the normal: j = 5.5 / 0.10225 = 53.789731 is added to the
    // momentum, so 0.1 times the fall comes back at the vertex, and the motion
    // along the floor and the spin are kept.
    auto p = make_box(vec3(0, 5, -10));
    p->world_inverse_inertia = matrix3::identity() * 0.018f;
    p->velocity = vec3(7, -5, -3);
    p->angular_velocity = vec3(0, 9, 0);
    EXPECT_TRUE(p->resolve_plane_contact(vec3(0, 1, 0), vec3(-0.25f, -0.25f, -0.25f)));
    expect_vec(p->velocity, vec3(7, -5 + 5.3789731f, -3), 2e-6);
    // 0.018 times r x (0, j, 0) = 0.018 * (0.25 j, 0, -0.25 j)
    expect_vec(p->angular_velocity, vec3(0.24205379f, 9, -0.24205379f), 2e-7);

    // Bodies: only A's restitution counts, B's distance from the point plays no
    // part, spins are added to and both wake. The normal goes through inv_sqrt,
    // (0, -0.99830717, 0), so j = -10.88376 rather than the -10.90 of an exactly
    // unit normal: J = (0, 10.86534, 0), r x J = (-2.173068, 0, 1.086534).
    RigidBody a, b;
    a.world_inverse_inertia = b.world_inverse_inertia = matrix3::identity() * 0.018f;
    a.position = vec3(1, 2, 3);
    a.velocity = vec3(0, -2, 0);
    a.angular_velocity = vec3(0, 2, 0);
    b.angular_velocity = vec3(0, -3, 0);
    b.restitution = 0.9f;
    b.position = vec3(-4, 0, 7);
    a.frozen = b.frozen = true;
    a.use_gravity = b.use_gravity = false;
    EXPECT_TRUE(a.resolve_body_contact(b, a.position + vec3(0.1f, -0.5f, 0.2f), vec3(0, -1, 0)));
    expect_vec(a.velocity, vec3(0, -0.9134668f, 0), 2e-6);
    expect_vec(b.velocity, vec3(0, -1.0865332f, 0), 2e-6);
    expect_vec(a.angular_velocity, vec3(-0.0391152f, 2, 0.0195576f), 2e-7);
    expect_vec(b.angular_velocity, vec3(0.0391152f, -3, -0.0195576f), 2e-7);
    // frozen of A and B, use_gravity of A and B
    EXPECT_EQ(std::make_tuple(a.frozen, b.frozen, a.use_gravity, b.use_gravity),
              std::make_tuple(false, false, true, false));

    // Moving apart, nothing happens: the bodies stay asleep.
    RigidBody c, d;
    c.velocity = vec3(0, 2, 0);
    c.frozen = true;
    EXPECT_FALSE(c.resolve_body_contact(d, vec3(0.1f, -0.5f, 0.2f), vec3(0, -1, 0)));
    EXPECT_EQ(c.velocity, vec3(0, 2, 0));
    EXPECT_TRUE(c.frozen);
}

// Contacts in many directions, at many points, with many speeds and spins
// (a fixed pseudo-random sequence): restitution 0.1 only ever takes energy away
// and momentum is kept between two bodies.
TEST(Collision, NoContactRaisesTheKineticEnergy) {
    unsigned seed = 12345;
    auto next = [&seed](float lo, float hi) {
        seed = seed * 1103515245u + 12345u;
        return lo + (hi - lo) * float((seed >> 8) & 0xffff) / 65535.0f;
    };
    auto any_vec = [&next](float size) {
        return vec3(next(-size, size), next(-size, size), next(-size, size));
    };
    int approached = 0;
    for (int i = 0; i < 500; ++i) {
        RigidBody a, b;
        a.world_inverse_inertia = b.world_inverse_inertia = matrix3::identity() * 0.018f;
        a.velocity = any_vec(10), b.velocity = any_vec(10);
        a.angular_velocity = any_vec(10), b.angular_velocity = any_vec(10);
        a.position = any_vec(5), b.position = any_vec(5);
        const vec3 r = any_vec(0.5f);
        vec3 n = any_vec(1);
        n.normalize();

        RigidBody alone = a;
        const double before = kinetic(alone);
        if (alone.resolve_plane_contact(n, r)) {
            ++approached;
            EXPECT_LE(kinetic(alone), before * (1 + 1e-6)) << i;
        }
        const double pair = kinetic(a) + kinetic(b);
        const vec3 momentum = a.velocity + b.velocity;
        if (a.resolve_body_contact(b, a.position + r, n)) {
            EXPECT_LE(kinetic(a) + kinetic(b), pair * (1 + 1e-6)) << i;
            expect_vec(a.velocity + b.velocity, momentum, 1e-4);
        }
    }
    EXPECT_GT(approached, 100);  // both kinds of contact were met
}

TEST(Collision, BodyContactBandAndNearestFace) {
    // This body's +y face passes through y = 0 and, shifted, its +x face through
    // x = 0. The scale makes inv_sqrt normalise the axes to exactly 1, so s is
    // exactly the coordinate of the other body's vertex. This body moves up and
    // to the right, into the other body's vertices.
    const float scale = 0x1.155144p+0f;
    // Vertex 0 at (x0, y0, 0), vertex 1 at (0, y1, 0), the rest far away.
    const struct {
        float x0, y0, y1;
        bool deep;
        char face;     // the face whose normal the impulse took: x, y or none
        float step_y;  // how far this body stepped down out of the +y face
    } cases[] = {
        {0, -band, 100, false, 'y', -band},
        {0, std::nextafter(-band, -1.0f), 100, true, '-', 0},
        {0, band, 0.5f, false, '-', 0},
        // A deep vertex stops the test; a touching one before it keeps its
        // response.
        {0, -band / 2, -0.25f, true, 'y', -band / 2},
        {0, -0.25f, -band / 2, true, '-', 0},
        // Equally near +y and +x, the earlier +y wins; nearer +x, that one.
        {-band / 2, -band / 2, 100, false, 'y', -band / 2},
        {-band / 4, -band / 2, 100, false, 'x', 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << " " << c.y0 << " " << c.y1);
        RigidBody a, b;
        a.orientation = matrix3::identity() * scale;
        const vec3 start(c.x0 != 0 ? -0.5f * scale : 0, -0.5f * scale, 0);
        a.position = start;
        a.velocity = vec3(2, 2, 0);
        for (vec3& v : b.vertices) v = vec3(100, 100, 100);
        b.vertices[0] = vec3(c.x0, c.y0, 0), b.vertices[1] = vec3(0, c.y1, 0);
        EXPECT_EQ(a.collide_body(b), c.deep);
        EXPECT_EQ(b.velocity.x != 0, c.face == 'x');
        EXPECT_EQ(b.velocity.y != 0, c.face == 'y');
        EXPECT_EQ(a.position.y, start.y + c.step_y);
        EXPECT_EQ(a.position.x, c.face == 'x' ? start.x + c.x0 : start.x);
    }
}

constexpr float step = 0.016f;

TEST(World, HalvingsCountOverTheWholeStepAndTheEleventhFreezes) {
    const struct {
        int deep_before, deep_after;  // tries too deep, one that succeeds, tries too deep again
        std::size_t calls;            // in the first step
    } cases[] = {{0, 0, 1}, {10, 0, 12}, {2, 8, 13}, {2, 9, 12}, {11, 0, 11}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.deep_before << " deep, then " << c.deep_after);
        World world;
        world.bodies.push_back(make_box<ScriptedBody>(vec3(0, 5, -10)));  // far from the walls
        auto* b = static_cast<ScriptedBody*>(world.bodies[0].get());
        b->angular_velocity = vec3(4, 8, 3);
        for (int k = 0; k <= c.deep_before + c.deep_after; ++k)
            b->deep.push_back(k != c.deep_before);
        const RigidBody start = *b;
        world.step_physics();
        world.step_physics();  // a frozen body is skipped
        const bool frozen = c.deep_before + c.deep_after == 11;
        ASSERT_EQ(b->calls.size(), c.calls + !frozen) << dump_bodies(world.bodies, 1);
        EXPECT_EQ(b->frozen, frozen);
        EXPECT_EQ(b->calls[0].force, vec3(0, -98, 0));
        EXPECT_EQ(b->force, vec3(0, 0, 0));
        for (int k = 0; k <= std::min(c.deep_before, 10); ++k)
            EXPECT_EQ(b->calls[k].dt, step / float(1 << k)) << k;
        // From t = 0.004 the remaining 0.012 is halved again and again.
        for (int k = 0; k < c.deep_after; ++k)
            EXPECT_NEAR(b->calls[3 + k].dt, 0.012f / float(1 << k), 1e-9) << k;
        if (c.deep_before == 10) {
            EXPECT_EQ(b->calls[11].dt, step - step / 1024);
        }
        // Frozen, it keeps the state of its last successful sub-step, or its start.
        if (frozen && c.deep_before == 2) {
            EXPECT_EQ(b->position, b->calls[2].position_after);
        }
        if (frozen && c.deep_before != 2) {
            EXPECT_TRUE(same_state(*b, start)) << dump_bodies(world.bodies, 1);
        }
    }
}

// The middle box's top corners (y = 1.25) end 0.0005 inside the upper box's -y
// face; the third sits deep inside the middle one.
TEST(World, FrozenObstaclesWakeOnATouchAndARejectedSubStepLeavesThemAsTheyWere) {
    World world;
    world.bodies.push_back(make_box(vec3(0, 1, -10)));
    world.bodies.push_back(make_box(vec3(0, 1.7495f, -10)));
    RigidBody &middle = *world.bodies[0], &upper = *world.bodies[1];
    middle.frozen = upper.frozen = true;
    upper.velocity = vec3(0, -1, 0);
    EXPECT_FALSE(world.collides_with_bodies(&upper));
    EXPECT_FALSE(middle.frozen);
    EXPECT_LT(middle.velocity.y, 0);

    const vec3 upper_velocity = upper.velocity, upper_spin = upper.angular_velocity;
    world.bodies.push_back(make_box(vec3(0.1f, 1.1f, -10)));
    upper.frozen = true;
    middle.velocity = vec3(0, 1, 0);
    EXPECT_TRUE(world.collides_with_world(&middle));
    EXPECT_EQ(upper.velocity, upper_velocity);
    EXPECT_EQ(upper.angular_velocity, upper_spin);
    EXPECT_TRUE(upper.frozen);
}

// Mechanical energy of the scene: 0.5 m v^2 + 0.5 I w^2 + m g y.
double scene_energy(const World& world) {
    double sum = 0;
    for (const auto& b : world.bodies) sum += kinetic(*b) + b->mass * 9.8 * b->position.y;
    return sum;
}

// How far a box's lowest corner lies from the floor, where every box of this
// scene ends up.
float floor_gap(const RigidBody& b) {
    float low = 1e9f;
    for (const vec3& corner : b.vertices)
        low = std::min(low, (b.orientation.transform(corner) + b.position).y);
    return std::fabs(low);
}

// Through 20000 ticks: six boxes spawned on time, each stepped in the tick it is
// made in; the recorded digest at tick 3000 (from `physics_trace 3000`, Release;
// every build, the sanitizer one included, must reproduce it bit for bit, and a
// deliberate change of the physics or the math under it records it again);
// every vertex inside the room widened by the 0.25 the plane test lets one sink.
// After the last spawn the energy never rises (sampled once a second; a single
// tick may gain up to what stepping out of the floor lends: m g times the 0.0025
// a resting box sinks in one tick), and every box comes to rest on the floor and
// stays there; no box freezes while it moves.
TEST(Scene, SpawnsDigestEnergyAndRest) {
    // At spawn: 0.5 * 10 * 18 + 0.5 / 0.018 * 89 + 10 * 9.8 * 6 = 3150.22 each.
    const double spawned = 6 * 3150.22;
    const long rest_by = 4000;
    World world;
    std::vector<int> spawn_ticks;
    double last = 0, last_sample = 0, worst_tick_rise = 0;
    std::vector<float> slide(6), spin(6);
    for (long t = 1; t <= 20000; ++t) {
        const std::size_t before = world.bodies.size();
        world.tick();
        if (world.bodies.size() != before) spawn_ticks.push_back(t);
        if (t == 120) {
            const RigidBody& b = *world.bodies[0];
            EXPECT_EQ(b.velocity, vec3(-3, -9.8f * step, -3));
            EXPECT_EQ(b.position, vec3(0, 6, -10) + b.velocity * step);
            EXPECT_EQ(b.angular_velocity, vec3(4, 8, 3));
            for (int k = 0; k < 8; ++k) EXPECT_EQ(b.vertices[k], make_box(vec3())->vertices[k]);
        }
        if (t == 3000) {
            EXPECT_EQ(state_hash(world.bodies), 0xa226eef06a77fbc9ull)
                << dump_bodies(world.bodies, t);
        }
        const double e = scene_energy(world);
        if (t > 720) {
            EXPECT_LT(e, spawned);
            worst_tick_rise = std::max(worst_tick_rise, e - last);
            if (t % 60 == 0) {
                EXPECT_LE(e, last_sample + 0.01) << t;
            }
        }
        if (t % 60 == 0) last_sample = e;
        last = e;
        for (std::size_t i = 0; i < world.bodies.size(); ++i) {
            const RigidBody& b = *world.bodies[i];
            for (const vec3& c : b.vertices) {
                const vec3 p = b.orientation.transform(c) + b.position;
                ASSERT_LE(std::fabs(p.x), 10.25f) << dump_bodies(world.bodies, t);
                ASSERT_LE(std::fabs(p.y - 5), 5.25f) << dump_bodies(world.bodies, t);
                ASSERT_LE(std::fabs(p.z + 12.5f), 12.75f) << dump_bodies(world.bodies, t);
            }
            const float gap = floor_gap(b);
            const float speed = std::sqrt(b.velocity.dot(b.velocity));
            if (b.frozen) {
                ASSERT_LT(speed, 1) << t << dump_bodies(world.bodies, t);
                ASSERT_LT(gap, 0.05) << t << dump_bodies(world.bodies, t);
            }
            if (t < rest_by) continue;
            ASSERT_LT(gap, 0.05) << i << " at " << t << dump_bodies(world.bodies, t);
            ASSERT_LT(std::fabs(b.velocity.y), 0.05) << i << " at " << t;
            // Sliding and spinning about the vertical may go on, never grow.
            const float h = std::hypot(b.velocity.x, b.velocity.z);
            const float w = std::fabs(b.angular_velocity.y);
            if (t == rest_by) slide[i] = h, spin[i] = w;
            ASSERT_LE(h, slide[i] + 1e-4f) << i << " at " << t;
            ASSERT_LE(w, spin[i] + 1e-4f) << i << " at " << t;
        }
    }
    EXPECT_LT(worst_tick_rise, 10 * 9.8 * 0.0025);
    EXPECT_EQ(spawn_ticks, (std::vector<int>{120, 240, 360, 480, 600, 720}));
}

}  // namespace
