// The Linux window host: an SDL2 window with an OpenGL compatibility context,
// delivering the same calls into the demo, in the same order, as the Win32 host.
#define SDL_MAIN_HANDLED
#include <GL/glew.h>
#include <SDL.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "graphics/platform_handles.h"
#include "host/display_check.h"
#include "host/gl_loader.h"
#include "host/host_router.h"
#include "host/key_table.h"
#include "host/sdl_keys.h"
#include "host/wayland_window.h"
#include "shader/shader.h"

namespace {

constexpr Uint32 tick_interval_ms = 16;
constexpr int default_width = 1024;
constexpr int default_height = 768;
// The most drawable pixels a side the host asks of the driver. Far beyond any
// screen; Mesa's software path on X11 dies in an Xlib assertion at 32767 a side.
constexpr int max_side_pixels = 8192;

// Ticks arrive as events. SDL runs timers on their own thread; the flag keeps
// at most one tick waiting, so a stalled loop does not catch up in a burst.
struct TickTimer {
    Uint32 event_type = 0;
    std::atomic<bool> pending{false};
};

Uint32 on_timer(Uint32 interval, void* param) {
    auto* timer = static_cast<TickTimer*>(param);
    if (!timer->pending.exchange(true)) {
        SDL_Event event{};
        event.type = timer->event_type;
        if (SDL_PushEvent(&event) != 1) timer->pending = false;
    }
    return interval;
}

struct Presenter {
    SDL_Window* window = nullptr;
    WaylandWindow wayland;
};

void present(void* user) {
    auto* presenter = static_cast<Presenter*>(user);
    presenter->wayland.before_swap();
    SDL_GL_SwapWindow(presenter->window);
}

// Why the loader could not read `path`, without opening it (a pipe would
// block); empty when it could.
std::string unreadable(const char* path) {
    std::string why = text_file_problem(path);
    if (why.empty() && access(path, R_OK) != 0) why = std::string(path) + ": " + strerror(errno);
    return why;
}

// The window shows one flat colour without the program; the reason otherwise
// sits only in an infolog.txt wherever the user stood.
void report_program_not_loaded() {
    char buffer[4096];
    const std::string folder = getcwd(buffer, sizeof(buffer)) != nullptr ? buffer : ".";
    std::string why = unreadable("shadow.vs");
    if (why.empty()) why = unreadable("shadow.fs");
    if (why.empty()) {
        std::fprintf(stderr,
                     "shadow_mapping: the shaders shadow.vs and shadow.fs in %s did not compile "
                     "or link; %s/infolog.txt says why\n",
                     folder.c_str(), folder.c_str());
    } else {
        std::fprintf(stderr,
                     "shadow_mapping: the shaders in %s did not load: %s. Run the program from "
                     "the folder that holds shadow.vs and shadow.fs (build/bin, or the unpacked "
                     "archive's folder)\n",
                     folder.c_str(), why.c_str());
    }
}

int fail(const std::string& what, const std::string& why = SDL_GetError()) {
    std::string text = why.empty() ? what : what + ": " + why;
    std::fprintf(stderr, "%s\n", text.c_str());
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Shadow mapping", text.c_str(), nullptr);
    return 1;
}

}  // namespace

