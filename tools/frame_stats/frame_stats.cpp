#include "tools/frame_stats/frame_stats.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

Summary summarize(std::vector<double> samples) {
    Summary s;
    if (samples.empty()) return s;
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    s.median = (n % 2 == 1) ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    std::size_t rank = static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(n)));
    if (rank < 1) rank = 1;
    s.p95 = samples[rank - 1];
    return s;
}

double thread_cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double wall_seconds() {
    using clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(clock::now().time_since_epoch()).count();
}

GpuFrameTimer::GpuFrameTimer() {
    for (auto& slot : queries_) glGenQueries(3, slot);
}

GpuFrameTimer::~GpuFrameTimer() {
    for (auto& slot : queries_) glDeleteQueries(3, slot);
}

void GpuFrameTimer::begin_frame() {
    current_ = (current_ + 1) % ring;
    if (pending_[current_]) collect(current_);
    marked_[current_] = false;
    glQueryCounter(queries_[current_][0], GL_TIMESTAMP);
}

void GpuFrameTimer::mark_pass() {
    if (marked_[current_]) return;
    marked_[current_] = true;
    glQueryCounter(queries_[current_][1], GL_TIMESTAMP);
}

void GpuFrameTimer::end_frame() {
    glQueryCounter(queries_[current_][2], GL_TIMESTAMP);
    pending_[current_] = true;
}

void GpuFrameTimer::finish() {
    // Oldest first, so the samples stay in frame order.
    for (int i = 1; i <= ring; ++i) {
        const int slot = (current_ + i) % ring;
        if (pending_[slot]) collect(slot);
    }
}

void GpuFrameTimer::collect(int slot) {
    GLuint64 t[3] = {0, 0, 0};
    glGetQueryObjectui64v(queries_[slot][0], GL_QUERY_RESULT, &t[0]);
    glGetQueryObjectui64v(queries_[slot][2], GL_QUERY_RESULT, &t[2]);
    if (marked_[slot]) {
        glGetQueryObjectui64v(queries_[slot][1], GL_QUERY_RESULT, &t[1]);
    } else {
        t[1] = t[2];
    }
    auto ms = [](GLuint64 from, GLuint64 to) {
        return to > from ? static_cast<double>(to - from) * 1e-6 : 0.0;
    };
    frame_ms.push_back(ms(t[0], t[2]));
    depth_ms.push_back(ms(t[0], t[1]));
    camera_ms.push_back(ms(t[1], t[2]));
    pending_[slot] = false;
}

namespace {

// The hook's target: a plain GL entry point carries no user pointer.
GpuFrameTimer* hooked_timer = nullptr;
PFNGLBINDFRAMEBUFFERPROC hooked_next = nullptr;

void GLAPIENTRY bind_framebuffer_hook(GLenum target, GLuint framebuffer) {
    if (framebuffer == 0 && hooked_timer != nullptr) hooked_timer->mark_pass();
    hooked_next(target, framebuffer);
}

}  // namespace

PassBoundaryHook::PassBoundaryHook(GpuFrameTimer& timer) : saved_(glBindFramebuffer) {
    hooked_timer = &timer;
    hooked_next = saved_;
    glBindFramebuffer = &bind_framebuffer_hook;
}

PassBoundaryHook::~PassBoundaryHook() {
    glBindFramebuffer = saved_;
    hooked_timer = nullptr;
    hooked_next = nullptr;
}
