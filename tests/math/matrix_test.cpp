#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

#include "math/matrix3.h"
#include "math/matrix4.h"

namespace {

template <class M>
constexpr int count = sizeof(M::m) / sizeof(float);
template <class M>
constexpr int dim = count<M> == 16 ? 4 : 3;

// Small integers keep every product exact, so orders can be compared with ==.
template <class M>
M sample(int seed) {
    M r;
    for (int i = 0; i < count<M>; ++i) r.m[i] = static_cast<float>((i * 7 + seed * 5) % 11 - 5);
    return r;
}

template <class M>
bool same(const M& a, const M& b) {
    return std::equal(std::begin(a.m), std::end(a.m), std::begin(b.m));
}

matrix4 filled(float value) {
    matrix4 r;
    std::fill(std::begin(r.m), std::end(r.m), value);
    return r;
}

bool same(const vec3& a, const vec3& b) {
    return a == b;
}

bool same(const vec4& a, const vec4& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

vec3 unit(const matrix3&, int i) {
    return vec3(i == 0, i == 1, i == 2);
}

vec4 unit(const matrix4&, int i) {
    return vec4(i == 0, i == 1, i == 2, i == 3);
}

template <class M>
void expect_elements(const M& m, std::initializer_list<float> expected) {
    for (int i = 0; i < count<M>; ++i) EXPECT_EQ(m.m[i], expected.begin()[i]) << i;
}

// d on the diagonal of the upper 3x3 block, 1 below it, 0 elsewhere.
template <class M>
void expect_diagonal(const M& m, const float (&d)[3]) {
    for (int i = 0; i < count<M>; ++i) {
        const int row = i % dim<M>, column = i / dim<M>;
        EXPECT_EQ(m.m[i], row != column ? 0.0f : row < 3 ? d[row] : 1.0f) << i;
    }
}

template <class M>
class Matrices : public testing::Test {};
using BothSizes = testing::Types<matrix3, matrix4>;
TYPED_TEST_SUITE(Matrices, BothSizes);

TYPED_TEST(Matrices, ProductsApplyTheLeftOperandFirstAndTranspose) {
    using M = TypeParam;
    const M a = sample<M>(1), b = sample<M>(2), ab = a * b, id = M::identity();
    // The images of the unit vectors are the columns: the whole product is pinned.
    for (int i = 0; i < dim<M>; ++i) {
        const auto e = unit(a, i);
        EXPECT_TRUE(same(ab.transform(e), b.transform(a.transform(e)))) << i;
    }
    M c = a;
    c = c * b;  // an operand may be the destination
    EXPECT_TRUE(same(c, ab));
    EXPECT_TRUE(same(id * a, a) && same(a * id, a));

    EXPECT_TRUE(same(ab.transpose(), b.transpose() * a.transpose()));
    EXPECT_EQ(a.transpose().m[1], a.m[dim<M>]);
    EXPECT_TRUE(same(a + a, a * 2));
    EXPECT_TRUE(same(a - a * 3, a * -2));
    EXPECT_TRUE(same(a - b, a + b * -1));
}

// The old third column plays no part.
TYPED_TEST(Matrices, OrthonormalizeIdentityAndParallelColumns) {
    using M = TypeParam;
    const int n = dim<M>;
    M m = M::identity();
    m.m[2 * n] = 5, m.m[2 * n + 1] = -3, m.m[2 * n + 2] = 0;
    m.orthonormalize();
    expect_diagonal(m, {0.99830717f, 0.99831676f, 0.99831241f});
    for (int pass = 2; pass <= 10; ++pass) {
        SCOPED_TRACE(pass);
        m.orthonormalize();
        expect_diagonal(m, {0.99831241f, 0.99831676f, 0.99831671f});
    }
    M parallel = M::identity();
    parallel.m[0] = 2, parallel.m[n] = 4, parallel.m[n + 1] = 0;
    parallel.orthonormalize();
    expect_diagonal(parallel, {0.99830717f, 0, 0});
}

TEST(Matrix3, SkewIsTheCrossProductMatrix) {
    matrix3 s = sample<matrix3>(1);
    s.skew(vec3(1, 2, 3));
    expect_elements(s, {0, -3, 2, 3, 0, -1, -2, 1, 0});
    EXPECT_EQ(s.transform(vec3(4, 5, 6)), cross(vec3(4, 5, 6), vec3(1, 2, 3)));
    for (const vec3& w : {vec3(1, 2, 3), vec3(0.1f, -2.5f, 7.75f)}) {
        s.skew(w);
        expect_elements(s + s.transpose(), {0, 0, 0, 0, 0, 0, 0, 0, 0});
    }
    s.skew(vec3(0, 0, 0));
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(s.m[i], 0.0f) << i;
        EXPECT_EQ(std::signbit(s.m[i]), i == 1 || i == 5 || i == 6) << i;
    }
}

TEST(Matrix4, PremultiplyAndTranslationThenScale) {
    const matrix4 a = sample<matrix4>(3), b = sample<matrix4>(4), id = matrix4::identity();
    const vec4 v(1, -2, 3, 1);
    EXPECT_TRUE(same(a.premultiply(b), b * a));
    EXPECT_TRUE(same(a.premultiply(b).transform(v), a.transform(b.transform(v))));
    EXPECT_TRUE(same(a.premultiply(id), a) && same(id.premultiply(a), a));

    matrix4 t = id, s = id;
    t.m[12] = 1, t.m[13] = 2, t.m[14] = 3;
    s.m[0] = s.m[5] = s.m[10] = 2;
    EXPECT_TRUE(same((t * s).transform(vec4(0, 0, 0, 1)), vec4(2, 4, 6, 1)));
    EXPECT_TRUE(same((s * t).transform(vec4(0, 0, 0, 1)), vec4(1, 2, 3, 1)));
}

TEST(Matrix4, BiasMapsClipCubeToTextureSquare) {
    matrix4 bias = matrix4::identity() * 0.5f;
    bias.m[12] = bias.m[13] = bias.m[14] = 0.5f;
    bias.m[15] = 1;
    EXPECT_TRUE(same(bias.transform(vec4(-1, -1, -1, 1)), vec4(0, 0, 0, 1)));
    EXPECT_TRUE(same(bias.transform(vec4(1, 1, 1, 1)), vec4(1, 1, 1, 1)));
    expect_elements(bias.transpose(),
                    {0.5f, 0, 0, 0.5f, 0, 0.5f, 0, 0.5f, 0, 0, 0.5f, 0.5f, 0, 0, 0, 1});
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
        expect_elements(p,
                        {c.x_scale, 0, 0, 0, 0, 2.4142137f, 0, 0, 0, 0, c.m10, -1, 0, 0, c.m14, 0});
    }
    EXPECT_EQ(800.0f / 600.0f, 1.3333334f);
    EXPECT_EQ(1920.0f / 1080.0f, 1.7777778f);
}

