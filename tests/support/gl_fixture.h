// Each GL test gets a fresh headless context of its own, current for the whole
// test and gone before the next one starts, so no state leaks between tests.
#pragma once

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "host/egl_context.h"

constexpr GLenum kNoError = GL_NO_ERROR;

// One integer out of any glGet*iv-style query: query(glGetShaderiv, shader, GL_COMPILE_STATUS).
template <class Get, class... Args>
GLint query(Get get, Args... args) {
    GLint value = -1;
    get(args..., &value);
    return value;
}

inline GLint get_integer(GLenum pname) {
    return query(glGetIntegerv, pname);
}

class GlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(context.create(64, 64)) << context.error();
        ASSERT_EQ(glGetError(), kNoError);
    }
    void TearDown() override { context.destroy(); }

    EglContext context;
};
