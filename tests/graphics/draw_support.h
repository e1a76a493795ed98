// Shared by the graphics tests.
#pragma once

#include <GL/glew.h>

#include "graphics/graphics.h"
#include "tests/support/gl_fixture.h"

// A fresh context with an initialised Graphics on it.
class GraphicsTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        gfx.init(context.window_handle(), context.device_context());
    }

    Graphics gfx{};
};

// A linked program: position from attribute 0, the integer colour of attribute 4
// written out as red (value / 255).
GLuint build_test_program();

// Expects attributes 0-5 to read back as the 60-byte Vertex layout sourced from buffer.
void expect_vertex_layout(GLuint buffer);
