// Initial state, frame operations and the name-keyed setters, read back from
// the context.
#include <GL/glew.h>

#include "tests/graphics/draw_support.h"

namespace {

using GraphicsState = GraphicsTest;

TEST_F(GraphicsState, InitSetsPipelineState) {
    EXPECT_EQ(gfx.hwnd, *context.window_handle());
    EXPECT_EQ(gfx.hdc, *context.device_context());
    GLfloat clear_color[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear_color);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(clear_color[i], i < 3 ? 0.25f : 1.0f) << i;
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE) && !glIsEnabled(GL_BLEND));
    const GLenum pnames[5] = {GL_FRONT_FACE, GL_BLEND_SRC_RGB, GL_BLEND_SRC_ALPHA, GL_BLEND_DST_RGB,
                              GL_BLEND_DST_ALPHA};
    const GLint values[5] = {GL_CW, GL_ONE, GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(get_integer(pnames[i]), values[i]) << std::hex << pnames[i];
    for (GLuint i = 0; i < 8; ++i)
        EXPECT_EQ(query(glGetVertexAttribiv, i, GL_VERTEX_ATTRIB_ARRAY_ENABLED), i < 6) << i;
    EXPECT_EQ(glGetError(), kNoError);
}

TEST_F(GraphicsState, ResizeSwapAndClear) {
    gfx.resize(800, 0);  // a zero height reaches the viewport as 1
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_TRUE(viewport[0] == 0 && viewport[1] == 0 && viewport[2] == 800 && viewport[3] == 1);
    EXPECT_TRUE(gfx.width == 800 && gfx.height == 0);
    gfx.swap();
    EXPECT_EQ(context.present_ok_count(), 1u);

    // clear takes colour, depth and stencil; clear_depth only depth.
    GLubyte red = 0, stencil = 0;
    GLfloat depth = 0;
    for (bool all : {true, false}) {
        glClearColor(all ? 1.0f : 0.0f, 0, 0, 1);
        glClearDepth(all ? 0.5 : 1.0);
        glClearStencil(all ? 4 : 8);
        all ? gfx.clear() : gfx.clear_depth();
        glReadPixels(5, 5, 1, 1, GL_RED, GL_UNSIGNED_BYTE, &red);
        glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        glReadPixels(5, 5, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
        EXPECT_EQ(red, 255) << all;
        EXPECT_NEAR(depth, all ? 0.5f : 1.0f, 1e-6f) << all;
        EXPECT_EQ(stencil, 4) << all;
    }
}

TEST_F(GraphicsState, SwitchesMasksAndBlendFunc) {
    for (bool on : {true, false}) {
        SCOPED_TRACE(on);
        gfx.blend(on);
        gfx.stencil(on);
        gfx.color_mask(on);
        gfx.depth_mask(on);
        EXPECT_EQ(glIsEnabled(GL_BLEND), on);
        EXPECT_EQ(glIsEnabled(GL_STENCIL_TEST), on);
        GLboolean color[4] = {}, depth = !on;
        glGetBooleanv(GL_COLOR_WRITEMASK, color);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depth);
        for (GLboolean b : color) EXPECT_EQ(b, on);
        EXPECT_EQ(depth, on);
    }
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    gfx.blend_func();
    EXPECT_EQ(get_integer(GL_BLEND_SRC_RGB), GL_ONE);
    EXPECT_EQ(get_integer(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);
}

TEST_F(GraphicsState, CullFaceAndDepthFuncMatchNamesExactly) {
    // From a state neither setter produces: an unknown depth name changes nothing.
    const struct {
        void (Graphics::*set)(const char*);
        const char* name;
        GLenum pname;
        GLint value;
    } cases[] = {{&Graphics::cull_face, "back", GL_CULL_FACE_MODE, GL_BACK},
                 {&Graphics::cull_face, "front", GL_CULL_FACE_MODE, GL_FRONT},
                 {&Graphics::cull_face, "Back", GL_CULL_FACE_MODE, GL_FRONT},
                 {&Graphics::cull_face, "back ", GL_CULL_FACE_MODE, GL_FRONT},
                 {&Graphics::cull_face, nullptr, GL_CULL_FACE_MODE, GL_FRONT},
                 {&Graphics::depth_func, "<=", GL_DEPTH_FUNC, GL_LEQUAL},
                 {&Graphics::depth_func, "<", GL_DEPTH_FUNC, GL_LESS},
                 {&Graphics::depth_func, "==", GL_DEPTH_FUNC, GL_GREATER},
                 {&Graphics::depth_func, "< ", GL_DEPTH_FUNC, GL_GREATER}};
    for (const auto& c : cases) {
        glCullFace(GL_FRONT_AND_BACK);
        glDepthFunc(GL_GREATER);
        (gfx.*c.set)(c.name);
        EXPECT_EQ(get_integer(c.pname), c.value) << '"' << c.name << '"';
    }
}

TEST_F(GraphicsState, StencilFuncAndOpMatchNamesExactly) {
    gfx.stencil_func("always", 5, 0xF0u);
    EXPECT_EQ(get_integer(GL_STENCIL_FUNC), GL_ALWAYS);
    gfx.stencil_func("equal", 3, 0x0Fu);
    gfx.stencil_func("Always", 9, 0x1u);  // unknown: nothing changes
    gfx.stencil_func(nullptr, 9, 0x1u);
    EXPECT_EQ(get_integer(GL_STENCIL_FUNC), GL_EQUAL);
    EXPECT_EQ(get_integer(GL_STENCIL_REF), 3);
    EXPECT_EQ(get_integer(GL_STENCIL_VALUE_MASK), 0x0F);

    // Only the last name counts; an unknown one changes nothing.
    const struct {
        const char *first, *second, *name;
        GLint fail, pass;
    } cases[] = {{"decr", "decr", "incr", GL_KEEP, GL_INCR},
                 {"incr", "keep", "decr", GL_KEEP, GL_DECR},
                 {"incr", "incr", "keep", GL_KEEP, GL_KEEP},
                 {"incr", "incr", "zero", GL_ZERO, GL_REPLACE}};
    for (const auto& c : cases) {
        glStencilOp(GL_ZERO, GL_INVERT, GL_REPLACE);
        gfx.stencil_op(c.first, c.second, c.name);
        EXPECT_EQ(get_integer(GL_STENCIL_FAIL), c.fail) << c.name;
        EXPECT_EQ(get_integer(GL_STENCIL_PASS_DEPTH_FAIL), c.fail == GL_KEEP ? GL_KEEP : GL_INVERT)
            << c.name;
        EXPECT_EQ(get_integer(GL_STENCIL_PASS_DEPTH_PASS), c.pass) << c.name;
    }
}

}  // namespace
