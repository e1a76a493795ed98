#include <gtest/gtest.h>

#include <cmath>

#include "math/matrix3.h"
#include "math/matrix4.h"
#include "math/sine_table.h"

TEST(InvSqrt, ValuesAndErrorBoundThenAbsAndFloatTrig) {
    EXPECT_EQ(inv_sqrt(1), 0.99830717f);
    EXPECT_EQ(inv_sqrt(4), 0.49915358f);
    EXPECT_EQ(inv_sqrt(2), 0.70693004f);
    EXPECT_EQ(inv_sqrt(0), 1.9817754e19f);
    // Over one period of the pattern the worst cases are 0.1752339% below and a
    // relative 1.3476e-7 above; every power of 4 repeats the period exactly.
    long double low = 0, high = 0;
    for (float x = 1.0f; x < 4.0f; x = std::nextafter(x, 8.0f)) {
        const long double exact = 1.0L / std::sqrt(static_cast<long double>(x));
        low = std::min(low, (inv_sqrt(x) - exact) / exact);
        high = std::max(high, (inv_sqrt(x) - exact) / exact);
        for (int e : {-30, 30})
            ASSERT_EQ(std::ldexp(inv_sqrt(std::ldexp(x, 2 * e)), e), inv_sqrt(x));
    }
    EXPECT_NEAR(double(low), -0.0017523, 5e-8);
    EXPECT_NEAR(double(high), 1.3476e-7, 1e-10);
    // A NaN with its sign bit set, as 0 * inf gives on x86, is still a NaN out.
    EXPECT_TRUE(std::isnan(inv_sqrt(NAN))) << inv_sqrt(NAN);
    EXPECT_TRUE(std::isnan(inv_sqrt(-NAN))) << inv_sqrt(-NAN);

    EXPECT_EQ(fast_abs(-2.5f), 2.5f);
    EXPECT_EQ(fast_abs(2.5f), 2.5f);
    EXPECT_FALSE(std::signbit(fast_abs(-0.0f)));
    EXPECT_EQ(fast_abs_bits(-0x3fe00000), 0x40200000);  // the patterns of -2.5 and 2.5
    EXPECT_EQ(fast_abs_bits(0x12345678), 0x12345678);
    EXPECT_EQ(float_sin(1.0f), 0.84147096f);
    EXPECT_EQ(float_cos(2.0f), -0.41614684f);
}

TEST(FastMath, TableCosReadsTheTruncatedIndex) {
    ASSERT_EQ(sine_table_size, 629);
    for (int i = 0; i < sine_table_size; ++i)
        EXPECT_NEAR(sine_table[i], std::sin(i / 100.0), 5e-9) << i;
    // The last argument lands exactly on the period and stays there: index 628.
    const double pi = 3.141592653589793, quarter = 1.5707963268;
    const double x[] = {0, pi, -pi, 1, pi / 2, quarter, 10, -10, quarter - 6.28318530718};
    const double cos[] = {0.99999968, -0.99999715, -0.99999715, 0.53963205,   0,
                          0,          -0.83515105, -0.84318774, -0.0031853018};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(table_cos(x[i]), cos[i]) << x[i];
    // Arguments no period can change still return, with a value near the cosine.
    EXPECT_TRUE(std::isnan(table_cos(HUGE_VAL))) << table_cos(HUGE_VAL);
    EXPECT_TRUE(std::isnan(table_cos(NAN))) << table_cos(NAN);
    for (double y = 1e6; y < 1e9; y *= 1.37) EXPECT_NEAR(table_cos(-y), std::cos(y), 0.011) << y;
}

