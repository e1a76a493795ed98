#include "host/gl_loader.h"

#include <GL/glew.h>
#include <dlfcn.h>
#include <link.h>

#include <algorithm>

std::string load_gl_entry_points() {
    glewExperimental = GL_TRUE;
    // Debian's GLEW is built for GLX: under EGL (Wayland, SDL_VIDEO_X11_FORCE_EGL,
    // a surfaceless display) it loads every GL entry point and then reports that
    // it found no GLX display, which the demo never needs.
    const GLenum answer = glewInit();
    if (answer != GLEW_OK && answer != GLEW_ERROR_NO_GLX_DISPLAY) {
        return "glewInit failed (" + std::to_string(answer) +
               "): " + reinterpret_cast<const char*>(glewGetErrorString(answer));
    }
    const struct {
        bool loaded;
        const char* name;
    } needed[] = {
        {glCreateProgram != nullptr, "glCreateProgram"},
        {glGenBuffers != nullptr, "glGenBuffers"},
        {glGenVertexArrays != nullptr, "glGenVertexArrays"},
        {glGenFramebuffers != nullptr, "glGenFramebuffers"},
        {glFramebufferTexture != nullptr, "glFramebufferTexture"},
        {glDrawElementsBaseVertex != nullptr, "glDrawElementsBaseVertex"},
    };
    for (const auto& entry : needed) {
        if (!entry.loaded) return std::string("the OpenGL context lacks ") + entry.name;
    }
    return {};
}

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

void keep_resident(const std::vector<std::string>& before) {
    for (const std::string& name : loaded_modules()) {
        if (std::find(before.begin(), before.end(), name) != before.end()) continue;
        if (void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE))
            dlclose(handle);
    }
}
