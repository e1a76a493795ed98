// What the loader writes to "infolog.txt" before any stage: the context's
// version, renderer and attribute limit; then the lines of two stages read.
#pragma once

#include <string>

#include "tests/support/gl_fixture.h"

inline std::string infolog_header() {
    return std::string("OpenGL Version ") + reinterpret_cast<const char*>(glGetString(GL_VERSION)) +
           "\nOpenGL Renderer " + reinterpret_cast<const char*>(glGetString(GL_RENDERER)) +
           "\nMax vertex attribs " + std::to_string(get_integer(GL_MAX_VERTEX_ATTRIBS)) + "\n";
}

inline std::string loaded(const std::string& vs, const std::string& fs) {
    return infolog_header() + "Loaded vertex shader " + vs + "\nLoaded fragment shader " + fs +
           "\n";
}
