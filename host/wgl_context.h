// The OpenGL context of the Win32 window: a classic pixel format and a legacy
// context first, then, where the driver offers it, a 3.1 context in its place.
#pragma once

// <windows.h>, included once with the project's defines.
#include "graphics/platform_handles.h"

struct WglContext {
    HDC hdc = nullptr;             // the window's own device context
    HGLRC hglrc = nullptr;         // the context in use
    HGLRC hglrc_legacy = nullptr;  // the first context made on hdc
};

// The descriptor of the classic pixel format, and the attribute lists of the
// 3.1 context's step.
PIXELFORMATDESCRIPTOR classic_pixel_format();
extern const int wgl_pixel_format_attribs[15];
extern const int wgl_context_attribs[5];

// Chooses and sets the classic pixel format; true on success.
bool set_pixel_format(HDC hdc);

// Leaves gl.hglrc current on gl.hdc. Without allow_upgrade it keeps the legacy
// context, as on a driver without WGL_ARB_create_context.
void create_gl_context(WglContext& gl, bool allow_upgrade = true);

// Releases the context and the device context, if a context exists.
void delete_gl_context(HWND window, WglContext& gl);
