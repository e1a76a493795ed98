// check_error and get_debug_log against the context's real error flag and
// debug-message log.
#include <GL/glew.h>

#include <filesystem>
#include <string>

#include "graphics/graphics.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/output_capture.h"
#include "tests/support/scoped_override.h"
#include "tests/support/temp_dir.h"

namespace {

class Diagnostics : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        // Without a debug context the log records only while debug output is on.
        glEnable(GL_DEBUG_OUTPUT);
    }

    static void insert(GLenum type, GLuint id, GLenum severity, const std::string& text) {
        glDebugMessageInsert(GL_DEBUG_SOURCE_APPLICATION, type, id, severity, -1, text.c_str());
    }

    std::string debug_log_output() {
        OutputCapture out(stdout);
        gfx.get_debug_log();
        return out.finish();
    }

    ScopedTempDir dir;
    Graphics gfx{};
};

// The draw tests show the text before a draw; here, what it returns.
TEST_F(Diagnostics, CheckErrorPrintsOneCodeAndTakesIt) {
    glLineWidth(-1.0f);
    OutputCapture out(stdout);
    EXPECT_TRUE(gfx.check_error());
    EXPECT_FALSE(gfx.check_error());
    EXPECT_EQ(out.finish(), "GL_ERROR 1281\n");
}

TEST_F(Diagnostics, DebugLogWritesEachMessageInOrder) {
    insert(GL_DEBUG_TYPE_MARKER, 1, GL_DEBUG_SEVERITY_NOTIFICATION, "first");
    insert(GL_DEBUG_TYPE_ERROR, 22, GL_DEBUG_SEVERITY_HIGH, "second message");
    insert(GL_DEBUG_TYPE_OTHER, 333, GL_DEBUG_SEVERITY_MEDIUM, "");  // low is filtered by default
    EXPECT_EQ(debug_log_output(), "");
    EXPECT_EQ(read_file("error.log"),
              "source 33354 type 33384 id 1 severity 33387 msg [first]\n"
              "source 33354 type 33356 id 22 severity 37190 msg [second message]\n"
              "source 33354 type 33361 id 333 severity 37191 msg []\n");
    EXPECT_EQ(get_integer(GL_DEBUG_LOGGED_MESSAGES), 0);
}

TEST_F(Diagnostics, DebugLogTakesOnlyWhatFitsInItsTextBuffer) {
    // 1501 bytes each with the NUL: two fit in 4096, the third waits.
    for (char c : {'a', 'b', 'c'})
        insert(GL_DEBUG_TYPE_MARKER, 7, GL_DEBUG_SEVERITY_NOTIFICATION, std::string(1500, c));
    const std::string line = "source 33354 type 33384 id 7 severity 33387 msg [";
    gfx.get_debug_log();
    EXPECT_EQ(read_file("error.log"),
              line + std::string(1500, 'a') + "]\n" + line + std::string(1500, 'b') + "]\n");
    EXPECT_EQ(get_integer(GL_DEBUG_LOGGED_MESSAGES), 1);
    gfx.get_debug_log();  // the file is rewritten, not appended to
    EXPECT_EQ(read_file("error.log"), line + std::string(1500, 'c') + "]\n");
}

TEST_F(Diagnostics, UnopenableErrorLogIsReportedAndWritesNothing) {
    // Root ignores directory permissions: a directory in the file's place
    // cannot be opened for writing by anyone.
    std::filesystem::create_directory("error.log");
    insert(GL_DEBUG_TYPE_MARKER, 1, GL_DEBUG_SEVERITY_NOTIFICATION, "lost");
    EXPECT_EQ(debug_log_output(), "Unable to open error.log\n");
    EXPECT_TRUE(std::filesystem::is_empty("error.log"));
}

TEST_F(Diagnostics, MissingDebugLogEntryPointIsReported) {
    ScopedOverride<PFNGLGETDEBUGMESSAGELOGPROC> unloaded(__glewGetDebugMessageLog, nullptr);
    insert(GL_DEBUG_TYPE_MARKER, 1, GL_DEBUG_SEVERITY_NOTIFICATION, "kept");
    EXPECT_EQ(debug_log_output(), "glGetDebugMessageLog is not available\n");
    EXPECT_FALSE(std::filesystem::exists("error.log"));
    EXPECT_EQ(get_integer(GL_DEBUG_LOGGED_MESSAGES), 1);
}

}  // namespace
