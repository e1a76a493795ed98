// inv_sqrt against the library square root, and the hot vector and matrix
// operations of the physics step. Inputs cycle through a prepared array so that
// nothing folds into a constant.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "math/matrix3.h"
#include "math/matrix4.h"
#include "math/vector.h"

namespace {

constexpr std::size_t count = 1024;  // a power of two: the index wraps with a mask

std::vector<float> positive_floats() {
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> d(0.001f, 1000.0f);
    std::vector<float> v(count);
    for (float& f : v) f = d(rng);
    return v;
}

std::vector<vec3> vectors() {
    std::mt19937 rng(2);
    std::uniform_real_distribution<float> d(-10.0f, 10.0f);
    std::vector<vec3> v(count);
    for (vec3& e : v) e = vec3(d(rng), d(rng), d(rng));
    return v;
}

template <typename M, int N>
std::vector<M> matrices() {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::vector<M> v(count);
    for (M& e : v) {
        for (int i = 0; i < N; ++i) e.m[i] = d(rng);
    }
    return v;
}

void BM_inv_sqrt(benchmark::State& state) {
    const std::vector<float> in = positive_floats();
    std::size_t i = 0;
    for (auto _ : state) {
        float x = in[i++ & (count - 1)];
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(inv_sqrt(x));
    }
}
BENCHMARK(BM_inv_sqrt);

void BM_one_over_std_sqrt(benchmark::State& state) {
    const std::vector<float> in = positive_floats();
    std::size_t i = 0;
    for (auto _ : state) {
        float x = in[i++ & (count - 1)];
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(1.0f / std::sqrt(x));
    }
}
BENCHMARK(BM_one_over_std_sqrt);

void BM_vec3_normalize(benchmark::State& state) {
    const std::vector<vec3> in = vectors();
    std::size_t i = 0;
    for (auto _ : state) {
        vec3 v = in[i++ & (count - 1)];
        benchmark::DoNotOptimize(v);
        v.normalize();
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_vec3_normalize);

void BM_matrix4_product(benchmark::State& state) {
    const std::vector<matrix4> in = matrices<matrix4, 16>();
    std::size_t i = 0;
    for (auto _ : state) {
        const matrix4& a = in[i & (count - 1)];
        const matrix4& b = in[(i + 1) & (count - 1)];
        ++i;
        matrix4 c = a * b;
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_matrix4_product);

void BM_matrix3_product(benchmark::State& state) {
    const std::vector<matrix3> in = matrices<matrix3, 9>();
    std::size_t i = 0;
    for (auto _ : state) {
        const matrix3& a = in[i & (count - 1)];
        const matrix3& b = in[(i + 1) & (count - 1)];
        ++i;
        matrix3 c = a * b;
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_matrix3_product);

}  // namespace

BENCHMARK_MAIN();
