// The SDL host's own dealings with a Wayland compositor, which SDL 2.26 leaves
// undone: frame pacing that does not stall on a hidden window, and an idle
// inhibitor held only while the window has the focus. Without Wayland support
// built in (SHADOW_WAYLAND_FRAMES) every call does nothing.
#pragma once

#include <SDL.h>

#ifdef SHADOW_WAYLAND_FRAMES
struct wl_callback;
struct wl_display;
struct wl_event_queue;
struct wl_registry;
struct wl_surface;
struct zwp_idle_inhibit_manager_v1;
struct zwp_idle_inhibitor_v1;
#endif

// Wayland shows nothing of a window on a hidden workspace and sends it no
// frame callbacks; a swap that waits for one blocks the loop, ticks and close
// included, until the window is shown again. So on Wayland the swap does not
// wait (interval 0) and the loop draws only once the compositor has asked for
// the next frame, on a queue of our own that SDL's pump fills.
class WaylandWindow {
  public:
    // False where the window is not a Wayland one: then frames are never held back.
    bool attach(SDL_Window* window);
    // Before the window goes: the proxies belong to SDL's Wayland connection.
    void detach();
    // Holds the idle state (screen saver, screen blanking) off while `hold`.
    void inhibit_idle(bool hold);
    // Asks for a frame callback; called before the swap, which commits the request.
    void before_swap();
    // Whether the next frame may be drawn. A second without a callback draws
    // one anyway, so that a lost callback cannot freeze the picture for good.
    bool ready();
    // The error that broke the connection to the compositor; 0 while it holds.
    // SDL reports a lost connection as a plain quit.
    int connection_error() const;

#ifdef SHADOW_WAYLAND_FRAMES
  private:
    static void on_global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                          uint32_t version);
    static void on_global_remove(void*, wl_registry*, uint32_t) {}
    static void on_done(void* data, wl_callback* callback, uint32_t);

    wl_display* display_ = nullptr;
    wl_event_queue* queue_ = nullptr;
    wl_surface* surface_ = nullptr;
    wl_callback* callback_ = nullptr;
    Uint32 asked_ = 0;
    zwp_idle_inhibit_manager_v1* idle_manager_ = nullptr;
    zwp_idle_inhibitor_v1* inhibitor_ = nullptr;
#endif
};
