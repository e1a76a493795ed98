// Drives the Win32 host's window procedure in-process (under Wine) and checks
// the calls it makes into the demo, as the counted build logs them.
#include <cstdio>
#include <cstring>
#include <regex>

#include "host/wgl_context.h"
#include "tests/host/counted/counting_demo.h"

LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

int main() {
    int failures = 0;
    auto expect = [&](bool ok, const std::string& what) {
        if (!ok) std::printf("FAIL: %s\n", what.c_str()), ++failures;
    };
    auto send = [](HWND window, std::initializer_list<UINT> messages, WPARAM w = 0, LPARAM l = 0) {
        for (UINT message : messages) SendMessageA(window, message, w, l);
    };
    // nSize 40, nVersion 1, dwFlags 0x1025, iPixelType 0, cColorBits 32, 8 zero bytes,
    // cAccumBits 32, 4 zero bytes, cDepthBits 24, cStencilBits 32, the rest 0.
    const PIXELFORMATDESCRIPTOR pfd = classic_pixel_format();
    const char want[40] = "\x28\0\1\0\x25\x10\0\0\0\x20\0\0\0\0\0\0\0\0\x20\0\0\0\0\x18\x20";
    const int pixel[15] = {0x2001, 1,  0x2010, 1,  0x2011, 1, 0x2013, 0x202B,
                           0x2014, 32, 0x2022, 24, 0x2023, 8, 0},
              context[5] = {0x2091, 3, 0x2092, 1, 0};
    expect(!std::memcmp(&pfd, want, sizeof pfd) &&
               !std::memcmp(pixel, wgl_pixel_format_attribs, sizeof pixel) &&
               !std::memcmp(context, wgl_context_attribs, sizeof context),
           "the pixel format descriptor and the attribute lists");
    // Without WGL_ARB_create_context the legacy context stays in use.
    HWND other =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    WglContext legacy{GetDC(other)};
    create_gl_context(legacy, false);
    expect(legacy.hglrc == legacy.hglrc_legacy && wglGetCurrentContext() == legacy.hglrc, "legacy");
    delete_gl_context(other, legacy);

    WNDCLASSA wndclass = {CS_OWNDC, WndProc, 0,       0,       nullptr,
                          nullptr,  nullptr, nullptr, nullptr, "WinMain"};
    RegisterClassA(&wndclass);
    HWND window = CreateWindowExA(0, "WinMain", "Shadow mapping", WS_OVERLAPPEDWINDOW, 0, 0, 640,
                                  480, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    send(window, {WM_USER + 1});
    send(window, {WM_SIZE}, 0, MAKELPARAM(200, 100));
    send(window, {WM_TIMER}, 2);
    send(window, {WM_TIMER}, 1);
    send(window, {WM_MOUSEMOVE, WM_MOUSEMOVE}, 0, MAKELPARAM(10, 20));
    send(window, {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK, WM_KEYDOWN}, VK_UP);
    send(window, {WM_LBUTTONDOWN});
    expect(GetCapture() == window, "a held button captures the mouse");
    send(window, {WM_KILLFOCUS, WM_RBUTTONDOWN});
    SetCapture(other);
    send(window, {WM_MBUTTONDOWN, WM_MBUTTONUP});
    expect(GetCapture() == nullptr, "the capture released with the last button");
    ShowWindow(window, SW_MINIMIZE);
    ShowWindow(window, SW_RESTORE);
    DestroyWindow(window);
    // The log without its "host call: " prefixes: frames, ticks, the call.
    expect(std::regex_match(
               std::regex_replace(host_counts.calls, std::regex("host call: "), ""),
               std::regex("0 0 init context\n(0 0 resize \\d+ \\d+\n)+1 0 resize 200 100\n"
                          "1 1 mousemove 10 20 -90 -30\n1 1 keypress up down\n"
                          "1 1 keypress leftbutton down\n1 1 keypress up up\n"
                          "1 1 keypress leftbutton up\n1 1 keypress rightbutton down\n"
                          "1 1 keypress rightbutton up\n1 1 keypress middlebutton down\n"
                          "1 1 keypress middlebutton up\n(1 1 resize 0 0\n)+"
                          "1 1 resize [1-9]\\d* [1-9]\\d*\n1 1 destroy no-context\n")),
           host_counts.calls);
    return failures != 0;
}
