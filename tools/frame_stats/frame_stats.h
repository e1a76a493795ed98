// Per-frame timing: CPU clocks, order statistics, and GL timestamp queries that
// split a frame into its depth pass and its camera pass.
#pragma once

#include <GL/glew.h>

#include <vector>

struct Summary {
    double median = 0;
    // Nearest rank: the smallest sample that at least 95% of the samples do not exceed.
    double p95 = 0;
};

// Median (the mean of the middle two for an even count) and 95th percentile.
// An empty set gives zeros.
Summary summarize(std::vector<double> samples);

// Seconds of CPU time used by the calling thread, and a monotonic wall clock.
double thread_cpu_seconds();
double wall_seconds();

// GPU time of each frame and of its two passes, from three GL_TIMESTAMP queries
// a frame: at its start, where the window framebuffer is bound again, and at
// its end. Results are read a few frames late so the pipeline is not drained
// every frame.
class GpuFrameTimer {
  public:
    GpuFrameTimer();
    ~GpuFrameTimer();
    GpuFrameTimer(const GpuFrameTimer&) = delete;
    GpuFrameTimer& operator=(const GpuFrameTimer&) = delete;

    void begin_frame();
    // The depth pass ends here; a frame without it counts as all depth pass.
    void mark_pass();
    void end_frame();
    // Collects every frame still in flight.
    void finish();

    // Milliseconds, one entry per finished frame.
    std::vector<double> frame_ms;
    std::vector<double> depth_ms;
    std::vector<double> camera_ms;

  private:
    static constexpr int ring = 4;
    void collect(int slot);

    GLuint queries_[ring][3] = {};
    bool pending_[ring] = {};
    bool marked_[ring] = {};
    int current_ = 0;
};

// While one lives, every bind of the window framebuffer (glBindFramebuffer with
// name 0) first marks the pass boundary on `timer`; the demo's frame does that
// bind exactly between its two passes.
class PassBoundaryHook {
  public:
    explicit PassBoundaryHook(GpuFrameTimer& timer);
    ~PassBoundaryHook();
    PassBoundaryHook(const PassBoundaryHook&) = delete;
    PassBoundaryHook& operator=(const PassBoundaryHook&) = delete;

  private:
    PFNGLBINDFRAMEBUFFERPROC saved_;
};
