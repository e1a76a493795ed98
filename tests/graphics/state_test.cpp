// Initial state, frame operations and the name-keyed setters, read back from
// the context.
#include <GL/glew.h>

#include "graphics/graphics.h"
#include "tests/support/gl_fixture.h"

namespace {

class GraphicsState : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        gfx.init(context.window_handle(), context.device_context());
    }

    static bool enabled(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }

    Graphics gfx{};
};

TEST_F(GraphicsState, InitSetsPipelineState) {
    EXPECT_EQ(gfx.hwnd, *context.window_handle());
    EXPECT_EQ(gfx.hdc, *context.device_context());

    GLfloat clear_color[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear_color);
    EXPECT_EQ(clear_color[0], 0.25f);
    EXPECT_EQ(clear_color[1], 0.25f);
    EXPECT_EQ(clear_color[2], 0.25f);
    EXPECT_EQ(clear_color[3], 1.0f);
    EXPECT_EQ(get_integer(GL_STENCIL_CLEAR_VALUE), 0);
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_EQ(get_integer(GL_FRONT_FACE), GL_CW);
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_EQ(get_integer(GL_BLEND_SRC_RGB), GL_ONE);
    EXPECT_EQ(get_integer(GL_BLEND_SRC_ALPHA), GL_ONE);
    EXPECT_EQ(get_integer(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(get_integer(GL_BLEND_DST_ALPHA), GL_ONE_MINUS_SRC_ALPHA);
    // Left at OpenGL's defaults.
    EXPECT_EQ(get_integer(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(get_integer(GL_DEPTH_FUNC), GL_LESS);

    for (GLuint i = 0; i < 8; ++i) {
        GLint on = -1;
        glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &on);
        EXPECT_EQ(on, i < 6 ? GL_TRUE : GL_FALSE) << "attribute " << i;
    }
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GraphicsState, ResizePassesZeroHeightAsOne) {
    GLint viewport[4] = {};
    gfx.resize(800, 0);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 1);
    EXPECT_EQ(gfx.width, 800);
    EXPECT_EQ(gfx.height, 0);

    gfx.resize(640, 480);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    EXPECT_EQ(gfx.height, 480);
}

void count_present(void* user) {
    *static_cast<int*>(user) += 1;
}

TEST_F(GraphicsState, SwapPresentsThroughTheDeviceContext) {
    gfx.swap();
    EXPECT_EQ(context.present_count(), 1u);
    EXPECT_EQ(context.present_ok_count(), 1u);

    // Any host's surface: the one operation it supplies is what swap calls.
    int presents = 0;
    PresentSurface surface;
    surface.present = &count_present;
    surface.user = &presents;
    WindowHandle window = nullptr;
    DeviceContext device = &surface;
    Graphics other{};
    other.init(&window, &device);
    other.swap();
    other.swap();
    EXPECT_EQ(presents, 2);
    EXPECT_EQ(context.present_count(), 1u);
}

TEST_F(GraphicsState, ClearWritesAllThreeBuffersAndClearDepthOnlyDepth) {
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(0.25);
    glClearStencil(7);
    gfx.clear();
    GLubyte rgba[4] = {};
    GLfloat depth = 0;
    GLubyte stencil = 0;
    auto read_back = [&] {
        glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        glReadPixels(5, 5, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
    };
    read_back();
    EXPECT_EQ(rgba[0], 255);
    EXPECT_EQ(rgba[1], 0);
    EXPECT_NEAR(depth, 0.25f, 1e-6f);
    EXPECT_EQ(stencil, 7);

    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClearStencil(3);
    gfx.clear_depth();
    read_back();
    EXPECT_EQ(rgba[0], 255);
    EXPECT_EQ(rgba[1], 0);
    EXPECT_EQ(depth, 1.0f);
    EXPECT_EQ(stencil, 7);
}

TEST_F(GraphicsState, SwitchesAndMasks) {
    gfx.blend(true);
    EXPECT_TRUE(enabled(GL_BLEND));
    gfx.blend(false);
    EXPECT_FALSE(enabled(GL_BLEND));
    gfx.stencil(true);
    EXPECT_TRUE(enabled(GL_STENCIL_TEST));
    gfx.stencil(false);
    EXPECT_FALSE(enabled(GL_STENCIL_TEST));

    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    gfx.blend_func();
    EXPECT_EQ(get_integer(GL_BLEND_SRC_RGB), GL_ONE);
    EXPECT_EQ(get_integer(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);

    GLboolean mask[4] = {};
    gfx.color_mask(false);
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    for (GLboolean b : mask) EXPECT_EQ(b, GL_FALSE);
    gfx.color_mask(true);
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    for (GLboolean b : mask) EXPECT_EQ(b, GL_TRUE);

    GLboolean depth_mask = GL_TRUE;
    gfx.depth_mask(false);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_mask);
    EXPECT_EQ(depth_mask, GL_FALSE);
    gfx.depth_mask(true);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_mask);
    EXPECT_EQ(depth_mask, GL_TRUE);
}

TEST_F(GraphicsState, CullFaceSelectsBackOnlyForExactlyBack) {
    const struct {
        const char* name;
        GLint before;
        GLint after;
    } cases[] = {{"back", GL_FRONT, GL_BACK},
                 {"front", GL_BACK, GL_FRONT},
                 {"Back", GL_BACK, GL_FRONT},
                 {"", GL_BACK, GL_FRONT},
                 {"back ", GL_BACK, GL_FRONT}};
    for (const auto& c : cases) {
        glCullFace(static_cast<GLenum>(c.before));
        gfx.cull_face(c.name);
        EXPECT_EQ(get_integer(GL_CULL_FACE_MODE), c.after) << '"' << c.name << '"';
    }
}

TEST_F(GraphicsState, DepthFuncChangesOnlyForKnownNames) {
    const struct {
        const char* name;
        GLint after;
    } cases[] = {{"<=", GL_LEQUAL},
                 {"<", GL_LESS},
                 {"==", GL_GREATER},
                 {">=", GL_GREATER},
                 {"< ", GL_GREATER}};
    for (const auto& c : cases) {
        glDepthFunc(GL_GREATER);
        gfx.depth_func(c.name);
        EXPECT_EQ(get_integer(GL_DEPTH_FUNC), c.after) << '"' << c.name << '"';
    }
}

TEST_F(GraphicsState, StencilFuncPassesReferenceAndMask) {
    gfx.stencil_func("always", 5, 0xF0u);
    EXPECT_EQ(get_integer(GL_STENCIL_FUNC), GL_ALWAYS);
    EXPECT_EQ(get_integer(GL_STENCIL_REF), 5);
    EXPECT_EQ(get_integer(GL_STENCIL_VALUE_MASK), 0xF0);

    gfx.stencil_func("equal", 3, 0x0Fu);
    EXPECT_EQ(get_integer(GL_STENCIL_FUNC), GL_EQUAL);
    EXPECT_EQ(get_integer(GL_STENCIL_REF), 3);
    EXPECT_EQ(get_integer(GL_STENCIL_VALUE_MASK), 0x0F);

    for (const char* unknown : {"never", "Always", ""}) {
        gfx.stencil_func(unknown, 9, 0x1u);
        EXPECT_EQ(get_integer(GL_STENCIL_FUNC), GL_EQUAL) << unknown;
        EXPECT_EQ(get_integer(GL_STENCIL_REF), 3) << unknown;
    }
}

TEST_F(GraphicsState, StencilOpReadsOnlyItsLastName) {
    const struct {
        const char* first;
        const char* second;
        const char* name;
        GLint pass;
    } cases[] = {{"decr", "decr", "incr", GL_INCR},
                 {"incr", "keep", "decr", GL_DECR},
                 {"incr", "incr", "keep", GL_KEEP}};
    for (const auto& c : cases) {
        glStencilOp(GL_ZERO, GL_INVERT, GL_REPLACE);
        gfx.stencil_op(c.first, c.second, c.name);
        EXPECT_EQ(get_integer(GL_STENCIL_FAIL), GL_KEEP) << c.name;
        EXPECT_EQ(get_integer(GL_STENCIL_PASS_DEPTH_FAIL), GL_KEEP) << c.name;
        EXPECT_EQ(get_integer(GL_STENCIL_PASS_DEPTH_PASS), c.pass) << c.name;
    }
    glStencilOp(GL_ZERO, GL_INVERT, GL_REPLACE);
    gfx.stencil_op("incr", "incr", "zero");
    EXPECT_EQ(get_integer(GL_STENCIL_FAIL), GL_ZERO);
    EXPECT_EQ(get_integer(GL_STENCIL_PASS_DEPTH_PASS), GL_REPLACE);
}

}  // namespace
