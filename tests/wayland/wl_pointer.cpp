// One virtual pointer for a whole test, driven by lines on standard input:
//   move DX DY | at X Y W H | press | release | sync
// A pointer that lives per command would take the seat's pointer away after
// each one, and the window would see no motion. "sync" answers "ok" once the
// compositor has handled everything before it.
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>

#include "virtual-pointer-unstable-v1-client-protocol.h"

namespace {

zwlr_virtual_pointer_manager_v1* manager = nullptr;
wl_seat* seat = nullptr;

void on_global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && seat == nullptr) {
        seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    }
}
void on_global_remove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registry_listener = {on_global, on_global_remove};

uint32_t now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "wl_pointer: no Wayland compositor to connect to\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, nullptr);
    wl_display_roundtrip(display);
    if (manager == nullptr) {
        std::fprintf(stderr, "wl_pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    wl_display_roundtrip(display);
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string what;
        in >> what;
        // BTN_LEFT of linux/input-event-codes.h.
        constexpr uint32_t left = 0x110;
        if (what == "move") {
            double dx = 0, dy = 0;
            in >> dx >> dy;
            zwlr_virtual_pointer_v1_motion(pointer, now_ms(), wl_fixed_from_double(dx),
                                           wl_fixed_from_double(dy));
        } else if (what == "at") {
            uint32_t x = 0, y = 0, w = 1, h = 1;
            in >> x >> y >> w >> h;
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), x, y, w, h);
        } else if (what == "press" || what == "release") {
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), left, what == "press" ? 1 : 0);
        } else if (what == "sync") {
            wl_display_roundtrip(display);
            std::printf("ok\n");
            std::fflush(stdout);
            continue;
        } else {
            std::fprintf(stderr, "wl_pointer: unknown command \"%s\"\n", line.c_str());
            return 1;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_flush(display) < 0) {
            std::fprintf(stderr, "wl_pointer: the compositor went away\n");
            return 1;
        }
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
