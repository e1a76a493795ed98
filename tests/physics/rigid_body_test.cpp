#include <gtest/gtest.h>

#include <cmath>

#include "physics/body_dump.h"
#include "physics/rigid_body.h"
#include "tests/physics/test_bodies.h"

namespace {

BodyList list_of(const RigidBody& body) {
    BodyList list;
    list.push_back(std::make_unique<RigidBody>(body));
    return list;
}

// Every field the state digest covers, bit for bit; the dumps show what differs.
void expect_all_bits_equal(const RigidBody& a, const RigidBody& b) {
    const BodyList x = list_of(a), y = list_of(b);
    EXPECT_EQ(state_hash(x), state_hash(y)) << dump_bodies(x, 0) << dump_bodies(y, 0);
}

// A body in motion with a turned orientation, as the world step leaves one.
RigidBody moving_body() {
    RigidBody b;
    set_box_vertices(b);
    b.position = vec3(1, 2, -3);
    b.velocity = vec3(-3, 0.5f, -3);
    b.angular_velocity = vec3(4, 8, 3);
    b.force = vec3(0, -98, 0);
    b.integrate(0.016f);
    b.integrate(0.016f);
    return b;
}

TEST(RigidBodyConstruction, InitialValuesAndModelMatrix) {
    RigidBody b;
    EXPECT_TRUE(b.restitution == 0.1f && b.mass == 10.0f && !b.frozen && b.use_gravity);
    // 36 / (10 * (10^2 + 10^2)) on the diagonal.
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(b.inverse_inertia.m[i], (i % 4 == 0) ? 0.018f : 0.0f) << i;
        EXPECT_EQ(b.orientation.m[i], (i % 4 == 0) ? 1.0f : 0.0f) << i;
    }
    for (const vec3& v : {b.velocity, b.angular_velocity, b.force, b.torque, b.position,
                          b.previous_position, b.offset, b.vertices[0], b.vertices[7]})
        EXPECT_EQ(v, vec3(0, 0, 0));

    // Column c of the orientation goes into column c of the upper 3x3 block.
    const RigidBody t = moving_body();
    const matrix4 m = t.model_matrix();
    const float* o = t.orientation.m;
    const float expected[16] = {o[0], o[1], o[2], 0, o[3],         o[4],         o[5],         0,
                                o[6], o[7], o[8], 0, t.position.x, t.position.y, t.position.z, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], expected[i]) << i;
}

TEST(RigidBodyIntegrate, FrozenChangesNothing) {
    RigidBody b = moving_body();
    b.frozen = true;
    const RigidBody before = b;
    b.integrate(0.016f);
    expect_all_bits_equal(b, before);
}

TEST(RigidBodyIntegrate, ZeroTimeStepZeroTorqueZeroSpin) {
    RigidBody b = moving_body();
    const RigidBody before = b;
    b.integrate(0);  // only the pose bookkeeping and re-orthonormalisation
    matrix3 expected = before.orientation;
    expected.orthonormalize();
    EXPECT_TRUE(same_bits(b.orientation, expected));
    EXPECT_TRUE(same_bits(b.position, before.position));
    EXPECT_TRUE(same_bits(b.velocity, before.velocity));

    for (int i = 0; i < 50; ++i) b.integrate(0.016f);
    EXPECT_TRUE(same_bits(b.angular_velocity, before.angular_velocity)) << "zero torque";
    b.angular_velocity = vec3(0, 0, 0);
    expected = b.orientation;
    expected.orthonormalize();
    b.integrate(0.016f);
    EXPECT_TRUE(same_bits(b.orientation, expected)) << "zero spin";
}

TEST(RigidBodyIntegrate, EachAxisMovesByAxisCrossSpin) {
    RigidBody b;
    b.angular_velocity = vec3(0, 0, 2);
    b.integrate(0.01f);
    // x axis: (1, 0, 0) + 0.01 * ((1, 0, 0) x (0, 0, 2)) = (1, -0.02, 0), normalised.
    vec3 x(1, -0.02f, 0);
    x.normalize();
    EXPECT_EQ(b.orientation.m[0], x.x);
    EXPECT_EQ(b.orientation.m[1], x.y);
    EXPECT_EQ(b.orientation.m[2], 0.0f);
}

TEST(RigidBodyIntegrate, WorldInverseInertia) {
    RigidBody b;
    b.angular_velocity = vec3(4, 8, 3);
    b.torque = vec3(1, 2, 3);
    // The first step reads the all-zero tensor of the constructor: no spin change.
    b.integrate(0.016f);
    EXPECT_EQ(b.angular_velocity, vec3(4, 8, 3));
    // Afterwards the tensor is 0.018 times identity within the normalisation error.
    for (int i = 0; i < 9; ++i) {
        const bool diagonal = i % 4 == 0;
        EXPECT_NEAR(b.world_inverse_inertia.m[i], diagonal ? 0.018f : 0.0f,
                    diagonal ? 0.018f * 0.004f : 1e-8)
            << i;
    }
    // So the second step does feel the torque.
    b.integrate(0.016f);
    EXPECT_NEAR(b.angular_velocity.z, 3 + 3 * 0.018f * 0.016f, 1e-5);
}

TEST(RigidBodyConfig, SaveIntegrateRestore) {
    RigidBody b = moving_body();
    BodyConfig config;
    b.save_config(config);
    const RigidBody before = b;
    b.integrate(0.016f);
    const RigidBody integrated = b;
    b.restore_config(config);
    // The previous pose stays what integrate wrote; the rest is back.
    RigidBody expected = before;
    expected.previous_position = integrated.previous_position;
    expected.previous_orientation = integrated.previous_orientation;
    expect_all_bits_equal(b, expected);
    EXPECT_FALSE(same_bits(b.previous_position, before.previous_position));
    static_assert(sizeof(BodyConfig) == 2 * sizeof(matrix3) + 3 * sizeof(vec3),
                  "five fields and nothing else");
}

TEST(BodyDump, ShowsEveryBody) {
    BodyList bodies;
    bodies.push_back(make_box(vec3(0, 6, -10)));
    bodies.push_back(make_box(vec3(1.5f, 0.25f, -2)));
    bodies[1]->frozen = true;
    bodies[1]->velocity = vec3(0, -0.125f, 0);
    const std::string text = dump_bodies(bodies, 42);
    EXPECT_NE(text.find("tick 42: 2 bodies"), std::string::npos) << text;
    EXPECT_NE(text.find("body 0 moving position(0, 6, -10)"), std::string::npos) << text;
    EXPECT_NE(text.find("body 1 frozen position(1.5, 0.25, -2)"), std::string::npos) << text;
    EXPECT_NE(text.find("orientation(1, 0, 0, 0, 1, 0, 0, 0, 1)"), std::string::npos) << text;

    const std::uint64_t h = state_hash(bodies);
    bodies[1]->velocity.y = std::nextafter(-0.125f, 0.0f);
    EXPECT_NE(state_hash(bodies), h) << "a one-unit change must show";
}

}  // namespace
