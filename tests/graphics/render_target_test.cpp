// Render targets: the objects creation leaves behind, the status report texts,
// and what binding changes.
#include <GL/glew.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "tests/graphics/draw_support.h"
#include "tests/support/output_capture.h"
#include "tests/support/scoped_override.h"

namespace {

class RenderTarget : public GraphicsTest {
  protected:
    static GLint attachment(GLenum point, GLenum pname) {
        return query(glGetFramebufferAttachmentParameteriv, GL_FRAMEBUFFER, point, pname);
    }

    GLuint framebuffer = 0, color = 0, depth = 0;
};

TEST_F(RenderTarget, ShadowSizedTargetIsCompleteAndUnboundForDrawing) {
    glActiveTexture(GL_TEXTURE2);  // creation works on whatever unit is active
    OutputCapture out(stdout);
    EXPECT_EQ(gfx.create_render_target(2048, 2048, &framebuffer, &color, &depth), 0);
    EXPECT_EQ(out.finish(), "");
    EXPECT_EQ(get_integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(get_integer(GL_READ_FRAMEBUFFER_BINDING), static_cast<GLint>(framebuffer));
    EXPECT_EQ(get_integer(GL_ACTIVE_TEXTURE), GL_TEXTURE2);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), 0);

    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
              GLint(color));
    EXPECT_EQ(attachment(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME), GLint(depth));
    EXPECT_EQ(attachment(GL_STENCIL_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE), GL_NONE);

    using Params = std::initializer_list<std::pair<GLenum, GLint>>;
    auto expect_texture = [](const char* which, GLuint texture, GLint format, Params params) {
        SCOPED_TRACE(which);
        glBindTexture(GL_TEXTURE_2D, texture);
        EXPECT_EQ(query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 2048);
        EXPECT_EQ(query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 2048);
        EXPECT_EQ(query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT),
                  format);
        for (const auto& p : params)
            EXPECT_EQ(query(glGetTexParameteriv, GL_TEXTURE_2D, p.first), p.second)
                << std::hex << p.first;
    };
    expect_texture("colour", color, GL_RGB,
                   {{GL_TEXTURE_BASE_LEVEL, 0},
                    {GL_TEXTURE_MAX_LEVEL, 0},
                    {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                    {GL_TEXTURE_MIN_FILTER, GL_LINEAR},
                    {GL_TEXTURE_WRAP_S, GL_CLAMP},
                    {GL_TEXTURE_WRAP_T, GL_CLAMP}});
    // The depth texture keeps the default level range.
    expect_texture("depth", depth, GL_DEPTH_COMPONENT,
                   {{GL_TEXTURE_MIN_FILTER, GL_NEAREST},
                    {GL_TEXTURE_MAG_FILTER, GL_NEAREST},
                    {GL_TEXTURE_WRAP_S, GL_CLAMP},
                    {GL_TEXTURE_WRAP_T, GL_CLAMP},
                    {GL_TEXTURE_COMPARE_MODE, GL_NONE},
                    {GL_TEXTURE_MAX_LEVEL, 1000}});
    EXPECT_EQ(glGetError(), kNoError);
}

TEST_F(RenderTarget, IncompleteTargetReportsWithoutLineBreaksAndStaysBound) {
    // Zero-sized images make both attachments incomplete.
    OutputCapture out(stdout);
    EXPECT_EQ(gfx.create_render_target(0, 0, &framebuffer, &color, &depth), -1);
    EXPECT_EQ(out.finish(), "Render to texture failedGL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT");
    EXPECT_NE(framebuffer, 0u);
    EXPECT_EQ(get_integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(framebuffer));
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
        const char* name;
    } cases[] = {{0x8219, "GL_FRAMEBUFFER_UNDEFINED"},
                 {0x8CD6, "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT"},
                 {0x8CD7, "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT"},
                 {0x8CDB, "GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER"},
                 {0x8CDC, "GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER"},
                 {0x8CDD, "GL_FRAMEBUFFER_UNSUPPORTED"},
                 {0x8D56, "GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE"},
                 {0x8DA8, "GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS"},
                 {0, ""},
                 {0x8CD8, ""}};  // the last two are outside the table
    for (const auto& c : cases) {
        forced_status = c.status;
        OutputCapture out(stdout);
        EXPECT_EQ(gfx.check_framebuffer_status(), -1) << std::hex << c.status;
        EXPECT_EQ(out.finish(), std::string("Render to texture failed") + c.name)
            << std::hex << c.status;
    }
}

TEST_F(RenderTarget, BindingSetsTheDrawBufferOnlyForATargetAndAttachDoesNotCheck) {
    GLuint second = 0, second_color = 0, second_depth = 0;
    ASSERT_EQ(gfx.create_render_target(16, 16, &framebuffer, &color, &depth), 0);
    ASSERT_EQ(gfx.create_render_target(16, 16, &second, &second_color, &second_depth), 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glDrawBuffer(GL_NONE);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    const GLint window_draw_buffer = get_integer(GL_DRAW_BUFFER);
    gfx.bind_render_target(framebuffer);
    EXPECT_EQ(get_integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(framebuffer));
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0);

    OutputCapture out(stdout);
    gfx.attach_color_texture(second_color);
    gfx.attach_depth_texture(0);  // leaves a target without depth, unreported
    EXPECT_EQ(out.finish(), "");
    EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
              GLint(second_color));
    EXPECT_EQ(attachment(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE), GL_NONE);
    gfx.attach_depth_texture(second_depth);
    EXPECT_EQ(attachment(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
              GLint(second_depth));

    // glDrawBuffers(GL_COLOR_ATTACHMENT0) on the window would be an error.
    gfx.bind_render_target(0);
    EXPECT_EQ(get_integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER), window_draw_buffer);
    EXPECT_EQ(glGetError(), kNoError);
}

}  // namespace
