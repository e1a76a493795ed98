#include <gtest/gtest.h>

#include <cmath>

#include "physics/rigid_body.h"
#include "tests/physics/test_bodies.h"

namespace {

const plane floor_plane(vec3(0, 1, 0), 0);
constexpr float band = 0.00125f;

// A scale for the orientation whose axes inv_sqrt normalises to exactly 1, so
// that the face planes of collide_body are exactly unit and s is exactly the
// coordinate of the vertex.
const float exact_scale = 0x1.155144p+0f;

// This body's +y face passes through y = 0 and its +x face, with shift_x,
// through x = 0; the other body's vertices are given in world space directly.
struct FacePair {
    RigidBody stepped;
    RigidBody other;

    explicit FacePair(bool shift_x = false) {
        stepped.orientation = matrix3::identity() * exact_scale;
        stepped.position = vec3(shift_x ? -0.5f * exact_scale : 0, -0.5f * exact_scale, 0);
        stepped.previous_position = vec3(0, 3, 0);
        stepped.previous_orientation = matrix3::identity();
        stepped.velocity = vec3(-2, -2, 0);
        for (vec3& v : other.vertices) v = vec3(100, 100, 100);  // clear of everything
    }
};

TEST(CollidePlane, Thresholds) {
    // Lowest vertices at s = 0, at s = -0.25 exactly, and just beyond.
    const struct {
        float y;
        bool deep, touching;
    } cases[] = {{half_extent, false, false}, {0, false, true}, {-1e-6f, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.y);
        auto b = make_box(vec3(0, c.y, -10));
        b->velocity = vec3(0, -5, 0);
        b->previous_position = vec3(0, 5, -10);
        b->previous_orientation = matrix3::identity() * 0.5f;
        EXPECT_EQ(b->collide_plane(floor_plane), c.deep);
        // Touching puts the body back at its previous pose with a new velocity.
        EXPECT_EQ(b->velocity.y > 0, c.touching);
        EXPECT_EQ(b->position, c.touching ? vec3(0, 5, -10) : vec3(0, c.y, -10));
        EXPECT_EQ(same_bits(b->orientation, b->previous_orientation), c.touching);
    }
}

TEST(ContactResponse, WorkedPlaneContact) {
    // Through collide_plane: vertex 0 (-,-,-) is the first touching vertex, and
    // after its response the body is back up at its previous position.
    auto b = make_box(vec3(0, 0.2f, -10));
    b->world_inverse_inertia = matrix3::identity() * 0.018f;
    // The motion along the plane and the spin, whose term (0,9,0) x r has no y
    // part, play no part in j and are replaced, not added to.
    b->velocity = vec3(7, -5, -3);
    b->angular_velocity = vec3(0, 9, 0);
    b->previous_position = vec3(0, 3, -10);
    b->previous_orientation = matrix3::identity();
    EXPECT_FALSE(b->collide_plane(floor_plane));

    // j = 5.5 / 0.10225 = 53.789731; velocity replaced by j / mass along the normal.
    EXPECT_EQ(b->velocity.x, 0.0f);
    EXPECT_NEAR(b->velocity.y, 5.3789731f, 2e-6);
    EXPECT_EQ(b->velocity.z, 0.0f);
    // 0.018 * (r x j n) = 0.018 * (0.25 j, 0, -0.25 j).
    EXPECT_NEAR(b->angular_velocity.x, 0.24205379f, 2e-7);
    EXPECT_EQ(b->angular_velocity.y, 0.0f);
    EXPECT_EQ(b->angular_velocity.z, -b->angular_velocity.x);
    EXPECT_FALSE(b->frozen);
}

TEST(ContactResponse, WorkedBodyContact) {
    RigidBody a, b;
    a.world_inverse_inertia = b.world_inverse_inertia = matrix3::identity() * 0.018f;
    a.position = vec3(1, 2, 3);
    a.velocity = vec3(0, -2, 0);
    a.use_gravity = false;
    // Only A's restitution counts, and B's distance from the point plays no part.
    b.restitution = 0.9f;
    b.position = vec3(-4, 0, 7);
    b.use_gravity = false;
    a.resolve_body_contact(b, a.position + vec3(0.1f, -0.5f, 0.2f), vec3(0, -1, 0));

    // The normal goes through inv_sqrt, (0, -0.99830717, 0), so j = -10.88376
    // rather than the -10.90 of an exactly unit normal.
    EXPECT_EQ(a.velocity.x, 0.0f);
    EXPECT_NEAR(a.velocity.y, -0.9134668f, 2e-6);
    EXPECT_EQ(a.velocity.z, 0.0f);
    EXPECT_NEAR(b.velocity.y, -1.0865332f, 2e-6);
    EXPECT_NEAR(a.angular_velocity.x, 0.0391152f, 2e-7);
    EXPECT_EQ(a.angular_velocity.y, 0.0f);
    EXPECT_NEAR(a.angular_velocity.z, -0.0195576f, 2e-7);
    EXPECT_EQ(b.angular_velocity, -a.angular_velocity);
    EXPECT_TRUE(a.use_gravity);
    EXPECT_FALSE(b.use_gravity);
}

TEST(ContactResponse, TowardOtherBody) {
    RigidBody a, b, c, d;
    a.velocity = c.velocity = vec3(0, -2, 0);
    b.position = d.position = vec3(0, -3, 0);
    const vec3 point(0, -0.5f, 0);
    a.resolve_body_contact_toward(b, point);
    vec3 n = b.position - point;
    n.normalize();
    c.resolve_body_contact(d, point, n);
    EXPECT_EQ(a.velocity, c.velocity);
    EXPECT_EQ(b.velocity, d.velocity);
    EXPECT_GT(a.velocity.y, -2.0f);
}

TEST(CollideBody, ContactBand) {
    ASSERT_EQ(exact_scale * inv_sqrt(exact_scale * exact_scale), 1.0f);
    const vec3 none(100, 100, 100);
    const struct {
        const char* name;
        vec3 v0, v1, v2;
        bool deep, touching;
    } cases[] = {
        {"exactly on the band", vec3(0, -band, 0), none, none, false, true},
        {"just beyond the band", vec3(0, std::nextafter(-band, -1.0f), 0), none, none, true, false},
        {"outside +y by the band or more", vec3(0, band, 0), vec3(0, 0.5f, 0), none, false, false},
        {"outside by less than the band", vec3(0, 0.001f, 0), none, none, false, true},
        // A deep vertex stops the test at once; a touching one before it keeps its
        // response. The face planes are not rebuilt after the body is put back, so
        // a deep vertex is still measured against the planes of the first pose.
        {"touching, then deep", vec3(0, -band / 2, 0), vec3(0, -0.25f, 0), none, true, true},
        {"deep, then touching", vec3(0, -0.25f, 0), vec3(0, -band / 2, 0), none, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FacePair f;
        f.other.vertices[0] = c.v0, f.other.vertices[1] = c.v1, f.other.vertices[2] = c.v2;
        const vec3 position = f.stepped.position;
        EXPECT_EQ(f.stepped.collide_body(f.other), c.deep);
        EXPECT_EQ(f.other.velocity != vec3(0, 0, 0), c.touching);
        // A touching vertex puts this body back at its previous pose.
        EXPECT_EQ(f.stepped.position, c.touching ? vec3(0, 3, 0) : position);
        EXPECT_EQ(same_bits(f.stepped.orientation, matrix3::identity()), c.touching);
        EXPECT_EQ(f.stepped.velocity == vec3(-2, -2, 0), !c.touching);
    }
    // The other body's vertices go through its orientation and position:
    // 2 * 0.125 - 0.25 = 0, within the band.
    FacePair f;
    f.other.orientation = matrix3::identity() * 2.0f;
    f.other.position = vec3(0, -0.25f, 0);
    f.other.vertices[2] = vec3(0, 0.125f, 0);
    EXPECT_FALSE(f.stepped.collide_body(f.other));
    EXPECT_NE(f.other.velocity, vec3(0, 0, 0));
}

TEST(CollideBody, FirstFaceWinsATie) {
    // Equally near the +y and the +x face the +y face, the earlier one, is taken;
    // nearer the +x face, that one.
    for (float x : {-band / 2, -band / 4}) {
        SCOPED_TRACE(x);
        FacePair f(true);
        f.other.vertices[0] = vec3(x, -band / 2, 0);
        EXPECT_FALSE(f.stepped.collide_body(f.other));
        const bool tie = x == -band / 2;
        EXPECT_EQ(f.other.velocity.x == 0, tie);
        EXPECT_EQ(f.other.velocity.y == 0, !tie);
        EXPECT_LT(f.other.velocity.x + f.other.velocity.y, 0.0f);
    }
}

TEST(ContainsPoint, StrictlyInsideTheVertexBox) {
    auto b = make_box(vec3(1, 2, 3));
    b->orientation = matrix3::identity() * 7.0f;  // ignored
    EXPECT_TRUE(b->contains_point(vec3(1, 2, 3)));
    EXPECT_TRUE(b->contains_point(vec3(1.24f, 1.76f, 3.2f)));
    EXPECT_FALSE(b->contains_point(vec3(1.25f, 2, 3)));  // on a face
    EXPECT_FALSE(b->contains_point(vec3(1, 2, 2.74f)));
    b->offset = vec3(0, 0, -0.5f);
    EXPECT_TRUE(b->contains_point(vec3(1, 2, 2.74f)));
}

}  // namespace
