// Frames and ticks per second of each window host over 10 s under Xvfb, beside
// the headless host's frame rate on the same machine in the same run.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int run_seconds = 10;

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
    return out;
}

void window_host(benchmark::State& state, const char* host, const char* binary) {
    const std::string bin = SHADOW_BIN_DIR;
    if (!exists(bin + "/" + binary)) {
        state.SkipWithError((std::string(binary) + " is not built").c_str());
        return;
    }
    for (auto _ : state) {
        std::string out = run(std::string(SHADOW_SOURCE_DIR) + "/bench/host/window_run.sh " + host +
                              " " + bin + " " + std::to_string(run_seconds) + " 2>/dev/null");
        long frames = 0, ticks = 0;
        double seconds = 0;
        std::size_t at = out.find("host counters:");
        if (at == std::string::npos ||
            std::sscanf(out.c_str() + at, "host counters: frames %ld ticks %ld seconds %lf",
                        &frames, &ticks, &seconds) != 3 ||
            seconds <= 0) {
            state.SkipWithError("the host run gave no counters");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["frames_per_s"] = static_cast<double>(frames) / seconds;
        state.counters["ticks_per_s"] = static_cast<double>(ticks) / seconds;
        state.counters["frames"] = static_cast<double>(frames);
        state.counters["ticks"] = static_cast<double>(ticks);
    }
}

void BM_SdlWindowHost(benchmark::State& state) {
    window_host(state, "sdl", "shadow_mapping_counted");
}
void BM_Win32WindowHostUnderWine(benchmark::State& state) {
    window_host(state, "wine", "shadow_mapping_counted.exe");
}

// The headless host renders the same scene into a pbuffer at the SDL window's
// size, with no window system in the way.
void BM_HeadlessHost(benchmark::State& state) {
    const std::string capture = std::string(SHADOW_BIN_DIR) + "/shadow_capture";
    if (!exists(capture)) {
        state.SkipWithError("shadow_capture is not built");
        return;
    }
    for (auto _ : state) {
        std::string out = run("cd " + std::string(SHADOW_BIN_DIR) + " && ./shadow_capture --size " +
                              "1024x768 --ticks 720 --frames 600 --stats 2>&1");
        double fps = 0;
        std::size_t at = out.find("frame rate:");
        if (at == std::string::npos ||
            std::sscanf(out.c_str() + at, "frame rate: %lf", &fps) != 1) {
            state.SkipWithError("shadow_capture gave no frame rate");
            return;
        }
        state.SetIterationTime(600.0 / fps);
        state.counters["frames_per_s"] = fps;
    }
}

}  // namespace

BENCHMARK(BM_SdlWindowHost)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Win32WindowHostUnderWine)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_HeadlessHost)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
