// Cost of the world step: one tick of the demo's six-box scene, and how a step
// grows with the number of bodies.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "physics/world.h"

namespace {

void copy_world(const World& from, World& to) {
    to.spawn_timer = from.spawn_timer;
    to.bodies.clear();
    for (const auto& b : from.bodies) to.bodies.push_back(std::make_unique<RigidBody>(*b));
}

void set_box(RigidBody& b) {
    for (int k = 0; k < 8; ++k) {
        b.vertices[k] =
            vec3((k & 4) ? 0.25f : -0.25f, (k & 2) ? 0.25f : -0.25f, (k & 1) ? 0.25f : -0.25f);
    }
}

// The scene right after its sixth box appeared (tick 720). From there the ticks
// up to 2220 keep at least three boxes moving; the run is replayed over that window.
constexpr int scene_start = 720;
constexpr int scene_window = 1500;

void BM_SceneTick(benchmark::State& state) {
    World start;
    for (int t = 0; t < scene_start; ++t) start.tick();
    World world;
    copy_world(start, world);
    int done = 0;
    std::vector<double> tick_ns;
    tick_ns.reserve(1 << 20);
    for (auto _ : state) {
        if (done == scene_window) {
            state.PauseTiming();
            copy_world(start, world);
            done = 0;
            state.ResumeTiming();
        }
        const auto t0 = std::chrono::steady_clock::now();
        world.tick();
        const auto t1 = std::chrono::steady_clock::now();
        tick_ns.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count());
        ++done;
    }
    std::nth_element(tick_ns.begin(), tick_ns.begin() + tick_ns.size() / 2, tick_ns.end());
    state.counters["median_tick_ns"] = tick_ns[tick_ns.size() / 2];
}
BENCHMARK(BM_SceneTick)->MinTime(2.0);

// N boxes on a grid 2.5 apart at height 8, all moving and spinning like the
// demo's boxes, so they never meet each other or a wall within the 32 steps
// before the grid is put back.
constexpr int steps_per_layout = 32;

void layout(World& world, int n) {
    world.bodies.clear();
    world.spawn_timer = 721;  // no spawning
    for (int i = 0; i < n; ++i) {
        auto b = std::make_unique<RigidBody>();
        set_box(*b);
        b->position = vec3(-7.5f + 2.5f * float(i % 7), 8, -22.5f + 2.5f * float(i / 7));
        b->velocity = vec3(-3, 0, -3);
        b->angular_velocity = vec3(4, 8, 3);
        world.bodies.push_back(std::move(b));
    }
}

void BM_StepPhysics(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    World start;
    layout(start, n);
    World world;
    copy_world(start, world);
    int done = 0;
    for (auto _ : state) {
        if (done == steps_per_layout) {
            state.PauseTiming();
            copy_world(start, world);
            done = 0;
            state.ResumeTiming();
        }
        world.step_physics();
        ++done;
    }
    for (const auto& b : world.bodies) {
        if (b->frozen) state.SkipWithError("a body froze: the layout is not apart");
    }
    state.SetComplexityN(n);
    state.counters["ns_per_body"] = benchmark::Counter(
        double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StepPhysics)->Arg(6)->Arg(12)->Arg(24)->Arg(48)->Complexity();

}  // namespace

BENCHMARK_MAIN();
