// The two platform handles that Graphics keeps and the one operation it needs
// from the platform: presenting the window's back buffer.
//
// On Win32 they are the window and its device context, and the swap is
// SwapBuffers. Other hosts (SDL, EGL) hand in a small surface object that knows
// how to present itself. This header is the only place that knows the difference.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

using WindowHandle = HWND;
using DeviceContext = HDC;

inline void present_back_buffer(DeviceContext dc) {
    SwapBuffers(dc);
}

#else

// A host's drawing surface: `present` shows its back buffer.
struct PresentSurface {
    void (*present)(void* user) = nullptr;
    void* user = nullptr;
};

using WindowHandle = void*;
using DeviceContext = PresentSurface*;

inline void present_back_buffer(DeviceContext dc) {
    if (dc != nullptr && dc->present != nullptr) dc->present(dc->user);
}

#endif
