#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "math/matrix3.h"

namespace {

matrix3 from(std::initializer_list<float> v) {
    matrix3 r;
    std::copy(v.begin(), v.end(), r.m);
    return r;
}

// Small integers keep every product exact, so orders can be compared with ==.
matrix3 sample(int seed) {
    matrix3 r;
    for (int i = 0; i < 9; ++i) r.m[i] = static_cast<float>((i * 5 + seed * 3) % 7 - 3);
    return r;
}

bool same(const matrix3& a, const matrix3& b) {
    return std::equal(a.m, a.m + 9, b.m);
}

}  // namespace

TEST(Matrix3, SkewIsTheCrossProductMatrix) {
    matrix3 s = sample(1);
    s.skew(vec3(1, 2, 3));
    EXPECT_TRUE(same(s, from({0, -3, 2, 3, 0, -1, -2, 1, 0})));
    EXPECT_EQ(s.transform(vec3(4, 5, 6)), cross(vec3(4, 5, 6), vec3(1, 2, 3)));
    for (const vec3& w : {vec3(1, 2, 3), vec3(0.1f, -2.5f, 7.75f)}) {
        s.skew(w);
        EXPECT_TRUE(same(s + s.transpose(), from({0, 0, 0, 0, 0, 0, 0, 0, 0})));
    }
    s.skew(vec3(0, 0, 0));
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(s.m[i], 0.0f) << i;
        EXPECT_EQ(std::signbit(s.m[i]), i == 1 || i == 5 || i == 6) << i;
    }
}

TEST(Matrix3, ProductAppliesTheLeftOperandFirst) {
    const matrix3 rot = from({0, 1, 0, -1, 0, 0, 0, 0, 1});  // 90 degrees about z
    EXPECT_EQ((rot * rot).transform(vec3(1, 0, 0)), vec3(-1, 0, 0));
    const matrix3 a = sample(3), b = sample(4), ab = a * b;
    // The images of the unit vectors are the columns: the whole product is pinned.
    for (int i = 0; i < 3; ++i) {
        const vec3 e(i == 0, i == 1, i == 2);
        EXPECT_EQ(ab.transform(e), b.transform(a.transform(e))) << i;
    }
    const vec3 v(2, -1, 5);
    EXPECT_EQ(ab.transform(v), b.transform(a.transform(v)));
    matrix3 c = a;
    c = c * b;
    EXPECT_TRUE(same(c, ab));
    EXPECT_TRUE(same(matrix3::identity() * a, a) && same(a * matrix3::identity(), a));
}

TEST(Matrix3, TransposeAndElementWise) {
    const matrix3 a = sample(5), b = sample(6);
    EXPECT_TRUE(same((a * b).transpose(), b.transpose() * a.transpose()));
    EXPECT_TRUE(a.transpose().m[3] == a.m[1] && a.transpose().m[7] == a.m[5]);
    EXPECT_TRUE(same(a + a, a * 2));
    EXPECT_TRUE(same(a - a * 3, a * -2));
    EXPECT_TRUE(same(a - b, a + b * -1));
}

TEST(Matrix3, Orthonormalize) {
    // The old third column plays no part.
    matrix3 m = matrix3::identity();
    m.m[6] = 5, m.m[7] = -3, m.m[8] = 0;
    m.orthonormalize();
    EXPECT_TRUE(same(m, from({0.99830717f, 0, 0, 0, 0.99831676f, 0, 0, 0, 0.99831241f})));
    const matrix3 settled = from({0.99831241f, 0, 0, 0, 0.99831676f, 0, 0, 0, 0.99831671f});
    for (int pass = 2; pass <= 10; ++pass) {
        m.orthonormalize();
        ASSERT_TRUE(same(m, settled)) << pass;
    }
    matrix3 parallel = from({2, 0, 0, 4, 0, 0, 1, 1, 1});
    parallel.orthonormalize();
    EXPECT_TRUE(same(parallel, from({0.99830717f, 0, 0, 0, 0, 0, 0, 0, 0})));
}
