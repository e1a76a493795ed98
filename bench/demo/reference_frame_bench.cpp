// The demo's frame against a bare reference frame, on one headless context in
// the same process: the same scene after 900 ticks, the same 2048 x 2048 depth
// target and window pass, the same shaders. A second bare frame runs the
// flat-colour shader pair the demo had before its lighting (flat_shadow.vs /
// .fs), the yardstick for what the lighting costs in the camera pass. Blocks of
// frames alternate between the three so that a busy machine weighs on all alike.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/demo/reference_frame.h"
#include "host/headless_host.h"
#include "tools/frame_stats/frame_stats.h"

namespace {

struct Samples {
    std::vector<double> cpu_ms;
    double wall_seconds = 0;
    GpuFrameTimer gpu;
};

void mark_pass(void* timer) {
    static_cast<GpuFrameTimer*>(timer)->mark_pass();
}

ReferenceScene scene_of(Demo& demo, int width, int height) {
    ReferenceScene s;
    s.width = width;
    s.height = height;
    matrix4 camera;
    matrix4 light;
    demo.camera.view_matrix(camera);
    demo.light.view_matrix(light);
    demo.view = light;
    demo.update_shadow_mvp();
    matrix4 floor_depth = matrix4::identity();
    floor_depth.m[13] = -3;
    s.camera_mvp.push_back(camera * demo.projection);
    s.depth_mvp.push_back(floor_depth * light * demo.projection);
    s.shadow_mvp.push_back(demo.shadow_mvp);
    s.color.push_back(vec3(0, 0.3f, 0));
    s.frozen.push_back(false);
    for (std::size_t i = 0; i < demo.world.bodies.size(); ++i) {
        const RigidBody& body = *demo.world.bodies[i];
        const matrix4 model = body.model_matrix();
        s.camera_mvp.push_back(model * camera * demo.projection);
        s.depth_mvp.push_back(model * light * demo.projection);
        s.shadow_mvp.push_back(model * demo.shadow_mvp);
        s.color.push_back(i % 2 == 0 ? vec3(1, 0, 0) : vec3(0, 0, 1));
        s.frozen.push_back(body.frozen);
    }
    return s;
}

template <class Render>
void timed_frames(int count, Samples& samples, Render render) {
    for (int i = 0; i < count; ++i) {
        const double wall = wall_seconds();
        const double cpu = thread_cpu_seconds();
        samples.gpu.begin_frame();
        render();
        samples.gpu.end_frame();
        samples.cpu_ms.push_back((thread_cpu_seconds() - cpu) * 1e3);
        samples.wall_seconds += wall_seconds() - wall;
    }
}

void print_row(const char* name, Samples& s) {
    const Summary cpu = summarize(s.cpu_ms);
    const Summary depth = summarize(s.gpu.depth_ms);
    const Summary camera = summarize(s.gpu.camera_ms);
    const Summary frame = summarize(s.gpu.frame_ms);
    const double fps =
        s.wall_seconds > 0 ? static_cast<double>(s.cpu_ms.size()) / s.wall_seconds : 0;
    std::printf("%-10s %8.3f %8.3f | %8.3f %8.3f | %8.3f %8.3f | %8.3f %8.3f | %7.1f\n", name,
                cpu.median, cpu.p95, depth.median, depth.p95, camera.median, camera.p95,
                frame.median, frame.p95, fps);
}

double ratio(double a, double b) {
    return b > 0 ? a / b : 0;
}

}  // namespace

