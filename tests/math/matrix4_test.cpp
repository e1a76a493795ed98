#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "math/matrix4.h"

namespace {

matrix4 filled(float value) {
    matrix4 r;
    for (float& e : r.m) e = value;
    return r;
}

// Small integers keep every product exact, so orders can be compared with ==.
matrix4 sample(int seed) {
    matrix4 r;
    for (int i = 0; i < 16; ++i) r.m[i] = static_cast<float>((i * 7 + seed * 5) % 11 - 5);
    return r;
}

// Row r, column c of the column-vector matrix.
float at(const matrix4& a, int r, int c) {
    return a.m[4 * c + r];
}

bool same(const matrix4& a, const matrix4& b) {
    for (int i = 0; i < 16; ++i) {
        if (a.m[i] != b.m[i]) return false;
    }
    return true;
}

bool same(const vec4& a, const vec4& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

matrix4 bias() {
    matrix4 b = filled(0);
    b.m[0] = b.m[5] = b.m[10] = b.m[12] = b.m[13] = b.m[14] = 0.5f;
    b.m[15] = 1;
    return b;
}

}  // namespace

TEST(Matrix4, ProductAppliesTheLeftOperandFirst) {
    const matrix4 a = sample(1), b = sample(2);
    const matrix4 ab = a * b;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float ba = 0;
            for (int k = 0; k < 4; ++k) ba += at(b, r, k) * at(a, k, c);
            EXPECT_EQ(at(ab, r, c), ba) << r << "," << c;
        }
    }
    const vec4 v(1, -2, 3, 1);
    EXPECT_TRUE(same(ab.transform(v), b.transform(a.transform(v))));
    EXPECT_TRUE(same(a.premultiply(b), b * a));
    EXPECT_TRUE(same(a.premultiply(b).transform(v), a.transform(b.transform(v))));

    matrix4 c = a;
    c = c * b;  // an operand may be the destination
    EXPECT_TRUE(same(c, ab));
}

TEST(Matrix4, IdentityIsNeutral) {
    const matrix4 id = matrix4::identity(), a = sample(3);
    EXPECT_TRUE(same(id * a, a));
    EXPECT_TRUE(same(a * id, a));
    EXPECT_TRUE(same(a.premultiply(id), a));
    EXPECT_TRUE(same(id.premultiply(a), a));
}

TEST(Matrix4, TranslationThenScale) {
    matrix4 t = matrix4::identity();
    t.m[12] = 1, t.m[13] = 2, t.m[14] = 3;
    matrix4 s = matrix4::identity();
    s.m[0] = s.m[5] = s.m[10] = 2;
    const vec4 origin(0, 0, 0, 1);
    EXPECT_TRUE(same((t * s).transform(origin), vec4(2, 4, 6, 1)));
    EXPECT_TRUE(same((s * t).transform(origin), vec4(1, 2, 3, 1)));
}

TEST(Matrix4, BiasMapsClipCubeToTextureSquare) {
    EXPECT_TRUE(same(bias().transform(vec4(-1, -1, -1, 1)), vec4(0, 0, 0, 1)));
    EXPECT_TRUE(same(bias().transform(vec4(1, 1, 1, 1)), vec4(1, 1, 1, 1)));
    const matrix4 t = bias().transpose();
    EXPECT_TRUE(t.m[3] == 0.5f && t.m[7] == 0.5f && t.m[11] == 0.5f);
    EXPECT_TRUE(t.m[12] == 0 && t.m[13] == 0 && t.m[14] == 0 && t.m[15] == 1);
}

TEST(Matrix4, Transpose) {
    const matrix4 a = sample(4), b = sample(5);
    EXPECT_TRUE(same(a.transpose().transpose(), a));
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) EXPECT_EQ(at(a.transpose(), r, c), at(a, c, r));
    }
    EXPECT_TRUE(same((a * b).transpose(), b.transpose() * a.transpose()));
}

TEST(Matrix4, ElementWiseOperations) {
    const matrix4 a = sample(6), b = sample(7);
    const matrix4 sum = a + b, diff = a - b, scaled = a * 0.5f;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(sum.m[i], a.m[i] + b.m[i]);
        EXPECT_EQ(diff.m[i], a.m[i] - b.m[i]);
        EXPECT_EQ(scaled.m[i], a.m[i] / 2);
    }
}

