#include "host/wayland_window.h"

#ifdef SHADOW_WAYLAND_FRAMES
#include <SDL_syswm.h>
#include <wayland-client.h>

#include <cstring>

#include "idle-inhibit-unstable-v1-client-protocol.h"

bool WaylandWindow::attach(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_WAYLAND) return false;
    display_ = info.info.wl.display;
    queue_ = wl_display_create_queue(display_);
    surface_ = static_cast<wl_surface*>(wl_proxy_create_wrapper(info.info.wl.surface));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(surface_), queue_);
    auto* display = static_cast<wl_display*>(wl_proxy_create_wrapper(display_));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(display), queue_);
    wl_registry* registry = wl_display_get_registry(display);
    wl_proxy_wrapper_destroy(display);
    static const wl_registry_listener listener = {on_global, on_global_remove};
    wl_registry_add_listener(registry, &listener, this);
    wl_display_roundtrip_queue(display_, queue_);
    wl_registry_destroy(registry);
    return true;
}

void WaylandWindow::detach() {
    inhibit_idle(false);
    if (idle_manager_ != nullptr) zwp_idle_inhibit_manager_v1_destroy(idle_manager_);
    if (callback_ != nullptr) wl_callback_destroy(callback_);
    if (surface_ != nullptr) wl_proxy_wrapper_destroy(surface_);
    if (queue_ != nullptr) wl_event_queue_destroy(queue_);
    idle_manager_ = nullptr;
    callback_ = nullptr;
    surface_ = nullptr;
    queue_ = nullptr;
    display_ = nullptr;
}

void WaylandWindow::inhibit_idle(bool hold) {
    if (display_ == nullptr) return;
    if (hold && inhibitor_ == nullptr && idle_manager_ != nullptr) {
        inhibitor_ = zwp_idle_inhibit_manager_v1_create_inhibitor(idle_manager_, surface_);
    } else if (!hold && inhibitor_ != nullptr) {
        zwp_idle_inhibitor_v1_destroy(inhibitor_);
        inhibitor_ = nullptr;
    }
    wl_display_flush(display_);
}

void WaylandWindow::before_swap() {
    if (surface_ == nullptr || callback_ != nullptr) return;
    callback_ = wl_surface_frame(surface_);
    static const wl_callback_listener listener = {on_done};
    wl_callback_add_listener(callback_, &listener, this);
    asked_ = SDL_GetTicks();
}

bool WaylandWindow::ready() {
    if (callback_ == nullptr) return true;
    wl_display_dispatch_queue_pending(display_, queue_);
    if (callback_ == nullptr) return true;
    if (SDL_GetTicks() - asked_ < 1000) return false;
    wl_callback_destroy(callback_);
    callback_ = nullptr;
    return true;
}

int WaylandWindow::connection_error() const {
    return display_ != nullptr ? wl_display_get_error(display_) : 0;
}

void WaylandWindow::on_global(void* data, wl_registry* registry, uint32_t name,
                              const char* interface, uint32_t) {
    if (std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) != 0) return;
    static_cast<WaylandWindow*>(data)->idle_manager_ = static_cast<zwp_idle_inhibit_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
}

void WaylandWindow::on_done(void* data, wl_callback* callback, uint32_t) {
    wl_callback_destroy(callback);
    static_cast<WaylandWindow*>(data)->callback_ = nullptr;
}

#else

bool WaylandWindow::attach(SDL_Window*) {
    return false;
}
void WaylandWindow::detach() {}
void WaylandWindow::inhibit_idle(bool) {}
void WaylandWindow::before_swap() {}
bool WaylandWindow::ready() {
    return true;
}
int WaylandWindow::connection_error() const {
    return 0;
}

#endif