TEST(Matrix4, Orthographic) {
    matrix4 o = filled(7);
    o.orthographic(-1, 1, -1, 1, -1, 1);
    expect_elements(o, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1});
    o.orthographic(0, 800, 0, 600, 1, 101);
    expect_elements(o,
                    {0.0025f, 0, 0, 0, 0, 0.0033333334f, 0, 0, 0, 0, -0.02f, 0, -1, -1, -1.02f, 1});
}

TEST(Matrix4, OrthonormalizeTouchesOnlyTheUpperBlock) {
    matrix4 m = matrix4::identity();
    m.m[3] = -0.0f, m.m[7] = std::numeric_limits<float>::quiet_NaN(), m.m[11] = 1e-40f;
    m.m[12] = 3, m.m[13] = -4, m.m[14] = INFINITY, m.m[15] = 0.25f;
    const matrix4 before = m;
    m.orthonormalize();
    for (int i : {3, 7, 11, 12, 13, 14, 15})
        EXPECT_EQ(std::memcmp(&m.m[i], &before.m[i], sizeof(float)), 0) << i;
    const float first_pass[3] = {0.99830717f, 0.99831676f, 0.99831241f};
    for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10})
        EXPECT_EQ(m.m[i], i % 5 ? 0.0f : first_pass[i / 5]) << i;
}

}  // namespace
