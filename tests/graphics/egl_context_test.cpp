// The context the GL tests and the headless host stand on: what the system
// needs from it must really be there.
#include "host/egl_context.h"

#include <link.h>

#include <set>
#include <string>

#include "tests/support/gl_fixture.h"

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

TEST(EglContext, GivesCompatibilityContextWithDepthAndStencilInFramebufferZero) {
    EglContext context;
    ASSERT_TRUE(context.create(40, 24)) << context.error();
    EXPECT_TRUE(context.valid() && context.width() == 40 && context.height() == 24);
    EXPECT_GE(get_integer(GL_MAJOR_VERSION) * 10 + get_integer(GL_MINOR_VERSION), 32);
    EXPECT_NE(get_integer(GL_CONTEXT_PROFILE_MASK) & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT, 0);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    EXPECT_EQ(query(glGetFramebufferAttachmentParameteriv, GL_FRAMEBUFFER, GL_DEPTH,
                    GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE),
              24);
    EXPECT_EQ(query(glGetFramebufferAttachmentParameteriv, GL_FRAMEBUFFER, GL_STENCIL,
                    GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE),
              8);
    EXPECT_EQ(*context.window_handle(), nullptr);
    present_back_buffer(*context.device_context());
    EXPECT_EQ(context.present_ok_count(), 1u);
}

TEST(EglContext, TearsDownAndCreatesAgain) {
    EglContext context;
    EXPECT_FALSE(context.create(0, 16));
    EXPECT_EQ(context.error(), "EGL context: the surface size must be positive");
    ASSERT_TRUE(context.create(16, 16)) << context.error();
    const std::set<std::string> with_driver = loaded_modules();
    context.destroy();
    // The driver stays mapped, so leak reports can still name its frames.
    EXPECT_EQ(loaded_modules(), with_driver);
    EXPECT_FALSE(context.valid());
    EXPECT_EQ(glGetString(GL_VERSION), nullptr);  // nothing current any more
    context.destroy();                            // a second teardown is harmless
    ASSERT_TRUE(context.create(8, 8)) << context.error();
    EXPECT_NE(glGetString(GL_VERSION), nullptr);
}

}  // namespace
