#include <gtest/gtest.h>

#include <cmath>

#include "math/matrix3.h"

namespace {

matrix3 from(float a, float b, float c, float d, float e, float f, float g, float h, float i) {
    matrix3 r;
    const float v[9] = {a, b, c, d, e, f, g, h, i};
    for (int k = 0; k < 9; ++k) r.m[k] = v[k];
    return r;
}

matrix3 sample(int seed) {
    matrix3 r;
    for (int i = 0; i < 9; ++i) r.m[i] = static_cast<float>((i * 5 + seed * 3) % 7 - 3);
    return r;
}

bool same(const matrix3& a, const matrix3& b) {
    for (int i = 0; i < 9; ++i) {
        if (a.m[i] != b.m[i]) return false;
    }
    return true;
}

}  // namespace

TEST(Matrix3, SkewIsTheCrossProductMatrix) {
    matrix3 s = sample(1);
    s.skew(vec3(1, 2, 3));
    EXPECT_TRUE(same(s, from(0, -3, 2, 3, 0, -1, -2, 1, 0)));
    EXPECT_EQ(s.transform(vec3(4, 5, 6)), vec3(3, -6, 3));
    EXPECT_EQ(s.transform(vec3(4, 5, 6)), cross(vec3(4, 5, 6), vec3(1, 2, 3)));
    const matrix3 zero = s + s.transpose();
    for (float e : zero.m) EXPECT_EQ(e, 0.0f);

    s.skew(vec3(0.1f, -2.5f, 7.75f));
    const matrix3 zero2 = s + s.transpose();
    for (float e : zero2.m) EXPECT_EQ(e, 0.0f);
}

TEST(Matrix3, SkewOfZeroHasNegativeZeros) {
    matrix3 s = sample(2);
    s.skew(vec3(0, 0, 0));
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(s.m[i], 0.0f) << i;
        EXPECT_EQ(std::signbit(s.m[i]), i == 1 || i == 5 || i == 6) << i;
    }
}

TEST(Matrix3, ProductAppliesTheLeftOperandFirst) {
    const matrix3 rot = from(0, 1, 0, -1, 0, 0, 0, 0, 1);  // 90 degrees about z
    EXPECT_EQ(rot.transform(vec3(1, 0, 0)), vec3(0, 1, 0));
    EXPECT_EQ((rot * rot).transform(vec3(1, 0, 0)), vec3(-1, 0, 0));

    const matrix3 a = sample(3), b = sample(4);
    const matrix3 ab = a * b;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            float ba = 0;
            for (int k = 0; k < 3; ++k) ba += b.m[3 * k + r] * a.m[3 * c + k];
            EXPECT_EQ(ab.m[3 * c + r], ba) << r << "," << c;
        }
    }
    const vec3 v(2, -1, 5);
    EXPECT_EQ(ab.transform(v), b.transform(a.transform(v)));
    matrix3 c = a;
    c = c * b;
    EXPECT_TRUE(same(c, ab));
    EXPECT_TRUE(same(matrix3::identity() * a, a));
    EXPECT_TRUE(same(a * matrix3::identity(), a));
}

TEST(Matrix3, Transpose) {
    const matrix3 a = sample(5), b = sample(6);
    EXPECT_TRUE(same(a.transpose().transpose(), a));
    EXPECT_TRUE(same((a * b).transpose(), b.transpose() * a.transpose()));
    EXPECT_EQ(a.transpose().m[3], a.m[1]);
    EXPECT_EQ(a.transpose().m[7], a.m[5]);
}

TEST(Matrix3, ElementWiseOperations) {
    const matrix3 a = sample(7), b = sample(8);
    const matrix3 sum = a + b, diff = a - b, scaled = a * -2;
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(sum.m[i], a.m[i] + b.m[i]);
        EXPECT_EQ(diff.m[i], a.m[i] - b.m[i]);
        EXPECT_EQ(scaled.m[i], -(a.m[i] + a.m[i]));
    }
}

TEST(Matrix3, OrthonormalizeIdentitySettles) {
    matrix3 m = matrix3::identity();
    m.orthonormalize();
    EXPECT_TRUE(same(m, from(0.99830717f, 0, 0, 0, 0.99831676f, 0, 0, 0, 0.99831241f)));
    m.orthonormalize();
    const matrix3 settled = from(0.99831241f, 0, 0, 0, 0.99831676f, 0, 0, 0, 0.99831671f);
    EXPECT_TRUE(same(m, settled));
    for (int pass = 0; pass < 10; ++pass) {
        m.orthonormalize();
        ASSERT_TRUE(same(m, settled)) << pass;
    }
}

TEST(Matrix3, OrthonormalizeIgnoresTheThirdColumn) {
    matrix3 m = matrix3::identity();
    m.m[6] = 5, m.m[7] = -3, m.m[8] = 0;
    m.orthonormalize();
    EXPECT_TRUE(same(m, from(0.99830717f, 0, 0, 0, 0.99831676f, 0, 0, 0, 0.99831241f)));
}

TEST(Matrix3, OrthonormalizeParallelColumns) {
    matrix3 m = from(2, 0, 0, 4, 0, 0, 1, 1, 1);
    m.orthonormalize();
    EXPECT_TRUE(same(m, from(0.99830717f, 0, 0, 0, 0, 0, 0, 0, 0)));
}
