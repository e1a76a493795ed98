#include "host/egl_context.h"

#include <GL/glew.h>
// glew.h comes first: it refuses to follow another GL header.
#include <EGL/eglext.h>

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

std::vector<std::string> loaded_modules() {
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
                static_cast<std::vector<std::string>*>(data)->push_back(info->dlpi_name);
            return 0;
        },
        &names);
    return names;
}

// eglTerminate unloads the driver that eglInitialize loaded; the next context
// would load it again, and leak reports at exit could no longer name it. Those
// modules stay resident for the rest of the process instead.
void keep_resident(const std::vector<std::string>& before) {
    for (const std::string& name : loaded_modules()) {
        if (std::find(before.begin(), before.end(), name) != before.end()) continue;
        if (void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE))
            dlclose(handle);
    }
}

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

    // Debian's GLEW is built for GLX: with no X display it loads every GL entry
    // point and then reports that the GLX part failed.
    const GLenum glew = glewInit();
    if (glew != GLEW_OK && glew != GLEW_ERROR_NO_GLX_DISPLAY) {
        char text[128];
        std::snprintf(text, sizeof(text), "glewInit failed (%u): %s", static_cast<unsigned>(glew),
                      reinterpret_cast<const char*>(glewGetErrorString(glew)));
        return fail(text);
    }
    if (glFramebufferTexture == nullptr || glDrawElementsBaseVertex == nullptr)
        return fail("the GL context lacks glFramebufferTexture or glDrawElementsBaseVertex");

    width_ = width;
    height_ = height;
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
    width_ = 0;
    height_ = 0;
    device_ = nullptr;
    surface_ops_ = PresentSurface{};
}

bool EglContext::make_current() {
    if (!valid()) return false;
    return eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
}

void EglContext::release_current() {
    if (display_ != EGL_NO_DISPLAY)
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void EglContext::present(void* user) {
    auto* self = static_cast<EglContext*>(user);
    self->present_count_ += 1;
    if (eglSwapBuffers(self->display_, self->surface_) == EGL_TRUE) self->present_ok_count_ += 1;
}
