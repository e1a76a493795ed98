// Each GL test gets a fresh headless context of its own, current for the whole
// test and gone before the next one starts, so no state leaks between tests.
#pragma once

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "host/egl_context.h"

class GlTest : public ::testing::Test {
  protected:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 64;

    void SetUp() override;
    void TearDown() override;

    // The pending GL error, taken off the context (GL_NO_ERROR when none).
    static GLenum take_error();
    // Short forms of the state queries the tests read back.
    static GLint get_integer(GLenum pname);
    static GLint get_integer(GLenum pname, GLuint index);
    static GLint tex_parameter(GLenum target, GLenum pname);
    static GLint tex_level_parameter(GLenum target, GLint level, GLenum pname);

    EglContext context;
};
