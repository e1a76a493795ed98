// What the window tests need from X beyond xdotool: closing a window the way a
// window manager does (WM_DELETE_WINDOW, never XDestroyWindow), and the state of
// the screen saver from the MIT-SCREEN-SAVER extension.
//   x_probe close <window id>
//   x_probe saver            prints on, off, cycle or disabled
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int close_window(Display* display, Window window) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    if (!XSendEvent(display, window, False, NoEventMask, &event)) return 1;
    XSync(display, False);
    return 0;
}

int saver_state(Display* display) {
    int event_base = 0, error_base = 0;
    if (!XScreenSaverQueryExtension(display, &event_base, &error_base)) {
        std::fprintf(stderr, "x_probe: no MIT-SCREEN-SAVER extension\n");
        return 1;
    }
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    XScreenSaverQueryInfo(display, DefaultRootWindow(display), info);
    const char* state = "unknown";
    switch (info->state) {
        case ScreenSaverOn:
            state = "on";
            break;
        case ScreenSaverOff:
            state = "off";
            break;
        case ScreenSaverCycle:
            state = "cycle";
            break;
        case ScreenSaverDisabled:
            state = "disabled";
            break;
        default:
            break;
    }
    std::printf("%s\n", state);
    XFree(info);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: x_probe close <window id> | x_probe saver\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x_probe: cannot open display\n");
        return 1;
    }
    int result = 2;
    if (std::strcmp(argv[1], "close") == 0 && argc == 3) {
        result = close_window(display, static_cast<Window>(std::strtoul(argv[2], nullptr, 0)));
    } else if (std::strcmp(argv[1], "saver") == 0) {
        result = saver_state(display);
    } else {
        std::fprintf(stderr, "x_probe: unknown command %s\n", argv[1]);
    }
    XCloseDisplay(display);
    return result;
}
