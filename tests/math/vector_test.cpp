#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "math/vector.h"

TEST(Vec3, NormalizeAndMagnitudeValues) {
    vec3 v(1, 0, 0);
    EXPECT_EQ(&v.normalize(), &v);
    EXPECT_EQ(v, vec3(0.99830717f, 0, 0));
    // Settles from the second pass on.
    for (int pass = 1; pass <= 10; ++pass) {
        v.normalize();
        ASSERT_EQ(v, vec3(0.99831241f, 0, 0)) << pass;
    }
    EXPECT_EQ(vec3(3, 4, 0).normalize(), vec3(0.5990693f, 0.79875904f, 0));
    EXPECT_EQ(vec3(3, 4, 0).magnitude(), 5.0077682f);
    EXPECT_EQ(vec3(1, 0, 0).magnitude(), 1.0016958f);
    // (4096^2 + 1) + 1 loses both ones; 4096^2 + (1 + 1) would not.
    EXPECT_EQ(vec3(4096, 1, 1).magnitude(), vec3(4096, 0, 0).magnitude());
    EXPECT_EQ(vec3(4096, 1, 1).normalize().x, vec3(4096, 0, 0).normalize().x);
}

TEST(Vec3, ZeroVectorAndExactComparison) {
    vec3 zero;
    zero.normalize();
    EXPECT_EQ(zero, vec3(0, 0, 0));
    EXPECT_FALSE(std::signbit(zero.x) || std::signbit(zero.y) || std::signbit(zero.z));
    // 1 / 1.9817754e19, which prints as 5.04598e-20.
    EXPECT_EQ(vec3().magnitude(), 0x1.dc9452p-65f);

    const vec3 v(1, std::numeric_limits<float>::quiet_NaN(), 3);
    EXPECT_FALSE(v == v);
    EXPECT_TRUE(v != v);
    const vec3 negated = -vec3(0, 0, 0);
    EXPECT_TRUE(std::signbit(negated.x) && std::signbit(negated.y) && std::signbit(negated.z));
    EXPECT_TRUE(negated == vec3(0, 0, 0));
    EXPECT_FALSE(vec3(1, 2, 3) == vec3(1, 2, std::nextafter(3.0f, 4.0f)));
}

TEST(Vec3, Division) {
    const float q = vec3(1, 2, 3) / vec3(1, 2, 3);
    EXPECT_EQ(q, 3.0f);
    // Left to right: (1e8 - 1e8) + 1, not 1e8 + (-1e8 + 1).
    EXPECT_EQ(vec3(1e8f, -1e8f, 1) / vec3(1, 1, 1), 1.0f);
    EXPECT_EQ(vec3(1, 2, 3) / 0.0f, vec3(INFINITY, INFINITY, INFINITY));
    // 5 / 3 and 5 * (1 / 3) are different floats.
    EXPECT_EQ((vec3(5, 5, 5) / 3.0f).x, 1.66666663f);
}

TEST(Vectors, ArithmeticCrossAndPlanes) {
    vec3 a(1, 2, 3);
    const vec3 b(0.5f, -4, 8);
    EXPECT_EQ(a + b, vec3(1.5f, -2, 11));
    EXPECT_EQ(a - b, vec3(0.5f, 6, -5));
    EXPECT_EQ(a * 2, vec3(2, 4, 6));
    EXPECT_EQ(a.dot(b), 16.5f);
    EXPECT_EQ(a += b, vec3(1.5f, -2, 11));
    EXPECT_EQ(a -= b, vec3(1, 2, 3));
    EXPECT_EQ(a *= -1, vec3(-1, -2, -3));
    EXPECT_EQ(cross(vec3(1, 0, 0), vec3(0, 1, 0)), vec3(0, 0, 1));
    EXPECT_EQ(cross(vec3(4, 5, 6), vec3(1, 2, 3)), vec3(3, -6, 3));

    EXPECT_EQ(vec3(vec4(1, 2, 3, 4)), vec3(1, 2, 3));
    const plane floor;
    EXPECT_TRUE(floor.normal == vec3(0, 1, 0) && floor.distance == 0.0f);
    const plane face(vec4(0, 1, 0, -0.5f));
    EXPECT_TRUE(face.normal == vec3(0, 1, 0) && face.distance == -0.5f);
    const plane ceiling(vec3(0, -1, 0), 10);
    EXPECT_EQ(ceiling.normal.dot(vec3(3, 4, -4)) + ceiling.distance, 6.0f);

    vec2 c(1.5f, -2);
    const vec2 sum = c + vec2(0.25f, 4), diff = c - vec2(0.25f, 4);
    EXPECT_TRUE(sum.x == 1.75f && sum.y == 2);
    EXPECT_TRUE(diff.x == 1.25f && diff.y == -6);
    c *= 2;
    EXPECT_TRUE(c.x == 3 && c.y == -4);
}
