// Textures, buffers and vertex arrays: what each create operation uploads and
// leaves bound, and that the delete and select operations reach OpenGL.
#include <GL/glew.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/graphics.h"
#include "tests/graphics/test_program.h"
#include "tests/support/gl_fixture.h"

namespace {

class GraphicsObjects : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        gfx.init(context.window_handle(), context.device_context());
    }

    Graphics gfx{};
};

// The declared layout of attribute i: size, type, stride, normalised, offset.
struct Layout {
    GLint size, type, stride, normalized;
    std::uintptr_t offset;
};

Layout attribute_layout(GLuint i) {
    Layout l{};
    glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_SIZE, &l.size);
    glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_TYPE, &l.type);
    glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &l.stride);
    glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &l.normalized);
    void* pointer = nullptr;
    glGetVertexAttribPointerv(i, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
    l.offset = reinterpret_cast<std::uintptr_t>(pointer);
    return l;
}

TEST_F(GraphicsObjects, VertexArrayIsBoundWithSixArraysEnabled) {
    const GLuint vao = gfx.create_vertex_array();
    EXPECT_NE(vao, 0u);
    EXPECT_EQ(gfx.vao, vao);
    EXPECT_EQ(get_integer(GL_VERTEX_ARRAY_BINDING), static_cast<GLint>(vao));
    for (GLuint i = 0; i < 8; ++i) {
        GLint on = -1;
        glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &on);
        EXPECT_EQ(on, i < 6 ? GL_TRUE : GL_FALSE) << "attribute " << i;
    }
    gfx.select_vertex_array(0);
    EXPECT_EQ(get_integer(GL_VERTEX_ARRAY_BINDING), 0);
    gfx.select_vertex_array(vao);
    EXPECT_EQ(get_integer(GL_VERTEX_ARRAY_BINDING), static_cast<GLint>(vao));
    gfx.delete_vertex_array(vao);
    EXPECT_EQ(glIsVertexArray(vao), GL_FALSE);
}

TEST_F(GraphicsObjects, VertexBufferUploadsSixHundredBytesAndDeclaresTheLayout) {
    gfx.create_vertex_array();
    Vertex vertices[10];
    std::memset(vertices, 0, sizeof(vertices));
    for (int i = 0; i < 10; ++i) {
        vertices[i].position[0] = static_cast<float>(i);
        vertices[i].color = 100 + i;
        vertices[i].tangent[3] = -static_cast<float>(i);
    }
    const GLuint buffer = gfx.create_vertex_buffer(vertices, 10);
    EXPECT_EQ(get_integer(GL_ARRAY_BUFFER_BINDING), static_cast<GLint>(buffer));
    GLint size = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, 600);
    GLint usage = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_USAGE, &usage);
    EXPECT_EQ(usage, GL_STATIC_DRAW);
    std::vector<unsigned char> stored(600);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, 600, stored.data());
    EXPECT_EQ(std::memcmp(stored.data(), vertices, 600), 0);

    const Layout expected[6] = {{3, GL_FLOAT, 60, GL_FALSE, 0},  {2, GL_FLOAT, 60, GL_FALSE, 12},
                                {2, GL_FLOAT, 60, GL_FALSE, 20}, {3, GL_FLOAT, 60, GL_FALSE, 28},
                                {1, GL_INT, 60, GL_FALSE, 40},   {4, GL_FLOAT, 60, GL_FALSE, 44}};
    for (GLuint i = 0; i < 6; ++i) {
        const Layout l = attribute_layout(i);
        EXPECT_EQ(l.size, expected[i].size) << "attribute " << i;
        EXPECT_EQ(l.type, expected[i].type) << "attribute " << i;
        EXPECT_EQ(l.stride, expected[i].stride) << "attribute " << i;
        EXPECT_EQ(l.normalized, expected[i].normalized) << "attribute " << i;
        EXPECT_EQ(l.offset, expected[i].offset) << "attribute " << i;
        GLint source = 0;
        glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &source);
        EXPECT_EQ(source, static_cast<GLint>(buffer)) << "attribute " << i;
        GLint integer = -1;
        glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_INTEGER, &integer);
        EXPECT_EQ(integer, GL_FALSE) << "attribute " << i;  // converted to float
    }

    gfx.select_vertex_buffer(0);
    EXPECT_EQ(get_integer(GL_ARRAY_BUFFER_BINDING), 0);
    gfx.select_vertex_buffer(buffer);
    EXPECT_EQ(get_integer(GL_ARRAY_BUFFER_BINDING), static_cast<GLint>(buffer));
    gfx.delete_vertex_buffer(buffer);
    EXPECT_EQ(glIsBuffer(buffer), GL_FALSE);
}

