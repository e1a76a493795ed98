// Render targets: the objects creation leaves behind, the status report texts,
// and what binding changes.
#include <GL/glew.h>

#include <string>

#include "graphics/graphics.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/output_capture.h"
#include "tests/support/scoped_override.h"

namespace {

class RenderTarget : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        gfx.init(context.window_handle(), context.device_context());
    }

    static GLint attachment(GLenum target, GLenum point, GLenum pname) {
        GLint value = 0;
        glGetFramebufferAttachmentParameteriv(target, point, pname, &value);
        return value;
    }

    Graphics gfx{};
    GLuint framebuffer = 0, color = 0, depth = 0;
};

TEST_F(RenderTarget, ShadowSizedTargetIsCompleteAndUnboundForDrawing) {
    // Something bound on a non-default unit beforehand: creation works there.
    glActiveTexture(GL_TEXTURE2);
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);

    OutputCapture out(stdout);
    EXPECT_EQ(gfx.create_render_target(2048, 2048, &framebuffer, &color, &depth), 0);
    EXPECT_EQ(out.finish(), "");
    EXPECT_NE(framebuffer, 0u);
    EXPECT_NE(color, depth);

    EXPECT_EQ(get_integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(get_integer(GL_READ_FRAMEBUFFER_BINDING), static_cast<GLint>(framebuffer));
    EXPECT_EQ(get_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE2);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), 0);
    EXPECT_EQ(glCheckFramebufferStatus(GL_READ_FRAMEBUFFER),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    EXPECT_EQ(attachment(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                         GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
              static_cast<GLint>(color));
    EXPECT_EQ(
        attachment(GL_READ_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
        static_cast<GLint>(depth));
    EXPECT_EQ(attachment(GL_READ_FRAMEBUFFER, GL_STENCIL_ATTACHMENT,
                         GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE),
              GL_NONE);

    glBindTexture(GL_TEXTURE_2D, color);
    EXPECT_EQ(tex_level_parameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 2048);
    EXPECT_EQ(tex_level_parameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 2048);
    EXPECT_EQ(tex_level_parameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL), 0);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL), 0);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), GL_CLAMP);

    glBindTexture(GL_TEXTURE_2D, depth);
    EXPECT_EQ(tex_level_parameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 2048);
    EXPECT_EQ(tex_level_parameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 2048);
    EXPECT_EQ(tex_level_parameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT),
              GL_DEPTH_COMPONENT);
    EXPECT_GT(tex_level_parameter(GL_TEXTURE_2D, 0, GL_TEXTURE_DEPTH_SIZE), 0);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), GL_CLAMP);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE), GL_NONE);
    EXPECT_EQ(tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL), 1000);  // default

    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &other);
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderTarget, IncompleteTargetReportsWithoutLineBreaksAndStaysBound) {
    // Zero-sized images make both attachments incomplete.
    OutputCapture out(stdout);
    EXPECT_EQ(gfx.create_render_target(0, 0, &framebuffer, &color, &depth), -1);
    std::printf("|");
    EXPECT_EQ(out.finish(), "Render to texture failedGL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT|");
    EXPECT_NE(framebuffer, 0u);
    EXPECT_EQ(glIsTexture(color), GL_TRUE);
    EXPECT_EQ(glIsTexture(depth), GL_TRUE);
    EXPECT_EQ(get_integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(framebuffer));
    EXPECT_EQ(get_integer(GL_READ_FRAMEBUFFER_BINDING), static_cast<GLint>(framebuffer));
}

TEST_F(RenderTarget, FramebufferWithoutAttachmentsIsReported) {
    GLuint empty = 0;
    glGenFramebuffers(1, &empty);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, empty);
    OutputCapture out(stdout);
    EXPECT_EQ(gfx.check_framebuffer_status(), -1);
    EXPECT_EQ(out.finish(), "Render to texture failedGL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT");
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    OutputCapture quiet(stdout);
    EXPECT_EQ(gfx.check_framebuffer_status(), 0);
    EXPECT_EQ(quiet.finish(), "");
}

GLenum forced_status = 0;
GLenum GLAPIENTRY forced_check_status(GLenum) {
    return forced_status;
}

TEST_F(RenderTarget, EveryStatusPrintsItsName) {
    // The driver cannot be made to produce each status, so the query answers
    // what the test asks for.
    ScopedOverride<PFNGLCHECKFRAMEBUFFERSTATUSPROC> hook(__glewCheckFramebufferStatus,
                                                         &forced_check_status);
    const struct {
        GLenum status;
        const char* text;
    } cases[] = {
        {0x8219, "Render to texture failedGL_FRAMEBUFFER_UNDEFINED"},
        {0x8CD6, "Render to texture failedGL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT"},
        {0x8CD7, "Render to texture failedGL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT"},
        {0x8CDB, "Render to texture failedGL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER"},
        {0x8CDC, "Render to texture failedGL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER"},
        {0x8CDD, "Render to texture failedGL_FRAMEBUFFER_UNSUPPORTED"},
        {0x8D56, "Render to texture failedGL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE"},
        {0x8DA8, "Render to texture failedGL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS"},
        {0, "Render to texture failed"},
        {0x8CD8, "Render to texture failed"},  // a status outside the table
    };
    for (const auto& c : cases) {
        forced_status = c.status;
        OutputCapture out(stdout);
        EXPECT_EQ(gfx.check_framebuffer_status(), -1) << std::hex << c.status;
        EXPECT_EQ(out.finish(), c.text) << std::hex << c.status;
    }
    forced_status = GL_FRAMEBUFFER_UNSUPPORTED;
    OutputCapture out(stdout);
    EXPECT_EQ(gfx.create_render_target(16, 16, &framebuffer, &color, &depth), -1);
    EXPECT_EQ(out.finish(), "Render to texture failedGL_FRAMEBUFFER_UNSUPPORTED");
    EXPECT_EQ(get_integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(framebuffer));
}

TEST_F(RenderTarget, BindingSelectsTheColourAttachmentOnlyForATarget) {
    ASSERT_EQ(gfx.create_render_target(16, 16, &framebuffer, &color, &depth), 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glDrawBuffer(GL_NONE);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    const GLint window_draw_buffer = get_integer(GL_DRAW_BUFFER);
    GLint viewport_before[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport_before);

    gfx.bind_render_target(framebuffer);
    EXPECT_EQ(get_integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(framebuffer));
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0);

    // glDrawBuffers(GL_COLOR_ATTACHMENT0) on the window would be an error.
    gfx.bind_render_target(0);
    EXPECT_EQ(get_integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER), window_draw_buffer);
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));

    GLint viewport_after[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport_after);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(viewport_after[i], viewport_before[i]);
}

TEST_F(RenderTarget, AttachReplacesTexturesWithoutChecking) {
    ASSERT_EQ(gfx.create_render_target(16, 16, &framebuffer, &color, &depth), 0);
    GLuint second = 0, second_color = 0, second_depth = 0;
    ASSERT_EQ(gfx.create_render_target(16, 16, &second, &second_color, &second_depth), 0);
    gfx.bind_render_target(framebuffer);

    OutputCapture out(stdout);
    gfx.attach_color_texture(second_color);
    gfx.attach_depth_texture(0);  // leaves a target without depth, unreported
    EXPECT_EQ(out.finish(), "");
    EXPECT_EQ(attachment(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                         GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
              static_cast<GLint>(second_color));
    EXPECT_EQ(
        attachment(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE),
        GL_NONE);
    gfx.attach_depth_texture(second_depth);
    EXPECT_EQ(
        attachment(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
        static_cast<GLint>(second_depth));
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
