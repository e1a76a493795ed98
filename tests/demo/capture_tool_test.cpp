// The capture tool as a user runs it: a separate process in a directory of
// its own, its exit status, its messages and the picture it writes.
#include <png.h>
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/demo/scene_probe.h"
#include "tests/support/temp_dir.h"

namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

// Runs the tool in the working directory; `env` is prefixed to its command line.
Result run_capture(const std::string& args, const std::string& env = "") {
    const std::string command =
        env + " " + SHADOW_CAPTURE_PATH + " " + args + " >tool.out 2>tool.err";
    const int status = std::system(command.c_str());
    Result r;
    if (status != -1 && WIFEXITED(status)) r.status = WEXITSTATUS(status);
    r.out = read_file("tool.out");
    r.err = read_file("tool.err");
    return r;
}

// Bottom row first, as the GL rows are addressed elsewhere in these tests.
bool read_png(const std::string& path, Image& out) {
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return false;
    image.format = PNG_FORMAT_RGB;
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    const png_int_32 stride = -static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(image));
    return png_image_finish_read(&image, nullptr, out.rgb.data(), stride, nullptr) != 0;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

using ::testing::HasSubstr;

// Each case runs in a fresh directory holding the shaders.
class CaptureToolTest : public ::testing::Test {
  protected:
    void SetUp() override { copy_shaders_here(); }

    ScopedTempDir dir;
    Image image{0, 0, {}};
};

}  // namespace

TEST_F(CaptureToolTest, WritesTheFrameAfterTheTicks) {
    const Result r = run_capture("--size 160x120 --ticks 125 --out shot.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.out, "Shutting down.\n"), 1u) << r.out;
    EXPECT_THAT(r.out, HasSubstr("wrote shot.png (160x120, 1 bodies)"));
    EXPECT_FALSE(std::filesystem::exists("shot.png.tmp"));
    ASSERT_TRUE(read_png("shot.png", image));
    ASSERT_EQ(std::make_pair(image.width, image.height), std::make_pair(160, 120));
    // Floor at the bottom, clear colour at the top, and the one red box just
    // after its spawn.
    EXPECT_TRUE(is_floor_green(image.at(80, 0))) << describe(image.at(80, 0));
    EXPECT_TRUE(is_black(image.at(0, 119))) << describe(image.at(0, 119));
    int red = 0, blue = 0;
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 160; ++x) {
            red += is_red(image.at(x, y)) ? 1 : 0;
            blue += is_blue(image.at(x, y)) ? 1 : 0;
        }
    }
    EXPECT_GT(red, 4);
    EXPECT_EQ(blue, 0);
}

TEST_F(CaptureToolTest, HoldingControlCapturesTheLightsView) {
    ASSERT_EQ(run_capture("--size 96x72 --ticks 1 --out camera.png").status, 0);
    const Result r = run_capture("--size 96x72 --ticks 1 --hold control --out light.png");
    ASSERT_EQ(r.status, 0) << r.err;
    // The light looks down from 12 units up: its horizon sits higher in the
    // picture than the camera's, which is near the middle.
    Image camera{0, 0, {}};
    ASSERT_TRUE(read_png("camera.png", camera) && read_png("light.png", image));
    EXPECT_TRUE(is_floor_green(image.at(48, 54))) << describe(image.at(48, 54));
    EXPECT_TRUE(is_black(camera.at(48, 54))) << describe(camera.at(48, 54));
}

TEST_F(CaptureToolTest, StatsReportTimesAndFrameRate) {
    const Result r = run_capture("--size 64x48 --ticks 2 --frames 6 --stats");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("frames: 6 timed, 0 bodies"));
    for (const char* line :
         {"cpu ms/frame: median ", "gpu ms/frame: median ", "gpu ms/depth pass: median ",
          "gpu ms/camera pass: median ", "frame rate: "}) {
        EXPECT_EQ(count(r.out, line), 1u) << line << " in\n" << r.out;
    }
    EXPECT_EQ(count(r.out, " p95 "), 4u) << r.out;
}

TEST_F(CaptureToolTest, MissingOrBrokenShadersStopWithAMessage) {
    std::filesystem::remove("shadow.vs");
    std::filesystem::remove("shadow.fs");
    Result r = run_capture("--size 64x48 --ticks 1 --out x.png");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("shadow.vs is missing"));
    // The loader has had its say first.
    EXPECT_THAT(read_file("infolog.txt"), HasSubstr("Unable to load vertex shader shadow.vs"));
    EXPECT_FALSE(std::filesystem::exists("x.png") || std::filesystem::exists("x.png.tmp"));

    copy_shaders_here();
    std::filesystem::remove("shadow.fs");
    r = run_capture("--size 64x48 --ticks 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("shadow.fs is missing"));

    write_file("shadow.fs", "#version 130\nthis is not glsl\n");
    r = run_capture("--size 64x48 --ticks 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("do not compile or link"));
}

TEST_F(CaptureToolTest, UnwritableOutputFailsBeforeRendering) {
    const Result r = run_capture("--ticks 900 --out no/such/dir/x.png");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("cannot write no/such/dir/x.png"));
    EXPECT_THAT(r.out, testing::Not(HasSubstr("Shutting down."))) << "nothing was started";
}

TEST_F(CaptureToolTest, NoContextFailsWithAMessage) {
    // No EGL vendor library: the display cannot be opened.
    const Result r = run_capture("--ticks 1 --out x.png",
                                 "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent/vendor.json "
                                 "__EGL_VENDOR_LIBRARY_DIRS=/nonexistent");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("cannot create the OpenGL context"));
    EXPECT_FALSE(std::filesystem::exists("x.png") || std::filesystem::exists("x.png.tmp"));
}

TEST_F(CaptureToolTest, UsageErrorsExitTwo) {
    const Result r = run_capture("--size big");
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, testing::AllOf(HasSubstr("--size"), HasSubstr("usage: shadow_capture")));
    const Result help = run_capture("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("--hold KEY"));
}