TEST(Vectors, LengthsThroughInvSqrtArithmeticAndPlanes) {
    vec3 v(1, 0, 0);
    EXPECT_EQ(&v.normalize(), &v);
    EXPECT_EQ(v, vec3(0.99830717f, 0, 0));
    for (int pass = 2; pass <= 4; ++pass) EXPECT_EQ(v.normalize(), vec3(0.99831241f, 0, 0)) << pass;
    EXPECT_EQ(vec3(3, 4, 0).normalize(), vec3(0.5990693f, 0.79875904f, 0));
    EXPECT_EQ(vec3(3, 4, 0).magnitude(), 5.0077682f);
    EXPECT_EQ(vec3(1, 0, 0).magnitude(), 1.0016958f);
    EXPECT_EQ(vec3().normalize(), vec3(0, 0, 0));
    EXPECT_EQ(vec3().magnitude(), 0x1.dc9452p-65f);  // 1 / 1.9817754e19
    // (4096^2 + 1) + 1 loses both ones; 4096^2 + (1 + 1) would not.
    EXPECT_EQ(vec3(4096, 1, 1).magnitude(), vec3(4096, 0, 0).magnitude());

    vec3 a(1, 2, 3);
    EXPECT_EQ(((a + a * 2) - vec3(0.5f, 4, 8)).dot(-a), -9.5f);
    EXPECT_EQ((a += a) -= vec3(1, 1, 1), vec3(1, 3, 5));
    EXPECT_EQ(a *= -1, vec3(-1, -3, -5));
    EXPECT_EQ(vec3(1, 2, 3) / vec3(1, 2, 3), 3.0f);
    EXPECT_EQ(cross(vec3(1, 0, 0), vec3(0, 1, 0)), vec3(0, 0, 1));
    EXPECT_EQ(cross(vec3(4, 5, 6), vec3(1, 2, 3)), vec3(3, -6, 3));
    // Exact float comparison, component by component.
    EXPECT_FALSE(vec3(1, NAN, 3) == vec3(1, NAN, 3));
    EXPECT_EQ(-vec3(0, 0, 0), vec3(0, 0, 0));
    EXPECT_NE(vec3(1, 2, 3), vec3(1, 2, 3.0000002f));
    EXPECT_EQ(vec3(vec4(1, 2, 3, 4)), vec3(1, 2, 3));
    const plane floor, face(vec4(0, 1, 0, -0.5f));
    EXPECT_EQ(floor.normal, face.normal);
    EXPECT_EQ(std::make_pair(floor.distance, face.distance), std::make_pair(0.0f, -0.5f));
}

