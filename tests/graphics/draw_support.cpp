#include "tests/graphics/draw_support.h"

#include <cstdint>
#include <string>

namespace {

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    EXPECT_EQ(query(glGetShaderiv, shader, GL_COMPILE_STATUS), GL_TRUE);
    return shader;
}

}  // namespace

GLuint build_test_program() {
    const GLuint program = glCreateProgram();
    glAttachShader(program, compile(GL_VERTEX_SHADER,
                                    "#version 120\nattribute vec3 attr_position;\n"
                                    "attribute float attr_color;\nvarying float red;\n"
                                    "void main() { red = attr_color / 255.0;\n"
                                    "    gl_Position = vec4(attr_position, 1.0); }\n"));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER,
                                    "#version 120\nvarying float red;\n"
                                    "void main() { gl_FragColor = vec4(red, 0.0, 0.0, 1.0); }\n"));
    glBindAttribLocation(program, 0, "attr_position");
    glBindAttribLocation(program, 4, "attr_color");
    glLinkProgram(program);
    EXPECT_EQ(query(glGetProgramiv, program, GL_LINK_STATUS), GL_TRUE);
    return program;
}

void expect_vertex_layout(GLuint buffer) {
    const GLenum pnames[5] = {GL_VERTEX_ATTRIB_ARRAY_SIZE, GL_VERTEX_ATTRIB_ARRAY_TYPE,
                              GL_VERTEX_ATTRIB_ARRAY_STRIDE, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED,
                              GL_VERTEX_ATTRIB_ARRAY_INTEGER};
    // size, type, stride, normalised, integer (GL_INT is converted to float), offset
    const GLint expected[6][6] = {{3, GL_FLOAT, 60, 0, 0, 0},  {2, GL_FLOAT, 60, 0, 0, 12},
                                  {2, GL_FLOAT, 60, 0, 0, 20}, {3, GL_FLOAT, 60, 0, 0, 28},
                                  {1, GL_INT, 60, 0, 0, 40},   {4, GL_FLOAT, 60, 0, 0, 44}};
    for (GLuint i = 0; i < 6; ++i) {
        SCOPED_TRACE("attribute " + std::to_string(i));
        for (int p = 0; p < 5; ++p)
            EXPECT_EQ(query(glGetVertexAttribiv, i, pnames[p]), expected[i][p]);
        void* pointer = nullptr;
        glGetVertexAttribPointerv(i, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pointer),
                  static_cast<std::uintptr_t>(expected[i][5]));
        EXPECT_EQ(query(glGetVertexAttribiv, i, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING),
                  static_cast<GLint>(buffer));
    }
}
