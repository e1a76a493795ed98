// Stands between a host and the demo, counts frames, ticks and view turns and
// logs every other call, for the window benchmark and the window tests
// (the hosts' SHADOW_HOST_COUNTERS builds).
#pragma once

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>

struct HostCounts {
    long frames = 0;
    long ticks = 0;
    long turns = 0;  // mouse moves the demo answered with a warp
    // One line per call other than render and tick: frames, ticks, the call.
    std::string calls;
};
inline HostCounts host_counts;

template <class Target>
class CountingDemo {
  public:
    // context_current says whether an OpenGL context is current, for the log.
    CountingDemo(Target& demo, bool (*context_current)())
        : demo_(demo), context_current_(context_current) {}

    template <class Window, class Context>
    int init(Window* window, Context* context) {
        note("init", context_state());
        int result = demo_.init(window, context);
        start_ = std::chrono::steady_clock::now();
        return result;
    }
    void resize(int width, int height) {
        note("resize", width, height);
        demo_.resize(width, height);
    }
    void tick() {
        ++host_counts.ticks;
        demo_.tick();
    }
    void render() {
        ++host_counts.frames;
        demo_.render();
    }
    void keypress(const char* name, bool pressed) {
        note("keypress", name, pressed ? "down" : "up");
        demo_.keypress(name, pressed);
    }
    bool mousemove(int x, int y, int dx, int dy) {
        note("mousemove", x, y, dx, dy);
        bool turned = demo_.mousemove(x, y, dx, dy);
        host_counts.turns += turned;
        return turned;
    }
    void destroy() {
        note("destroy", context_state());
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
        demo_.destroy();
        std::printf("host counters: frames %ld ticks %ld seconds %.3f turns %ld\n%s",
                    host_counts.frames, host_counts.ticks, elapsed.count(), host_counts.turns,
                    host_counts.calls.c_str());
        std::fflush(stdout);
    }

  private:
    const char* context_state() const { return context_current_() ? "context" : "no-context"; }

    template <class... Parts>
    void note(const char* call, const Parts&... parts) {
        std::ostringstream line;
        line << "host call: " << host_counts.frames << ' ' << host_counts.ticks << ' ' << call;
        ((line << ' ' << parts), ...);
        host_counts.calls += line.str() + '\n';
    }

    Target& demo_;
    bool (*context_current_)();
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};