int main(int, char**) {
    // Created once, zero-initialised and then constructed; destroyed at exit.
    static Demo demo;
    static auto& router = host_router(demo, [] { return SDL_GL_GetCurrentContext() != nullptr; });

    // The screen saver is held off by hand, only while the window has focus.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Said before SDL looks, and with no message box: there is nothing to show it on.
    const std::string no_display = missing_display();
    if (!no_display.empty()) {
        std::fprintf(stderr, "%s\n", no_display.c_str());
        return 1;
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) return fail("Cannot initialise SDL");
    // With neither X11 nor Wayland, SDL falls back to drivers that show nothing.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) {
        SDL_Quit();
        return fail(
            "No display to open the window on: set DISPLAY (X11) or WAYLAND_DISPLAY (Wayland)", "");
    }

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    // Immediate mode and the 3.2 framebuffer calls in one context.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

    const std::vector<std::string> modules_before = loaded_modules();
    SDL_Window* window = SDL_CreateWindow(
        "Shadow mapping", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, default_width,
        default_height, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (window == nullptr) {
        int code = fail("Cannot create the window");
        SDL_Quit();
        return code;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        int code = fail("Cannot create an OpenGL 3.2 compatibility context");
        SDL_DestroyWindow(window);
        SDL_Quit();
        return code;
    }
    keep_resident(modules_before);
    const std::string missing = load_gl_entry_points();
    if (!missing.empty()) {
        int code = fail("Cannot load the OpenGL entry points", missing);
        SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        SDL_Quit();
        return code;
    }

    TickTimer timer;
    timer.event_type = SDL_RegisterEvents(1);
    SDL_TimerID timer_id = SDL_AddTimer(tick_interval_ms, on_timer, &timer);

    WindowHandle hwnd = window;
    Presenter presenter;
    presenter.window = window;
    const bool wayland = presenter.wayland.attach(window);
    if (wayland) SDL_GL_SetSwapInterval(0);
    PresentSurface surface;
    surface.present = present;
    surface.user = &presenter;
    DeviceContext hdc = &surface;
    router.init(&hwnd, &hdc);
    if (demo.shadowmap.program_handle <= 0) report_program_not_loaded();

    PointerScale scale;
    // A size beyond the cap is sent back to the cap, and nothing is drawn until
    // the window has it.
    bool oversize = false;
    auto resize = [&] {
        SDL_GetWindowSize(window, &scale.window_w, &scale.window_h);
        SDL_GL_GetDrawableSize(window, &scale.pixel_w, &scale.pixel_h);
        const SDL_Point cap = scale.warp_target(max_side_pixels, max_side_pixels);
        SDL_SetWindowMaximumSize(window, cap.x, cap.y);
        oversize = scale.pixel_w > max_side_pixels || scale.pixel_h > max_side_pixels;
        if (oversize) {
            SDL_SetWindowSize(window, std::min(scale.window_w, cap.x),
                              std::min(scale.window_h, cap.y));
            return;
        }
        router.size(scale.pixel_w, scale.pixel_h);
    };
    resize();
    auto hold_screen_saver = [&](bool hold) {
        if (wayland) {
            presenter.wayland.inhibit_idle(hold);
        } else if (hold) {
            SDL_DisableScreenSaver();
        } else {
            SDL_EnableScreenSaver();
        }
    };
    if (SDL_GetKeyboardFocus() == window) hold_screen_saver(true);

    // Wayland: where the pointer was at the last turn while the left button is held.
    SDL_Point anchor{};
    bool anchored = false;
    bool running = true;
    while (running) {
        SDL_Event event;
        if (!SDL_PollEvent(&event)) {
            if (oversize) {
                SDL_WaitEventTimeout(nullptr, tick_interval_ms);
            } else if (!presenter.wayland.ready()) {
                // Short, since the frame callback itself is no SDL event.
                SDL_WaitEventTimeout(nullptr, 2);
            } else {
                router.render();
            }
            continue;
        }
        switch (event.type) {
            case SDL_QUIT:
                running = false;
                break;
            case SDL_WINDOWEVENT:
                switch (event.window.event) {
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                    case SDL_WINDOWEVENT_RESTORED:
                        resize();
                        break;
                    case SDL_WINDOWEVENT_MINIMIZED:
                        router.size(0, 0);
                        break;
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                        hold_screen_saver(true);
                        break;
                    case SDL_WINDOWEVENT_FOCUS_LOST:
                        anchored = false;
                        router.focus_lost();
                        hold_screen_saver(false);
                        break;
                    default:
                        break;
                }
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                router.key(virtual_key_from_sdl(event.key.keysym.sym), event.type == SDL_KEYDOWN);
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                bool pressed = event.type == SDL_MOUSEBUTTONDOWN;
                if (event.button.button == SDL_BUTTON_LEFT) {
                    SDL_Point at = scale.to_pixels(event.button.x, event.button.y, router.xcenter,
                                                   router.ycenter);
                    if (pressed && wayland) {
                        anchor = at;
                        router.left_pressed_at(router.xcenter, router.ycenter);
                    } else if (pressed) {
                        router.left_pressed_at(at.x, at.y);
                    }
                    anchored = wayland && pressed;
                    router.button(MouseButton::left, pressed);
                }
                if (event.button.button == SDL_BUTTON_RIGHT)
                    router.button(MouseButton::right, pressed);
                if (event.button.button == SDL_BUTTON_MIDDLE) {
                    router.button(MouseButton::middle, pressed);
                }
                break;
            }
            case SDL_MOUSEMOTION: {
                SDL_Point warp = scale.warp_target(router.xcenter, router.ycenter);
                SDL_Point at =
                    scale.to_pixels(event.motion.x, event.motion.y, router.xcenter, router.ycenter);
                if (anchored) {
                    // Wayland moves no cursor for a client, so the router sees where the
                    // pointer would be had it been put back at the centre after the last
                    // turn: the same moves as on X11.
                    const int x = router.xcenter + at.x - anchor.x;
                    const int y = router.ycenter + at.y - anchor.y;
                    if (router.mouse_move(x, y)) anchor = at;
                } else if (router.mouse_move(at.x, at.y) && !wayland) {
                    SDL_WarpMouseInWindow(window, warp.x, warp.y);
                }
                break;
            }
            default:
                if (event.type == timer.event_type) {
                    timer.pending = false;
                    router.timer();
                }
                break;
        }
    }

    const int lost = presenter.wayland.connection_error();
    SDL_RemoveTimer(timer_id);
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
    router.destroy();
    presenter.wayland.detach();
    SDL_DestroyWindow(window);
    SDL_Quit();
    if (lost != 0) {
        std::fprintf(stderr,
                     "shadow_mapping: the connection to the Wayland compositor broke (%s)\n",
                     std::strerror(lost));
        return 1;
    }
    return 0;
}
