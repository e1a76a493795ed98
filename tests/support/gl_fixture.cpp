#include "tests/support/gl_fixture.h"

void GlTest::SetUp() {
    ASSERT_TRUE(context.create(kWidth, kHeight)) << context.error();
    // A context starts without errors; anything here would be our own fault.
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

void GlTest::TearDown() {
    context.destroy();
}

GLenum GlTest::take_error() {
    return glGetError();
}

GLint GlTest::get_integer(GLenum pname) {
    GLint value = 0;
    glGetIntegerv(pname, &value);
    return value;
}

GLint GlTest::get_integer(GLenum pname, GLuint index) {
    GLint value = 0;
    glGetIntegeri_v(pname, index, &value);
    return value;
}

GLint GlTest::tex_parameter(GLenum target, GLenum pname) {
    GLint value = 0;
    glGetTexParameteriv(target, pname, &value);
    return value;
}

GLint GlTest::tex_level_parameter(GLenum target, GLint level, GLenum pname) {
    GLint value = 0;
    glGetTexLevelParameteriv(target, level, pname, &value);
    return value;
}
