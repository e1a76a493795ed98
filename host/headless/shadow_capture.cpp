// Renders the demo without a display and writes the window's pixels to a PNG;
// with --stats it also reports what a frame costs.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/headless/capture_options.h"
#include "host/headless/frame_stats.h"
#include "host/headless/headless_host.h"
#include "host/headless/png_writer.h"

namespace {

constexpr const char* program = "shadow_capture";

bool file_readable(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

std::string working_directory() {
    char buffer[4096];
    return getcwd(buffer, sizeof(buffer)) != nullptr ? buffer : ".";
}

void print_stats(const std::vector<double>& cpu_ms, GpuFrameTimer& gpu, double seconds,
                 std::size_t bodies) {
    const Summary cpu = summarize(cpu_ms);
    const Summary frame = summarize(gpu.frame_ms);
    const Summary depth = summarize(gpu.depth_ms);
    const Summary camera = summarize(gpu.camera_ms);
    const double fps = seconds > 0 ? static_cast<double>(cpu_ms.size()) / seconds : 0;
    std::printf("frames: %zu timed, %zu bodies\n", cpu_ms.size(), bodies);
    std::printf("cpu ms/frame: median %.3f p95 %.3f\n", cpu.median, cpu.p95);
    std::printf("gpu ms/frame: median %.3f p95 %.3f\n", frame.median, frame.p95);
    std::printf("gpu ms/depth pass: median %.3f p95 %.3f\n", depth.median, depth.p95);
    std::printf("gpu ms/camera pass: median %.3f p95 %.3f\n", camera.median, camera.p95);
    std::printf("frame rate: %.1f fps\n", fps);
}

}  // namespace

int main(int argc, char** argv) {
    CaptureOptions options;
    std::string error;
    if (!parse_capture_options(argc, argv, options, error)) {
        std::fprintf(stderr, "%s: %s\n%s", program, error.c_str(), capture_usage(program).c_str());
        return 2;
    }
    if (options.help) {
        std::printf("%s", capture_usage(program).c_str());
        return 0;
    }

    // Find out before the run whether the picture can be kept at all; it is
    // written beside the target and renamed once complete.
    const std::string partial = options.out + ".tmp";
    std::FILE* out = nullptr;
    if (!options.out.empty()) {
        out = std::fopen(partial.c_str(), "wb");
        if (out == nullptr) {
            std::fprintf(stderr, "%s: cannot write %s: %s\n", program, options.out.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    auto discard_output = [&]() {
        if (out == nullptr) return;
        std::fclose(out);
        out = nullptr;
        std::remove(partial.c_str());
    };

    HeadlessHost host;
    if (!host.start(options.width, options.height, error)) {
        std::fprintf(stderr, "%s: cannot create the OpenGL context: %s\n", program, error.c_str());
        discard_output();
        return 1;
    }
    if (!host.program_loaded()) {
        const std::string dir = working_directory();
        std::string why = "see infolog.txt";
        if (!file_readable("shadow.vs")) {
            why = "shadow.vs is missing";
        } else if (!file_readable("shadow.fs")) {
            why = "shadow.fs is missing";
        } else {
            why = "they do not compile or link; see infolog.txt";
        }
        std::fprintf(stderr, "%s: the shaders shadow.vs and shadow.fs in %s did not load: %s\n",
                     program, dir.c_str(), why.c_str());
        host.shutdown();
        discard_output();
        return 1;
    }

    for (const std::string& name : options.hold) host.press(name, true);

    // Timed renders: the extra frames when there are any, else the renders that
    // follow the ticks.
    const bool time_ticks = options.frames == 0;
    std::vector<double> cpu_ms;
    std::unique_ptr<GpuFrameTimer> gpu;
    std::unique_ptr<PassBoundaryHook> hook;
    if (options.stats) {
        gpu = std::make_unique<GpuFrameTimer>();
        hook = std::make_unique<PassBoundaryHook>(*gpu);
    }
    double timed_seconds = 0;
    auto render = [&](bool timed) {
        if (!timed || !gpu) {
            host.render();
            return;
        }
        const double wall = wall_seconds();
        const double cpu = thread_cpu_seconds();
        gpu->begin_frame();
        host.render();
        gpu->end_frame();
        cpu_ms.push_back((thread_cpu_seconds() - cpu) * 1e3);
        timed_seconds += wall_seconds() - wall;
    };

    for (int i = 0; i < options.ticks; ++i) {
        host.tick();
        render(time_ticks);
    }
    for (int i = 0; i < options.frames; ++i) render(true);

    std::vector<unsigned char> pixels;
    if (out != nullptr) pixels = host.read_pixels();
    const std::size_t bodies = host.demo().world.bodies.size();
    if (gpu) {
        gpu->finish();
        hook.reset();
        print_stats(cpu_ms, *gpu, timed_seconds, bodies);
        gpu.reset();
    }
    host.shutdown();

    if (out != nullptr) {
        const bool written = write_png(out, options.width, options.height, pixels, error);
        const bool closed = std::fclose(out) == 0;
        out = nullptr;
        if (!written || !closed || std::rename(partial.c_str(), options.out.c_str()) != 0) {
            if (written && closed) error = std::strerror(errno);
            if (written && !closed) error = "the file could not be completed";
            std::remove(partial.c_str());
            std::fprintf(stderr, "%s: cannot write %s: %s\n", program, options.out.c_str(),
                         error.c_str());
            return 1;
        }
        std::printf("wrote %s (%dx%d, %zu bodies)\n", options.out.c_str(), options.width,
                    options.height, bodies);
    }
    return 0;
}
