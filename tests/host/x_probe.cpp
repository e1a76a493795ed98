// What the window tests need from X beyond xdotool: closing a window the way a
// window manager does (WM_DELETE_WINDOW, never XDestroyWindow), and the state of
// the screen saver from the MIT-SCREEN-SAVER extension.
//   x_probe close <window id>
//   x_probe saver            prints off, on, cycle or disabled
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return std::fprintf(stderr, "x_probe: cannot open display\n"), 1;
    int result = 2, unused = 0;
    if (argc == 3 && std::strcmp(argv[1], "close") == 0) {
        XEvent event = {};
        event.xclient.type = ClientMessage;
        event.xclient.window = static_cast<Window>(std::strtoul(argv[2], nullptr, 0));
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        result = XSendEvent(display, event.xclient.window, False, NoEventMask, &event) ? 0 : 1;
        XSync(display, False);
    } else if (argc == 2 && std::strcmp(argv[1], "saver") == 0 &&
               XScreenSaverQueryExtension(display, &unused, &unused)) {
        XScreenSaverInfo* info = XScreenSaverAllocInfo();
        XScreenSaverQueryInfo(display, DefaultRootWindow(display), info);
        // ScreenSaverOff, On, Cycle and Disabled are 0 to 3.
        const char* states[] = {"off", "on", "cycle", "disabled"};
        std::printf("%s\n", info->state < 4 ? states[info->state] : "unknown");
        XFree(info);
        result = 0;
    }
    XCloseDisplay(display);
    return result;
}
