#include "host/egl_context.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <link.h>

#include <set>
#include <string>

namespace {

std::set<std::string> loaded_modules() {
    std::set<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            static_cast<std::set<std::string>*>(data)->insert(info->dlpi_name);
            return 0;
        },
        &names);
    return names;
}

}  // namespace

// The context the GL tests and the headless host stand on: what the system
// needs from it must really be there.
TEST(EglContext, GivesCurrentCompatibilityContextWithWindowFramebuffer) {
    EglContext context;
    ASSERT_TRUE(context.create(40, 24)) << context.error();
    EXPECT_TRUE(context.valid());
    EXPECT_EQ(context.width(), 40);
    EXPECT_EQ(context.height(), 24);

    GLint major = 0, minor = 0, profile = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_GE(major * 10 + minor, 32);
    EXPECT_NE(profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT, 0);

    // Legacy clamp and immediate mode exist only in the compatibility profile.
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glBegin(GL_TRIANGLES);
    glVertex3f(0, 0, 0);
    glEnd();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // Framebuffer 0 is the pbuffer: complete, sized, with depth and stencil.
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 40);
    EXPECT_EQ(viewport[3], 24);
    GLint depth_bits = 0, stencil_bits = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH,
                                          GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &depth_bits);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_STENCIL,
                                          GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE, &stencil_bits);
    EXPECT_EQ(depth_bits, 24);
    EXPECT_EQ(stencil_bits, 8);
}

TEST(EglContext, PresentsThroughItsDeviceContext) {
    EglContext context;
    ASSERT_TRUE(context.create(16, 16)) << context.error();
    EXPECT_EQ(*context.window_handle(), nullptr);
    ASSERT_NE(*context.device_context(), nullptr);
    present_back_buffer(*context.device_context());
    present_back_buffer(*context.device_context());
    EXPECT_EQ(context.present_count(), 2u);
    EXPECT_EQ(context.present_ok_count(), 2u);
}

TEST(EglContext, TearsDownAndCreatesAgain) {
    EglContext context;
    ASSERT_TRUE(context.create(16, 16)) << context.error();
    const std::set<std::string> with_driver = loaded_modules();
    context.destroy();
    // The driver stays mapped, so leak reports can still name its frames.
    EXPECT_EQ(loaded_modules(), with_driver);
    EXPECT_FALSE(context.valid());
    EXPECT_EQ(glGetString(GL_VERSION), nullptr);  // nothing current any more
    context.destroy();                            // a second teardown is harmless
    EXPECT_FALSE(context.make_current());
    ASSERT_TRUE(context.create(8, 8)) << context.error();
    EXPECT_NE(glGetString(GL_VERSION), nullptr);
}

TEST(EglContext, RejectsEmptySurfaceWithMessage) {
    EglContext context;
    EXPECT_FALSE(context.create(0, 16));
    EXPECT_FALSE(context.valid());
    EXPECT_EQ(context.error(), "EGL context: the surface size must be positive");
}
