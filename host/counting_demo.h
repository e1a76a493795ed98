// Stands between a host and the demo and counts frames and ticks, for the
// window benchmark's builds of the hosts (SHADOW_HOST_COUNTERS).
#pragma once

#include <chrono>
#include <cstdio>

template <class Target>
class CountingDemo {
  public:
    explicit CountingDemo(Target& demo) : demo_(demo) {}

    template <class Window, class Context>
    int init(Window* window, Context* context) {
        int result = demo_.init(window, context);
        start_ = std::chrono::steady_clock::now();
        return result;
    }
    void resize(int width, int height) { demo_.resize(width, height); }
    void tick() {
        ++ticks_;
        demo_.tick();
    }
    void render() {
        ++frames_;
        demo_.render();
    }
    void keypress(const char* name, bool pressed) { demo_.keypress(name, pressed); }
    bool mousemove(int x, int y, int dx, int dy) { return demo_.mousemove(x, y, dx, dy); }
    void destroy() {
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
        demo_.destroy();
        std::printf("host counters: frames %ld ticks %ld seconds %.3f\n", frames_, ticks_,
                    elapsed.count());
        std::fflush(stdout);
    }

  private:
    Target& demo_;
    long frames_ = 0;
    long ticks_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};
