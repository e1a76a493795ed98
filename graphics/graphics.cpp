#include "graphics/graphics.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr GLsizei kStride = sizeof(Vertex);

// Exact, case-sensitive match; a null name matches no row of a setter's table.
bool named(const char* name, const char* row) {
    return name != nullptr && std::strcmp(name, row) == 0;
}

const void* byte_offset(std::uintptr_t offset) {
    return reinterpret_cast<const void*>(offset);
}

// Declares the Vertex layout against the buffer bound to GL_ARRAY_BUFFER.
void declare_vertex_layout() {
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kStride, byte_offset(0));
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, kStride, byte_offset(12));
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, kStride, byte_offset(20));
    glVertexAttribPointer(3, 3, GL_FLOAT, GL_FALSE, kStride, byte_offset(28));
    glVertexAttribPointer(4, 1, GL_INT, GL_FALSE, kStride, byte_offset(40));
    glVertexAttribPointer(5, 4, GL_FLOAT, GL_FALSE, kStride, byte_offset(44));
}

bool primitive_mode(int primitive, GLenum* mode) {
    switch (primitive) {
        case 0:
            *mode = GL_TRIANGLES;
            return true;
        case 1:
            *mode = GL_TRIANGLE_STRIP;
            return true;
        case 2:
            *mode = GL_LINE_STRIP;
            return true;
        case 3:
            *mode = GL_LINES;
            return true;
        case 4:
            *mode = GL_POINTS;
            return true;
        default:
            return false;
    }
}

}  // namespace

void Graphics::init(WindowHandle* window, DeviceContext* device) {
    hwnd = *window;
    hdc = *device;

    glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
    glClearStencil(0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    for (GLuint i = 0; i < 6; ++i) glEnableVertexAttribArray(i);
}

void Graphics::destroy() {}

void Graphics::resize(int new_width, int new_height) {
    width = new_width;
    height = new_height;
    glViewport(0, 0, new_width, new_height == 0 ? 1 : new_height);
}

void Graphics::swap() {
    present_back_buffer(hdc);
}

void Graphics::clear() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void Graphics::clear_depth() {
    glClear(GL_DEPTH_BUFFER_BIT);
}

void Graphics::blend(bool enable) {
    if (enable) {
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
}

void Graphics::blend_func() {
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
}

void Graphics::color_mask(bool enable) {
    const GLboolean b = enable ? GL_TRUE : GL_FALSE;
    glColorMask(b, b, b, b);
}

void Graphics::depth_mask(bool enable) {
    glDepthMask(enable ? GL_TRUE : GL_FALSE);
}

void Graphics::stencil(bool enable) {
    if (enable) {
        glEnable(GL_STENCIL_TEST);
    } else {
        glDisable(GL_STENCIL_TEST);
    }
}

void Graphics::cull_face(const char* name) {
    if (named(name, "back")) {
        glCullFace(GL_BACK);
    } else {
        glCullFace(GL_FRONT);
    }
}

void Graphics::depth_func(const char* name) {
    if (named(name, "<=")) {
        glDepthFunc(GL_LEQUAL);
    } else if (named(name, "<")) {
        glDepthFunc(GL_LESS);
    }
}

void Graphics::stencil_func(const char* name, GLint ref, GLuint mask) {
    if (named(name, "always")) {
        glStencilFunc(GL_ALWAYS, ref, mask);
    } else if (named(name, "equal")) {
        glStencilFunc(GL_EQUAL, ref, mask);
    }
}

void Graphics::stencil_op(const char*, const char*, const char* name) {
    if (named(name, "incr")) {
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    } else if (named(name, "decr")) {
        glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
    } else if (named(name, "keep")) {
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    }
}

GLuint Graphics::create_vertex_array() {
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    for (GLuint i = 0; i < 6; ++i) glEnableVertexAttribArray(i);
    return vao;
}

GLuint Graphics::create_vertex_buffer(const Vertex* data, int count) {
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(GL_ARRAY_BUFFER, name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * kStride, data, GL_STATIC_DRAW);
    declare_vertex_layout();
    return name;
}

GLuint Graphics::create_index_buffer(const GLuint* data, int count) {
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(count) * static_cast<GLsizeiptr>(sizeof(GLuint)), data,
                 GL_STATIC_DRAW);
    return name;
}

GLuint Graphics::load_texture(int tex_width, int tex_height, GLint components, GLenum format,
                              const void* bytes) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, components, tex_width, tex_height, 0, format, GL_UNSIGNED_BYTE,
                 bytes);
    glGenerateMipmap(GL_TEXTURE_2D);
    return name;
}

GLuint Graphics::create_cubemap() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_CUBE_MAP, name);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_LEVEL, 0);
    return name;
}

void Graphics::delete_texture(GLuint name) {
    glDeleteTextures(1, &name);
}

void Graphics::delete_vertex_buffer(GLuint name) {
    glDeleteBuffers(1, &name);
}

void Graphics::delete_index_buffer(GLuint name) {
    glDeleteBuffers(1, &name);
}

void Graphics::delete_vertex_array(GLuint name) {
    glDeleteVertexArrays(1, &name);
}

void Graphics::select_vertex_array(GLuint name) {
    glBindVertexArray(name);
}

void Graphics::select_vertex_buffer(GLuint name) {
    glBindBuffer(GL_ARRAY_BUFFER, name);
}

void Graphics::select_index_buffer(GLuint name) {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
}

void Graphics::select_texture(int unit, int name) {
    // Negated in unsigned arithmetic, so even INT_MIN has a defined result.
    const GLuint texture = name < 0 ? 0u - static_cast<GLuint>(name) : static_cast<GLuint>(name);
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, texture);
}

void Graphics::deselect_texture(int unit) {
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, 0);
}

void Graphics::select_cubemap(GLuint name) {
    glBindTexture(GL_TEXTURE_CUBE_MAP, name);
}

void Graphics::select_program(GLuint name) {
    glUseProgram(name);
}

void Graphics::draw_elements(int primitive, int start_index, int base_vertex, int index_count) {
    if (check_error()) return;
    declare_vertex_layout();
    GLenum mode = 0;
    if (!primitive_mode(primitive, &mode)) return;
    const std::uintptr_t offset =
        static_cast<std::uintptr_t>(static_cast<std::intptr_t>(start_index)) * sizeof(GLuint);
    glDrawElementsBaseVertex(mode, index_count, GL_UNSIGNED_INT, byte_offset(offset), base_vertex);
}