int main(int argc, char** argv) {
    int frames = 600;
    int width = 800;
    int height = 600;
    if (argc > 1) frames = std::atoi(argv[1]);
    if (frames < 1) {
        std::fprintf(stderr, "usage: %s [FRAMES]\n", argv[0]);
        return 2;
    }
    constexpr int ticks = 900;
    constexpr int block = 50;
    constexpr int warmup = 20;

    HeadlessHost host;
    std::string error;
    if (!host.start(width, height, error)) {
        std::fprintf(stderr, "reference_frame_bench: cannot create the OpenGL context: %s\n",
                     error.c_str());
        return 1;
    }
    if (!host.program_loaded()) {
        std::fprintf(stderr, "reference_frame_bench: shadow.vs / shadow.fs did not load\n");
        return 1;
    }
    for (int i = 0; i < ticks; ++i) host.tick();
    Demo& demo = host.demo();

    const ReferenceScene scene = scene_of(demo, width, height);
    auto reference = std::make_unique<ReferenceFrame>();
    auto yardstick = std::make_unique<ReferenceFrame>();
    if (!reference->init(scene, "shadow.vs", "shadow.fs", error) ||
        !yardstick->init(scene, "flat_shadow.vs", "flat_shadow.fs", error)) {
        std::fprintf(stderr, "reference_frame_bench: %s\n", error.c_str());
        return 1;
    }
    DeviceContext surface = *host.context().device_context();

    Samples demo_samples;
    Samples reference_samples;
    Samples yardstick_samples;
    Samples discard;
    auto bare = [&](ReferenceFrame& frame, Samples& samples) {
        return [&] {
            frame.render(&mark_pass, &samples.gpu);
            present_back_buffer(surface);
        };
    };
    timed_frames(warmup, discard, [&] { host.render(); });
    timed_frames(warmup, discard, [&] {
        reference->render(nullptr, nullptr);
        yardstick->render(nullptr, nullptr);
        present_back_buffer(surface);
    });
    for (int done = 0; done < frames; done += block) {
        const int n = std::min(block, frames - done);
        {
            PassBoundaryHook hook(demo_samples.gpu);
            timed_frames(n, demo_samples, [&] { host.render(); });
        }
        timed_frames(n, reference_samples, bare(*reference, reference_samples));
        timed_frames(n, yardstick_samples, bare(*yardstick, yardstick_samples));
    }
    demo_samples.gpu.finish();
    reference_samples.gpu.finish();
    yardstick_samples.gpu.finish();
    discard.gpu.finish();

    // The simulation is the rest of the demo's CPU work, once per timer tick.
    std::vector<double> tick_ms;
    for (int i = 0; i < 200; ++i) {
        const double cpu = thread_cpu_seconds();
        host.tick();
        tick_ms.push_back((thread_cpu_seconds() - cpu) * 1e3);
    }

    std::printf(
        "reference_frame_bench: %dx%d window, 2048x2048 shadow map, %zu boxes after %d "
        "ticks, %d frames each in alternating blocks of %d\n",
        width, height, demo.world.bodies.size(), ticks, frames, block);
    std::printf(
        "ms/frame     cpu med  cpu p95 |  depth med  p95  | camera med  p95  |  gpu "
        "med  p95   |   fps\n");
    print_row("demo", demo_samples);
    print_row("reference", reference_samples);
    print_row("flat pair", yardstick_samples);
    const double depth = ratio(summarize(demo_samples.gpu.depth_ms).median,
                               summarize(reference_samples.gpu.depth_ms).median);
    const double camera = ratio(summarize(demo_samples.gpu.camera_ms).median,
                                summarize(reference_samples.gpu.camera_ms).median);
    const double frame = ratio(summarize(demo_samples.gpu.frame_ms).median,
                               summarize(reference_samples.gpu.frame_ms).median);
    const double cpu_demo = summarize(demo_samples.cpu_ms).median;
    const double cpu_reference = summarize(reference_samples.cpu_ms).median;
    std::printf(
        "ratio demo/reference (median GPU time, goal <= 1.10): depth pass %.3f, camera "
        "pass %.3f, frame %.3f; CPU %.3f\n",
        depth, camera, frame, ratio(cpu_demo, cpu_reference));
    std::printf(
        "ratio of the camera pass with these shaders to the flat pair's (median GPU time, "
        "goal <= 1.5): bare frame %.3f, demo %.3f\n",
        ratio(summarize(reference_samples.gpu.camera_ms).median,
              summarize(yardstick_samples.gpu.camera_ms).median),
        ratio(summarize(demo_samples.gpu.camera_ms).median,
              summarize(yardstick_samples.gpu.camera_ms).median));
    std::printf(
        "demo CPU outside OpenGL: %.4f ms/frame in render (demo minus reference CPU "
        "median), %.4f ms/tick in the simulation (median of 200 ticks)\n",
        cpu_demo - cpu_reference, summarize(tick_ms).median);
    reference.reset();
    yardstick.reset();
    return 0;
}
