// Textures, buffers and vertex arrays: what each create operation uploads and
// leaves bound, and that the delete and select operations reach OpenGL.
#include <GL/glew.h>

#include <cstring>

#include "tests/graphics/draw_support.h"

namespace {

using GraphicsObjects = GraphicsTest;

TEST_F(GraphicsObjects, BuffersUploadTheirBytesIntoTheNewVertexArray) {
    const GLuint vao = gfx.create_vertex_array();
    EXPECT_NE(vao, 0u);
    EXPECT_EQ(gfx.vao, vao);
    EXPECT_EQ(get_integer(GL_VERTEX_ARRAY_BINDING), static_cast<GLint>(vao));
    for (GLuint i = 0; i < 8; ++i)
        EXPECT_EQ(query(glGetVertexAttribiv, i, GL_VERTEX_ATTRIB_ARRAY_ENABLED), i < 6) << i;

    Vertex vertices[10] = {};
    const GLuint indices[10] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0xFFFFFFFFu};
    const GLuint vbo = gfx.create_vertex_buffer(vertices, 10);
    const GLuint ibo = gfx.create_index_buffer(indices, 10);
    EXPECT_EQ(query(glGetBufferParameteriv, GL_ARRAY_BUFFER, GL_BUFFER_SIZE), 600);
    EXPECT_EQ(query(glGetBufferParameteriv, GL_ARRAY_BUFFER, GL_BUFFER_USAGE), GL_STATIC_DRAW);
    EXPECT_EQ(query(glGetBufferParameteriv, GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE), 40);
    GLuint stored[10] = {};
    glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, 40, stored);
    EXPECT_EQ(std::memcmp(stored, indices, 40), 0);
    expect_vertex_layout(vbo);

    // Selects and deletes reach OpenGL; the element binding belongs to the vertex array.
    gfx.select_vertex_buffer(0);
    gfx.select_vertex_array(0);
    EXPECT_EQ(get_integer(GL_ARRAY_BUFFER_BINDING), 0);
    EXPECT_EQ(get_integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0);
    gfx.select_vertex_array(vao);
    gfx.select_vertex_buffer(vbo);
    EXPECT_EQ(get_integer(GL_ARRAY_BUFFER_BINDING), static_cast<GLint>(vbo));
    EXPECT_EQ(get_integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), static_cast<GLint>(ibo));
    gfx.select_index_buffer(0);
    EXPECT_EQ(get_integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0);
    gfx.delete_index_buffer(ibo);
    gfx.delete_vertex_buffer(vbo);
    gfx.delete_vertex_array(vao);
    EXPECT_FALSE(glIsBuffer(ibo) || glIsBuffer(vbo) || glIsVertexArray(vao));
}

TEST_F(GraphicsObjects, TexturesCarryTheirParameters) {
    unsigned char texels[64], stored[64] = {};
    for (int i = 0; i < 64; ++i) texels[i] = static_cast<unsigned char>(i * 4);
    const GLuint texture = gfx.load_texture(4, 4, GL_RGBA8, GL_RGBA, texels);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture));
    EXPECT_EQ(query(glGetTexParameteriv, GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER),
              GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(query(glGetTexParameteriv, GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT),
              GL_RGBA8);
    EXPECT_EQ(query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH), 1);  // mipmaps
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, stored);
    EXPECT_EQ(std::memcmp(stored, texels, 64), 0);
    gfx.delete_texture(texture);
    EXPECT_EQ(glIsTexture(texture), GL_FALSE);

    const GLuint cubemap = gfx.create_cubemap();
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_CUBE_MAP), static_cast<GLint>(cubemap));
    const GLenum pnames[7] = {GL_TEXTURE_WRAP_S,     GL_TEXTURE_WRAP_T,     GL_TEXTURE_WRAP_R,
                              GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER, GL_TEXTURE_BASE_LEVEL,
                              GL_TEXTURE_MAX_LEVEL};
    const GLint values[7] = {
        GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_LINEAR, GL_LINEAR, 0, 0};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(query(glGetTexParameteriv, GL_TEXTURE_CUBE_MAP, pnames[i]), values[i]) << i;
    gfx.select_cubemap(0);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_CUBE_MAP), 0);
}

TEST_F(GraphicsObjects, SelectTextureNegatesNegativeNamesAndKeepsTheUnit) {
    gfx.select_texture(3, -7);
    EXPECT_EQ(get_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), 7);
    gfx.select_texture(1, 5);
    gfx.deselect_texture(3);
    EXPECT_EQ(get_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), 0);
    glActiveTexture(GL_TEXTURE1);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), 5);  // other units untouched
    EXPECT_EQ(glGetError(), kNoError);
}

}  // namespace
