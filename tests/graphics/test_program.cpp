#include "tests/graphics/test_program.h"

#include <gtest/gtest.h>

namespace {

const char* const kVertex =
    "#version 120\n"
    "attribute vec3 attr_position;\n"
    "attribute float attr_color;\n"
    "varying float red;\n"
    "void main() {\n"
    "    red = attr_color / 255.0;\n"
    "    gl_Position = vec4(attr_position, 1.0);\n"
    "}\n";

const char* const kFragment =
    "#version 120\n"
    "varying float red;\n"
    "void main() { gl_FragColor = vec4(red, 0.0, 0.0, 1.0); }\n";

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    EXPECT_EQ(ok, GL_TRUE);
    return shader;
}

}  // namespace

GLuint build_test_program() {
    const GLuint program = glCreateProgram();
    const GLuint vs = compile(GL_VERTEX_SHADER, kVertex);
    const GLuint fs = compile(GL_FRAGMENT_SHADER, kFragment);
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glBindAttribLocation(program, 0, "attr_position");
    glBindAttribLocation(program, 4, "attr_color");
    glLinkProgram(program);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    EXPECT_EQ(ok, GL_TRUE);
    glDeleteShader(vs);
    glDeleteShader(fs);
    return program;
}