namespace {

template <class M>
void expect_elements(const M& m, std::initializer_list<float> expected) {
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(m.m[i], expected.begin()[i]) << i;
}

// d on the diagonal of the upper 3x3 block, 1 after it, 0 elsewhere.
template <class M, int n = sizeof(M::m) == 64 ? 4 : 3>
void expect_diagonal(const M& m, float d0, float d1, float d2) {
    const float d[4] = {d0, d1, d2, 1};
    for (int i = 0; i < n * n; ++i) EXPECT_EQ(m.m[i], i % (n + 1) ? 0.0f : d[i / (n + 1)]) << i;
}

TEST(Matrices, ProductsApplyTheLeftOperandFirstAndSkew) {
    // A quarter turn about z, and a stretch along x and z.
    const matrix3 turn = {{0, 1, 0, -1, 0, 0, 0, 0, 1}}, stretch = {{2, 0, 0, 0, 1, 0, 0, 0, 3}};
    EXPECT_EQ((stretch * turn).transform(vec3(1, 0, 0)), vec3(0, 2, 0));
    expect_elements((turn * stretch).transpose(), {0, -2, 0, 1, 0, 0, 0, 0, 3});
    expect_elements(turn + stretch - turn * 2, {2, -1, 0, 1, 1, 0, 0, 0, 2});
    matrix3 skew;
    skew.skew(vec3(1, 2, 3));
    expect_elements(skew, {0, -3, 2, 3, 0, -1, -2, 1, 0});
    EXPECT_EQ(skew.transform(vec3(4, 5, 6)), vec3(3, -6, 3));

    matrix4 t = matrix4::identity(), s = t;
    t.m[12] = 1, t.m[13] = 2, t.m[14] = 3;
    s.m[0] = s.m[5] = s.m[10] = 2;
    const vec4 origin(0, 0, 0, 1);
    EXPECT_EQ(vec3((t * s).transform(origin)), vec3(2, 4, 6));
    EXPECT_EQ(vec3((s * t).transform(origin)), vec3(1, 2, 3));
    EXPECT_EQ(vec3(t.premultiply(s).transform(origin)), vec3(1, 2, 3));
    t = t * s;  // an operand may be the destination
    expect_elements(t.transpose(), {2, 0, 0, 2, 0, 2, 0, 4, 0, 0, 2, 6, 0, 0, 0, 1});
    // The shadow bias maps the clip cube onto the texture square.
    const matrix4 bias = {{0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0.5f, 0.5f, 0.5f, 1}};
    EXPECT_EQ(vec3(bias.transform(vec4(-1, -1, -1, 1))), vec3(0, 0, 0));
    EXPECT_EQ(vec3(bias.transform(vec4(1, 1, 1, 1))), vec3(1, 1, 1));
}

// Passes settle rather than converge; the old third column plays no part, and
// the fourth row and column of a matrix4 are left bit for bit.
TEST(Matrices, OrthonormalizeBothSizes) {
    matrix3 a = matrix3::identity(), parallel = a;
    matrix4 b = matrix4::identity();
    a.m[6] = b.m[8] = 5;
    for (int pass = 1; pass <= 3; ++pass) {
        a.orthonormalize();
        b.orthonormalize();
        const float x = pass == 1 ? 0.99830717f : 0.99831241f,
                    z = pass == 1 ? 0.99831241f : 0.99831671f;
        expect_diagonal(a, x, 0.99831676f, z);
        expect_diagonal(b, x, 0.99831676f, z);
    }
    parallel.m[0] = 2, parallel.m[3] = 4, parallel.m[4] = 0;
    parallel.orthonormalize();
    expect_diagonal(parallel, 0.99830717f, 0, 0);

    b.m[3] = NAN, b.m[11] = -0.0f, b.m[12] = 3, b.m[15] = 0.25f;
    b.orthonormalize();
    EXPECT_TRUE(std::isnan(b.m[3])) << b.m[3];
    EXPECT_TRUE(std::signbit(b.m[11])) << b.m[11];
    EXPECT_EQ(std::make_pair(b.m[12], b.m[15]), std::make_pair(3.0f, 0.25f));
}

TEST(Matrices, Projections) {
    // 800 x 600, 1920 x 1080, a zero-height window, the infinite flag, and a far
    // plane so distant that -2 * far would overflow.
    const struct {
        float aspect, near, far;
        bool infinite;
        float m0, m10, m14;
    } cases[] = {{1.3333334f, 1, 1001, false, 1.8106601f, -1.002f, -2.002f},
                 {1.7777778f, 1, 1001, false, 1.3579952f, -1.002f, -2.002f},
                 {INFINITY, 1, 1001, false, 0.0f, -1.002f, -2.002f},
                 {1.3333334f, 1, 1001, true, 1.8106601f, -1.0f, -2.0f},
                 {1, 0.5f, 3e38f, false, 2.4142137f, -1.0f, -1.0f}};
    matrix4 p = {{7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.aspect);
        p.perspective(45, c.aspect, c.near, c.far, c.infinite);
        expect_elements(p, {c.m0, 0, 0, 0, 0, 2.4142137f, 0, 0, 0, 0, c.m10, -1, 0, 0, c.m14, 0});
    }
    p.orthographic(0, 800, 0, 600, 1, 101);
    expect_elements(p,
                    {0.0025f, 0, 0, 0, 0, 0.0033333334f, 0, 0, 0, 0, -0.02f, 0, -1, -1, -1.02f, 1});
}

}  // namespace