TEST_F(GraphicsObjects, IndexBufferUploadsFortyBytes) {
    const GLuint vao = gfx.create_vertex_array();
    const GLuint indices[10] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0xFFFFFFFFu};
    const GLuint buffer = gfx.create_index_buffer(indices, 10);
    EXPECT_EQ(get_integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), static_cast<GLint>(buffer));
    GLint size = 0;
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, 40);
    GLuint stored[10] = {};
    glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, 40, stored);
    EXPECT_EQ(std::memcmp(stored, indices, 40), 0);

    // The element binding belongs to the vertex array that was bound.
    gfx.select_vertex_array(0);
    EXPECT_EQ(get_integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0);
    gfx.select_vertex_array(vao);
    EXPECT_EQ(get_integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), static_cast<GLint>(buffer));
    gfx.select_index_buffer(0);
    EXPECT_EQ(get_integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0);
    gfx.select_index_buffer(buffer);
    EXPECT_EQ(get_integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), static_cast<GLint>(buffer));
    gfx.delete_index_buffer(buffer);
    EXPECT_EQ(glIsBuffer(buffer), GL_FALSE);
}

TEST_F(GraphicsObjects, LoadTextureUploadsAndBuildsMipmaps) {
    unsigned char texels[4 * 4 * 4];
    for (int i = 0; i < 64; ++i) texels[i] = static_cast<unsigned char>(i * 4);
    const GLuint texture = gfx.load_texture(4, 4, GL_RGBA8, GL_RGBA, texels);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture));
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(tex_level_parameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(tex_level_parameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 4);
    EXPECT_EQ(tex_level_parameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
    EXPECT_EQ(tex_level_parameter(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH), 1);  // mipmapped
    unsigned char stored[64] = {};
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, stored);
    EXPECT_EQ(std::memcmp(stored, texels, 64), 0);
    gfx.delete_texture(texture);
    EXPECT_EQ(glIsTexture(texture), GL_FALSE);
}

TEST_F(GraphicsObjects, CubemapHasItsParametersAndNoImage) {
    const GLuint cubemap = gfx.create_cubemap();
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_CUBE_MAP), static_cast<GLint>(cubemap));
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
        EXPECT_EQ(tex_parameter(GL_TEXTURE_CUBE_MAP, wrap), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_BASE_LEVEL), 0);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_LEVEL), 0);
    EXPECT_EQ(tex_level_parameter(GL_TEXTURE_CUBE_MAP_POSITIVE_X, 0, GL_TEXTURE_WIDTH), 0);

    gfx.select_cubemap(0);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_CUBE_MAP), 0);
    glActiveTexture(GL_TEXTURE2);
    gfx.select_cubemap(cubemap);  // on whatever unit is active
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_CUBE_MAP), static_cast<GLint>(cubemap));
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_CUBE_MAP), 0);
}

TEST_F(GraphicsObjects, SelectTextureNegatesNegativeNamesAndKeepsTheUnit) {
    gfx.select_texture(3, -7);
    EXPECT_EQ(get_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), 7);
    gfx.select_texture(1, 5);
    EXPECT_EQ(get_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE1);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), 5);

    gfx.deselect_texture(3);
    EXPECT_EQ(get_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), 0);
    glActiveTexture(GL_TEXTURE1);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), 5);  // other units untouched
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GraphicsObjects, SelectProgramMakesItCurrent) {
    const GLuint program = build_test_program();
    gfx.select_program(program);
    EXPECT_EQ(get_integer(GL_CURRENT_PROGRAM), static_cast<GLint>(program));
    gfx.select_program(0);
    EXPECT_EQ(get_integer(GL_CURRENT_PROGRAM), 0);
    glDeleteProgram(program);
}

}  // namespace
