// Thin pass-through over OpenGL state, textures, buffers, vertex arrays, indexed
// draws, render targets and error reports. Nothing is cached: the context holds
// all state, and every object created here belongs to the caller.
#pragma once

#include <GL/glew.h>

#include <cstddef>

#include "graphics/platform_handles.h"

// The one interleaved vertex layout that create_vertex_buffer and draw_elements
// declare: 60 bytes, six generic attributes, none normalised.
struct Vertex {
    float position[3];   // attribute 0, "attr_position"
    float texcoord[2];   // attribute 1
    float texcoord2[2];  // attribute 2
    float normal[3];     // attribute 3
    GLint color;         // attribute 4, "attr_color"; reaches the shader as a float
    float tangent[4];    // attribute 5
};

static_assert(sizeof(Vertex) == 60, "the vertex layout is 60 bytes");
static_assert(offsetof(Vertex, texcoord) == 12 && offsetof(Vertex, texcoord2) == 20 &&
                  offsetof(Vertex, normal) == 28 && offsetof(Vertex, color) == 40 &&
                  offsetof(Vertex, tangent) == 44,
              "attribute offsets of the vertex layout");

class Graphics {
  public:
    // Lifecycle and frame.
    void init(WindowHandle* window, DeviceContext* device);
    void destroy();
    void resize(int new_width, int new_height);
    void swap();
    void clear();
    void clear_depth();

    // State switches.
    void blend(bool enable);
    void blend_func();
    void color_mask(bool enable);
    void depth_mask(bool enable);
    void stencil(bool enable);
    void cull_face(const char* name);
    void depth_func(const char* name);
    void stencil_func(const char* name, GLint ref, GLuint mask);
    // Only the last name is read: stencil-fail and depth-fail always keep.
    void stencil_op(const char* stencil_fail, const char* depth_fail, const char* name);

    // Objects.
    GLuint create_vertex_array();
    GLuint create_vertex_buffer(const Vertex* data, int count);
    GLuint create_index_buffer(const GLuint* data, int count);
    GLuint load_texture(int tex_width, int tex_height, GLint components, GLenum format,
                        const void* bytes);
    GLuint create_cubemap();
    void delete_texture(GLuint name);
    void delete_vertex_buffer(GLuint name);
    void delete_index_buffer(GLuint name);
    void delete_vertex_array(GLuint name);

    // Binding and drawing.
    void select_vertex_array(GLuint name);
    void select_vertex_buffer(GLuint name);
    void select_index_buffer(GLuint name);
    void select_texture(int unit, int name);
    void deselect_texture(int unit);
    void select_cubemap(GLuint name);
    void select_program(GLuint name);
    // primitive: 0 triangles, 1 triangle strip, 2 line strip, 3 lines, 4 points;
    // any other code draws nothing.
    void draw_elements(int primitive, int start_index, int base_vertex, int index_count);

    // Render-to-texture targets.
    int create_render_target(int target_width, int target_height, GLuint* framebuffer,
                             GLuint* color_texture, GLuint* depth_texture);
    void bind_render_target(GLuint framebuffer);
    void attach_color_texture(GLuint texture);
    void attach_depth_texture(GLuint texture);
    int check_framebuffer_status();

    // Diagnostics.
    bool check_error();
    void get_debug_log();

    int width;
    int height;
    WindowHandle hwnd;
    DeviceContext hdc;
    GLuint vao;
};
