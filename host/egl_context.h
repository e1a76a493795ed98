// A headless OpenGL context: Mesa's surfaceless EGL platform with a pbuffer of a
// given size standing in for the window, so that framebuffer 0 exists and can
// be drawn to and read back without any display server.
#pragma once

#include <EGL/egl.h>

#include <string>

#include "graphics/platform_handles.h"

class EglContext {
  public:
    EglContext() = default;
    ~EglContext();
    // The present surface points back at this object.
    EglContext(const EglContext&) = delete;
    EglContext& operator=(const EglContext&) = delete;

    // Creates the display, the pbuffer and a 3.2 compatibility context, makes it
    // current and loads the GL entry points. On failure everything made so far
    // is released, false is returned and error() says what went wrong.
    bool create(int width, int height);
    // Releases the context, the surface and the display; safe to call twice.
    void destroy();

    // The handles a Graphics object keeps: no window, and a device context
    // whose present operation swaps the pbuffer.
    WindowHandle* window_handle() { return &window_; }
    DeviceContext* device_context() { return &device_; }

    bool valid() const { return context_ != EGL_NO_CONTEXT; }
    const std::string& error() const { return error_; }

  private:
    static void present(void* user);
    bool fail(const std::string& what);

    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLSurface surface_ = EGL_NO_SURFACE;
    EGLContext context_ = EGL_NO_CONTEXT;
    std::string error_;
    PresentSurface surface_ops_;
    WindowHandle window_ = nullptr;
    DeviceContext device_ = nullptr;
};