TEST(Matrix4, PerspectiveForTheDemoWindows) {
    matrix4 p = filled(7);
    p.perspective(45, 800.0f / 600.0f, 1, 1001, false);
    EXPECT_EQ(800.0f / 600.0f, 1.3333334f);
    EXPECT_EQ(p.m[0], 1.8106601f);
    EXPECT_EQ(p.m[5], 2.4142137f);
    EXPECT_EQ(p.m[10], -1.002f);
    EXPECT_EQ(p.m[11], -1.0f);
    EXPECT_EQ(p.m[14], -2.002f);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13, 15}) EXPECT_EQ(p.m[i], 0.0f) << i;

    matrix4 wide = filled(7);
    wide.perspective(45, 1920.0f / 1080.0f, 1, 1001, false);
    EXPECT_EQ(1920.0f / 1080.0f, 1.7777778f);
    EXPECT_EQ(wide.m[0], 1.3579952f);
    for (int i = 1; i < 16; ++i) EXPECT_EQ(wide.m[i], p.m[i]) << i;
}

TEST(Matrix4, PerspectiveWithZeroHeightWindow) {
    matrix4 p;
    p.perspective(45, 800.0f / 0.0f, 1, 1001, false);
    EXPECT_EQ(p.m[0], 0.0f);
    EXPECT_EQ(p.m[5], 2.4142137f);
    EXPECT_EQ(p.m[14], -2.002f);
}

TEST(Matrix4, PerspectiveWithInfiniteFarPlane) {
    matrix4 finite, infinite = filled(7);
    finite.perspective(45, 1.3333334f, 1, 1001, false);
    infinite.perspective(45, 1.3333334f, 1, 1001, true);
    EXPECT_EQ(infinite.m[10], -1.0f);
    EXPECT_EQ(infinite.m[14], -2.0f);
    for (int i = 0; i < 16; ++i) {
        if (i != 10 && i != 14) {
            EXPECT_EQ(infinite.m[i], finite.m[i]) << i;
        }
    }
}

TEST(Matrix4, Orthographic) {
    matrix4 o = filled(7);
    o.orthographic(-1, 1, -1, 1, -1, 1);
    EXPECT_EQ(o.m[0], 1.0f);
    EXPECT_EQ(o.m[5], 1.0f);
    EXPECT_EQ(o.m[10], -1.0f);
    EXPECT_EQ(o.m[15], 1.0f);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 11, 12, 13, 14}) EXPECT_EQ(o.m[i], 0.0f) << i;

    o.orthographic(0, 800, 0, 600, 1, 101);
    EXPECT_EQ(o.m[0], 0.0025f);
    EXPECT_EQ(o.m[5], 0.0033333334f);
    EXPECT_EQ(o.m[10], -0.02f);
    EXPECT_EQ(o.m[12], -1.0f);
    EXPECT_EQ(o.m[13], -1.0f);
    EXPECT_EQ(o.m[14], -1.02f);
}

TEST(Matrix4, OrthonormalizeIdentity) {
    matrix4 m = matrix4::identity();
    m.orthonormalize();
    EXPECT_EQ(m.m[0], 0.99830717f);
    EXPECT_EQ(m.m[5], 0.99831676f);
    EXPECT_EQ(m.m[10], 0.99831241f);
    m.orthonormalize();
    EXPECT_EQ(m.m[0], 0.99831241f);
    EXPECT_EQ(m.m[5], 0.99831676f);
    EXPECT_EQ(m.m[10], 0.99831671f);
    for (int pass = 0; pass < 5; ++pass) m.orthonormalize();
    EXPECT_EQ(m.m[0], 0.99831241f);
    EXPECT_EQ(m.m[5], 0.99831676f);
    EXPECT_EQ(m.m[10], 0.99831671f);
    for (int i : {1, 2, 4, 6, 8, 9}) EXPECT_EQ(m.m[i], 0.0f) << i;
}

TEST(Matrix4, OrthonormalizeTouchesOnlyTheUpperBlock) {
    matrix4 m = matrix4::identity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    m.m[3] = -0.0f, m.m[7] = nan, m.m[11] = 1e-40f;
    m.m[12] = 3, m.m[13] = -4, m.m[14] = INFINITY, m.m[15] = 0.25f;
    m.m[8] = 9, m.m[9] = -9, m.m[10] = 5;  // the old third column is ignored
    const matrix4 before = m;
    m.orthonormalize();
    for (int i : {3, 7, 11, 12, 13, 14, 15}) {
        EXPECT_EQ(std::memcmp(&m.m[i], &before.m[i], sizeof(float)), 0) << i;
    }
    matrix4 plain = matrix4::identity();
    plain.orthonormalize();
    for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10}) EXPECT_EQ(m.m[i], plain.m[i]) << i;
}

TEST(Matrix4, OrthonormalizeParallelColumns) {
    matrix4 m = filled(0);
    m.m[0] = 2, m.m[4] = 4, m.m[15] = 1;
    m.orthonormalize();
    EXPECT_EQ(m.m[0], 0.99830717f);
    for (int i : {1, 2, 4, 5, 6, 8, 9, 10}) EXPECT_EQ(m.m[i], 0.0f) << i;
}
