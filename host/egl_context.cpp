#include "host/egl_context.h"

#include <GL/glew.h>
// glew.h comes first: it refuses to follow another GL header.
#include <EGL/eglext.h>

#include <cstdio>
#include <vector>

#include "host/gl_loader.h"

namespace {

std::string egl_error_text(const char* call) {
    char text[96];
    std::snprintf(text, sizeof(text), "%s failed (EGL error 0x%04X)", call,
                  static_cast<unsigned>(eglGetError()));
    return text;
}

}  // namespace

EglContext::~EglContext() {
    destroy();
}

bool EglContext::fail(const std::string& what) {
    error_ = what;
    destroy();
    return false;
}

bool EglContext::create(int width, int height) {
    destroy();
    error_.clear();
    if (width <= 0 || height <= 0) {
        error_ = "EGL context: the surface size must be positive";
        return false;
    }

    // Mesa's default platform is X11, which needs a running server; the
    // surfaceless platform needs nothing.
    display_ = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display_ == EGL_NO_DISPLAY)
        return fail(egl_error_text("eglGetPlatformDisplay(surfaceless)"));
    EGLint major = 0;
    EGLint minor = 0;
    // eglTerminate would unload the driver that eglInitialize loads.
    const std::vector<std::string> modules_before = loaded_modules();
    const EGLBoolean initialized = eglInitialize(display_, &major, &minor);
    keep_resident(modules_before);
    if (initialized != EGL_TRUE) {
        const std::string text = egl_error_text("eglInitialize");
        display_ = EGL_NO_DISPLAY;  // nothing to terminate
        return fail(text);
    }
    if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) return fail(egl_error_text("eglBindAPI(OpenGL)"));

    const EGLint config_attribs[] = {EGL_SURFACE_TYPE,
                                     EGL_PBUFFER_BIT,
                                     EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,
                                     8,
                                     EGL_GREEN_SIZE,
                                     8,
                                     EGL_BLUE_SIZE,
                                     8,
                                     EGL_ALPHA_SIZE,
                                     8,
                                     EGL_DEPTH_SIZE,
                                     24,
                                     EGL_STENCIL_SIZE,
                                     8,
                                     EGL_NONE};
    EGLConfig config = nullptr;
    EGLint config_count = 0;
    if (eglChooseConfig(display_, config_attribs, &config, 1, &config_count) != EGL_TRUE)
        return fail(egl_error_text("eglChooseConfig"));
    if (config_count < 1)
        return fail("eglChooseConfig found no RGBA8 / depth 24 / stencil 8 pbuffer config");

    // Framebuffer 0 is "the window": without a surface it would be undefined.
    const EGLint pbuffer_attribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display_, config, pbuffer_attribs);
    if (surface_ == EGL_NO_SURFACE) return fail(egl_error_text("eglCreatePbufferSurface"));

    // Only the compatibility profile keeps GL_CLAMP and immediate mode.
    const EGLint context_attribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                                      3,
                                      EGL_CONTEXT_MINOR_VERSION,
                                      2,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                      EGL_NONE};
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, context_attribs);
    if (context_ == EGL_NO_CONTEXT)
        return fail(egl_error_text("eglCreateContext(3.2 compatibility)"));
    if (eglMakeCurrent(display_, surface_, surface_, context_) != EGL_TRUE)
        return fail(egl_error_text("eglMakeCurrent"));

    const std::string missing = load_gl_entry_points();
    if (!missing.empty()) return fail(missing);

    surface_ops_.present = &EglContext::present;
    surface_ops_.user = this;
    device_ = &surface_ops_;
    return true;
}

void EglContext::destroy() {
    if (display_ != EGL_NO_DISPLAY) {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
        if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display_, surface_);
        eglTerminate(display_);
        eglReleaseThread();
    }
    display_ = EGL_NO_DISPLAY;
    surface_ = EGL_NO_SURFACE;
    context_ = EGL_NO_CONTEXT;
    device_ = nullptr;
    surface_ops_ = PresentSurface{};
}

void EglContext::present(void* user) {
    auto* self = static_cast<EglContext*>(user);
    eglSwapBuffers(self->display_, self->surface_);
}
