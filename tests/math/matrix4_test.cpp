#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "math/matrix4.h"

namespace {

matrix4 filled(float value) {
    matrix4 r;
    std::fill(r.m, r.m + 16, value);
    return r;
}

// Small integers keep every product exact, so orders can be compared with ==.
matrix4 sample(int seed) {
    matrix4 r;
    for (int i = 0; i < 16; ++i) r.m[i] = static_cast<float>((i * 7 + seed * 5) % 11 - 5);
    return r;
}

bool same(const matrix4& a, const matrix4& b) {
    return std::equal(a.m, a.m + 16, b.m);
}

bool same(const vec4& a, const vec4& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

void expect_matrix(const matrix4& m, std::initializer_list<float> expected) {
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], expected.begin()[i]) << i;
}

}  // namespace

TEST(Matrix4, ProductAppliesTheLeftOperandFirst) {
    const matrix4 a = sample(1), b = sample(2), ab = a * b, id = matrix4::identity();
    // The images of the unit vectors are the columns: the whole product is pinned.
    for (int i = 0; i < 4; ++i) {
        const vec4 e(i == 0, i == 1, i == 2, i == 3);
        EXPECT_TRUE(same(ab.transform(e), b.transform(a.transform(e)))) << i;
    }
    const vec4 v(1, -2, 3, 1);
    EXPECT_TRUE(same(ab.transform(v), b.transform(a.transform(v))));
    EXPECT_TRUE(same(a.premultiply(b), b * a));
    EXPECT_TRUE(same(a.premultiply(b).transform(v), a.transform(b.transform(v))));
    matrix4 c = a;
    c = c * b;  // an operand may be the destination
    EXPECT_TRUE(same(c, ab));
    EXPECT_TRUE(same(id * a, a) && same(a * id, a));
    EXPECT_TRUE(same(a.premultiply(id), a) && same(id.premultiply(a), a));

    matrix4 t = id, s = id;
    t.m[12] = 1, t.m[13] = 2, t.m[14] = 3;
    s.m[0] = s.m[5] = s.m[10] = 2;
    EXPECT_TRUE(same((t * s).transform(vec4(0, 0, 0, 1)), vec4(2, 4, 6, 1)));
    EXPECT_TRUE(same((s * t).transform(vec4(0, 0, 0, 1)), vec4(1, 2, 3, 1)));
}

TEST(Matrix4, BiasMapsClipCubeToTextureSquare) {
    matrix4 bias = filled(0);
    bias.m[0] = bias.m[5] = bias.m[10] = bias.m[12] = bias.m[13] = bias.m[14] = 0.5f;
    bias.m[15] = 1;
    EXPECT_TRUE(same(bias.transform(vec4(-1, -1, -1, 1)), vec4(0, 0, 0, 1)));
    EXPECT_TRUE(same(bias.transform(vec4(1, 1, 1, 1)), vec4(1, 1, 1, 1)));
    expect_matrix(bias.transpose(),
                  {0.5f, 0, 0, 0.5f, 0, 0.5f, 0, 0.5f, 0, 0, 0.5f, 0.5f, 0, 0, 0, 1});
}

TEST(Matrix4, TransposeAndElementWise) {
    const matrix4 a = sample(4), b = sample(5);
    EXPECT_TRUE(same((a * b).transpose(), b.transpose() * a.transpose()));
    EXPECT_TRUE(same(a + a, a * 2));
    EXPECT_TRUE(same(a - a * 3, a * -2));
    EXPECT_TRUE(same(a - b, a + b * -1));
}

TEST(Matrix4, PerspectiveForTheDemoWindows) {
    const struct {
        float aspect, x_scale;
        bool infinite;
        float m10, m14;
    } cases[] = {{800.0f / 600.0f, 1.8106601f, false, -1.002f, -2.002f},
                 {1920.0f / 1080.0f, 1.3579952f, false, -1.002f, -2.002f},
                 {800.0f / 0.0f, 0.0f, false, -1.002f, -2.002f},  // a zero-height window
                 {800.0f / 600.0f, 1.8106601f, true, -1.0f, -2.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.aspect << (c.infinite ? " infinite" : ""));
        matrix4 p = filled(7);
        p.perspective(45, c.aspect, 1, 1001, c.infinite);
        expect_matrix(p,
                      {c.x_scale, 0, 0, 0, 0, 2.4142137f, 0, 0, 0, 0, c.m10, -1, 0, 0, c.m14, 0});
    }
    EXPECT_EQ(800.0f / 600.0f, 1.3333334f);
    EXPECT_EQ(1920.0f / 1080.0f, 1.7777778f);
}

TEST(Matrix4, Orthographic) {
    matrix4 o = filled(7);
    o.orthographic(-1, 1, -1, 1, -1, 1);
    expect_matrix(o, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1});
    o.orthographic(0, 800, 0, 600, 1, 101);
    expect_matrix(o,
                  {0.0025f, 0, 0, 0, 0, 0.0033333334f, 0, 0, 0, 0, -0.02f, 0, -1, -1, -1.02f, 1});
}

TEST(Matrix4, OrthonormalizeIdentity) {
    matrix4 m = matrix4::identity();
    m.orthonormalize();
    expect_matrix(m,
                  {0.99830717f, 0, 0, 0, 0, 0.99831676f, 0, 0, 0, 0, 0.99831241f, 0, 0, 0, 0, 1});
    for (int pass = 2; pass <= 7; ++pass) {
        SCOPED_TRACE(pass);
        m.orthonormalize();
        expect_matrix(
            m, {0.99831241f, 0, 0, 0, 0, 0.99831676f, 0, 0, 0, 0, 0.99831671f, 0, 0, 0, 0, 1});
    }
    matrix4 parallel = filled(0);
    parallel.m[0] = 2, parallel.m[4] = 4, parallel.m[15] = 1;
    parallel.orthonormalize();
    expect_matrix(parallel, {0.99830717f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
}

TEST(Matrix4, OrthonormalizeTouchesOnlyTheUpperBlock) {
    matrix4 m = matrix4::identity();
    m.m[3] = -0.0f, m.m[7] = std::numeric_limits<float>::quiet_NaN(), m.m[11] = 1e-40f;
    m.m[12] = 3, m.m[13] = -4, m.m[14] = INFINITY, m.m[15] = 0.25f;
    m.m[8] = 9, m.m[9] = -9, m.m[10] = 5;  // the old third column is ignored
    const matrix4 before = m;
    m.orthonormalize();
    for (int i : {3, 7, 11, 12, 13, 14, 15})
        EXPECT_EQ(std::memcmp(&m.m[i], &before.m[i], sizeof(float)), 0) << i;
    matrix4 plain = matrix4::identity();
    plain.orthonormalize();
    for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10}) EXPECT_EQ(m.m[i], plain.m[i]) << i;
}
