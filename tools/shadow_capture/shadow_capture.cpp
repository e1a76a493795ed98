// Renders the demo without a display and writes the window's pixels to a PNG;
// with --stats it also reports what a frame costs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "host/headless_host.h"
#include "shader/shader.h"
#include "tools/frame_stats/frame_stats.h"
#include "tools/shadow_capture/capture_options.h"
#include "tools/shadow_capture/png_writer.h"
#include "tools/shadow_capture/replacing_file.h"

namespace {

constexpr const char* program = "shadow_capture";

// Where the picture's trial buffer was: seen from outside, so the compiler
// keeps the allocation.
unsigned char* volatile trial_buffer = nullptr;

// The offset of the first NUL byte in the regular file `path`, or -1. Opened
// without blocking and checked again, in case a pipe took the file's place.
long nul_offset(const char* path) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info;
    long at = -1, done = 0;
    char buffer[65536];
    ssize_t got = 0;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        while (at < 0 && (got = read(fd, buffer, sizeof(buffer))) > 0) {
            const char* nul = static_cast<const char*>(std::memchr(buffer, '\0', std::size_t(got)));
            if (nul != nullptr) at = done + (nul - buffer);
            done += got;
        }
    }
    close(fd);
    return at;
}

// Why the loader cannot have read `path`, found without an open that could
// block (a pipe's would); empty when it could have.
std::string unreadable(const char* path) {
    std::string why = text_file_problem(path);
    if (why.empty() && access(path, R_OK) != 0)
        why = std::string(path) + ": " + std::strerror(errno);
    const long nul = why.empty() ? nul_offset(path) : -1;
    if (nul >= 0)
        why = std::string(path) + " holds a NUL byte (at byte " + std::to_string(nul) + ")";
    return why;
}

// Keeps descriptors 0 to 2 taken, so that no file this program opens becomes
// its standard output by accident; false when standard output was closed.
bool standard_streams_open() {
    bool output_open = true;
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        if (fd == STDOUT_FILENO) output_open = false;
        if (open("/dev/null", O_RDWR) != fd) break;
    }
    return output_open;
}

// Whether everything printed so far has reached standard output; says why not.
bool output_written() {
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && std::ferror(stdout) == 0) return true;
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", program,
                 flushed ? "an earlier write failed" : std::strerror(errno));
    return false;
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

// Whether infolog.txt can take the loader's account: a regular file the user
// may write, or a new one in a folder the user may write in.
bool log_writable() {
    struct stat info;
    if (lstat("infolog.txt", &info) == 0)
        return S_ISREG(info.st_mode) && access("infolog.txt", W_OK) == 0;
    return errno == ENOENT && access(".", W_OK | X_OK) == 0;
}

// A one-line account on a terminal, rewritten in place a few times a second;
// nothing at all when standard error goes elsewhere.
class Progress {
  public:
    explicit Progress(int total) : total_(total), shown_(isatty(STDERR_FILENO) == 1) {}
    ~Progress() {
        if (drawn_) std::fprintf(stderr, "\r%*s\r", width_, "");
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void at(int done) {
        if (!shown_ || (done % 16 != 0 && done != total_)) return;
        const double now = wall_seconds();
        if (drawn_ && now - last_ < 0.2 && done != total_) return;
        last_ = now;
        drawn_ = true;
        width_ = std::fprintf(stderr, "\r%s: tick %d of %d", program, done, total_);
    }

  private:
    int total_;
    bool shown_;
    bool drawn_ = false;
    double last_ = 0;
    int width_ = 0;
};

int capture(const CaptureOptions& options) {
    std::string error;
    // Find out before the run whether the picture can be kept at all.
    ReplacingFile out;
    if (!options.out.empty() && !out.open(options.out, error)) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", program, options.out.c_str(),
                     error.c_str());
        return 1;
    }

    HeadlessHost host;
    if (!host.start(options.width, options.height, error)) {
        std::fprintf(stderr, "%s: cannot create the OpenGL context: %s\n", program, error.c_str());
        return 1;
    }
    if (!host.program_loaded()) {
        std::string why = unreadable("shadow.vs");
        if (why.empty()) why = unreadable("shadow.fs");
        if (why.empty())
            why = log_writable() ? "they do not compile or link; see infolog.txt"
                                 : "they do not compile or link; infolog.txt cannot be "
                                   "written, the loader's account is above";
        std::fprintf(stderr, "%s: the shaders shadow.vs and shadow.fs in %s did not load: %s\n",
                     program, working_directory().c_str(), why.c_str());
        host.shutdown();
        return 1;
    }
    // The picture's buffer, tried now rather than after a long run.
    if (out.is_open()) {
        try {
            std::vector<unsigned char> trial(std::size_t(options.width) * options.height * 3);
            trial_buffer = trial.data();
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "%s: cannot write %s: not enough memory for a %dx%d picture\n",
                         program, options.out.c_str(), options.width, options.height);
            host.shutdown();
            return 1;
        }
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

    // With nothing held a frame changes nothing that a tick reads, so only
    // the last one is drawn; held keys move a frame per render, and the
    // statistics time each one.
    const bool every_tick = options.stats || !options.hold.empty();
    {
        Progress progress(options.ticks);  // rubbed out before anything else is printed
        for (int i = 0; i < options.ticks; ++i) {
            host.tick();
            if (every_tick) render(time_ticks);
            progress.at(i + 1);
        }
    }
    if (!every_tick && options.ticks > 0) render(false);
    for (int i = 0; i < options.frames; ++i) render(true);

    std::vector<unsigned char> pixels;
    if (out.is_open()) pixels = host.read_pixels();
    const std::size_t bodies = host.demo().world.bodies.size();
    if (gpu) {
        gpu->finish();
        hook.reset();
        print_stats(cpu_ms, *gpu, timed_seconds, bodies);
        gpu.reset();
    }
    host.shutdown();
    // A run whose report was lost has failed: the picture is not kept either.
    if (!output_written()) return 1;

    if (out.is_open()) {
        if (!out.begin(error) ||
            !write_png(out.stream(), options.width, options.height, pixels, error) ||
            !out.commit(error)) {
            std::fprintf(stderr, "%s: cannot write %s: %s\n", program, options.out.c_str(),
                         error.c_str());
            return 1;
        }
        std::printf("wrote %s (%dx%d, %zu bodies)\n", options.out.c_str(), options.width,
                    options.height, bodies);
    }
    return output_written() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (!standard_streams_open()) {
        std::fprintf(stderr, "%s: cannot write standard output: %s\n", program,
                     std::strerror(EBADF));
        return 1;
    }
    CaptureOptions options;
    std::string error;
    if (!parse_capture_options(argc, argv, options, error)) {
        std::fprintf(stderr, "%s: %s\n%s", program, error.c_str(), capture_usage(program).c_str());
        return 2;
    }
    if (options.help) {
        std::printf("%s", capture_usage(program).c_str());
        return output_written() ? 0 : 1;
    }
    // Past the file size limit a write fails and says so, instead of the
    // signal ending the run in the middle of a file.
    std::signal(SIGXFSZ, SIG_IGN);
    // Whatever else runs out of memory (the driver's buffers, libpng's) ends
    // the run with a word, and unwinding removes the temporary file.
    try {
        return capture(options);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory for a %dx%d picture\n", program, options.width,
                     options.height);
        return 1;
    }
}
