// The Win32 window host: the window class, the message loop that renders
// whenever the queue is empty, and the window procedure that owns the demo.
#include <cstdio>

#include "demo/demo.h"
#include "host/host_router.h"
#include "host/key_table.h"
#include "host/wgl_context.h"

namespace {

constexpr UINT wm_render = WM_USER + 1;
constexpr UINT_PTR tick_timer = 1;
constexpr UINT tick_interval_ms = 16;
// How long after a warp a move's time stamp may lie and still be the warp's
// echo: within a millisecond anywhere, and, on the spot the warp left, much
// later, since another process stamps it with its own view of the X clock.
constexpr LONG echo_anywhere_ms = 2;
constexpr LONG echo_in_place_ms = 100;

// The window keeps the mouse while a button is held, so that a release outside
// it still arrives.
void follow_buttons(HWND window, bool held) {
    if (held && GetCapture() != window) SetCapture(window);
    if (!held && GetCapture() == window) ReleaseCapture();
}

}  // namespace

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Zero-filled and constructed on the first message; destroyed at process exit.
    static Demo demo;
    static auto& router = host_router(demo, [] { return wglGetCurrentContext() != nullptr; });
    static HWND hwnd = nullptr;
    static WglContext gl;
    static bool warped = false;
    static DWORD warp_time = 0;
    static LPARAM warp_from = 0;

    switch (message) {
        case WM_CREATE:
            SetTimer(window, tick_timer, tick_interval_ms, nullptr);
            gl.hdc = GetDC(window);
            create_gl_context(gl);
            hwnd = window;
            router.init(&hwnd, &gl.hdc);
            return 0;

        case WM_DESTROY:
            delete_gl_context(window, gl);
            router.destroy();
            PostQuitMessage(0);
            return 0;

        case WM_SIZE:
            // Minimised comes through as 0 x 0 as well.
            router.size(LOWORD(lParam), HIWORD(lParam));
            return 0;

        case WM_KEYDOWN:
        case WM_KEYUP:
            router.key(static_cast<unsigned>(wParam), message == WM_KEYDOWN);
            return 0;

        case WM_SYSCOMMAND:
            // Compared whole, low bits included.
            if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
            break;

        case WM_TIMER:
            if (wParam == tick_timer) router.timer();
            return 0;

        case WM_MOUSEMOVE: {
            // Under Wine's virtual desktop, the pointer grab inside SetCursorPos
            // comes back as one more move to where the pointer was before the
            // warp, stamped about when the warp happened; real moves come later.
            LONG since_warp = static_cast<LONG>(static_cast<DWORD>(GetMessageTime()) - warp_time);
            if (warped && (since_warp <= echo_anywhere_ms ||
                           (lParam == warp_from && since_warp <= echo_in_place_ms)))
                return 0;
            // Signed: while the mouse is captured, moves left of or above the
            // window come with negative client coordinates.
            if (router.mouse_move(static_cast<short>(LOWORD(lParam)),
                                  static_cast<short>(HIWORD(lParam)))) {
                POINT screen = {router.xcenter, router.ycenter};
                ClientToScreen(window, &screen);
                SetCursorPos(screen.x, screen.y);
                warped = true;
                warp_time = GetTickCount();
                warp_from = lParam;
            }
            return 0;
        }

        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            if (message == WM_LBUTTONDOWN)
                router.left_pressed_at(static_cast<short>(LOWORD(lParam)),
                                       static_cast<short>(HIWORD(lParam)));
            router.button(MouseButton::left, message == WM_LBUTTONDOWN);
            follow_buttons(window, router.any_button_held());
            return 0;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            router.button(MouseButton::right, message == WM_RBUTTONDOWN);
            follow_buttons(window, router.any_button_held());
            return 0;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            router.button(MouseButton::middle, message == WM_MBUTTONDOWN);
            follow_buttons(window, router.any_button_held());
            return 0;

        case WM_CAPTURECHANGED:
            // Taken by another window, or ended by the system: the releases
            // will go elsewhere. (Our own ReleaseCapture comes with nothing held.)
            if (reinterpret_cast<HWND>(lParam) != window) router.buttons_lost();
            return 0;

        case wm_render:
            router.render();
            return 0;

        case WM_KILLFOCUS:
            // Releases that happen elsewhere never reach us.
            router.focus_lost();
            follow_buttons(window, false);
            break;

        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    char szAppName[8] = "WinMain";

    WNDCLASSA wndclass = {};
    wndclass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wndclass.lpfnWndProc = WndProc;
    wndclass.cbClsExtra = 0;
    wndclass.cbWndExtra = 0;
    wndclass.hInstance = instance;
    // The module carries no icon; a null icon is fine.
    wndclass.hIcon = LoadIconA(instance, "Dunmoreth");
    wndclass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wndclass.hbrBackground = nullptr;
    wndclass.lpszMenuName = nullptr;
    wndclass.lpszClassName = szAppName;

    if (!RegisterClassA(&wndclass)) {
        MessageBoxA(nullptr, "Unable to register window class.", szAppName, MB_ICONERROR);
        return 0;
    }

    // WM_CREATE (context and demo) and the first WM_SIZE run inside this call.
    HWND window = CreateWindowExA(0, szAppName, "Shadow mapping",
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, nullptr);
    // With no usable display (Wine without one, for instance) there is no window,
    // and the loop below would spin for ever rendering into nothing. The same
    // display would not show a message box either.
    if (window == nullptr) {
        std::fprintf(stderr, "Unable to create the window (error %lu): is there a display?\n",
                     GetLastError());
        UnregisterClassA(szAppName, instance);
        return 1;
    }

    HACCEL accelerators = LoadAcceleratorsA(instance, szAppName);
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG msg = {};
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
            if (!TranslateAcceleratorA(window, accelerators, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else {
            // Renders one frame before returning.
            SendMessageA(window, wm_render, 0, 0);
        }
    }

    if (!UnregisterClassA(szAppName, instance)) {
        MessageBoxA(nullptr, "Unable to unregister class.", szAppName, MB_ICONERROR);
        return 1;
    }
    return static_cast<int>(msg.wParam);
}
