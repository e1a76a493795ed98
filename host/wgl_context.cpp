#include "host/wgl_context.h"

#include <GL/glew.h>
#include <GL/wglew.h>

// WGL_ARB_pixel_format's attributes (asked for, never applied) and a 3.1
// context with the driver's default profile and flags: a core or forward-
// compatible context would lose immediate mode.
// clang-format off
const int wgl_pixel_format_attribs[15] = {
    WGL_DRAW_TO_WINDOW_ARB, 1,
    WGL_SUPPORT_OPENGL_ARB, 1,
    WGL_DOUBLE_BUFFER_ARB, 1,
    WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB,
    WGL_COLOR_BITS_ARB, 32,
    WGL_DEPTH_BITS_ARB, 24,
    WGL_STENCIL_BITS_ARB, 8,
    0};
// clang-format on
const int wgl_context_attribs[5] = {WGL_CONTEXT_MAJOR_VERSION_ARB, 3, WGL_CONTEXT_MINOR_VERSION_ARB,
                                    1, 0};

PIXELFORMATDESCRIPTOR classic_pixel_format() {
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd.nVersion = 1;
    pfd.dwFlags =
        PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_GENERIC_ACCELERATED;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cAccumBits = 32;
    pfd.cDepthBits = 24;
    pfd.cStencilBits = 32;
    pfd.dwLayerMask = 0;
    return pfd;
}

bool set_pixel_format(HDC hdc) {
    PIXELFORMATDESCRIPTOR pfd = classic_pixel_format();
    int format = ChoosePixelFormat(hdc, &pfd);
    if (format == 0) {
        MessageBoxA(nullptr, "ChoosePixelFormat failed", "Error", MB_OK);
        return false;
    }
    if (!SetPixelFormat(hdc, format, &pfd)) {
        MessageBoxA(nullptr, "SetPixelFormat failed", "Error", MB_OK);
        return false;
    }
    return true;
}

void create_gl_context(WglContext& gl, bool allow_upgrade) {
    set_pixel_format(gl.hdc);

    gl.hglrc_legacy = wglCreateContext(gl.hdc);
    wglMakeCurrent(gl.hdc, gl.hglrc_legacy);

    // Loads the WGL extension entry points too; they stay valid for the new context.
    glewInit();

    if (allow_upgrade && wglewIsSupported("WGL_ARB_create_context") == 1) {
        int format = 0;
        UINT num_formats = 0;
        // The answer is not applied: a window's pixel format can be set only once.
        if (wglChoosePixelFormatARB != nullptr) {
            wglChoosePixelFormatARB(gl.hdc, wgl_pixel_format_attribs, nullptr, 1, &format,
                                    &num_formats);
        }
        HGLRC modern = nullptr;
        if (wglCreateContextAttribsARB != nullptr) {
            modern = wglCreateContextAttribsARB(gl.hdc, nullptr, wgl_context_attribs);
        }
        // Without the 3.1 context, keep the legacy one rather than going on with none.
        if (modern != nullptr) {
            gl.hglrc = modern;
            wglMakeCurrent(nullptr, nullptr);
            wglDeleteContext(gl.hglrc_legacy);
            wglMakeCurrent(gl.hdc, gl.hglrc);
            return;
        }
    }
    gl.hglrc = gl.hglrc_legacy;
}

void delete_gl_context(HWND window, WglContext& gl) {
    if (gl.hglrc == nullptr) return;
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(gl.hglrc);
    ReleaseDC(window, gl.hdc);
}
