// The capture tool as a user runs it: a separate process in a directory of
// its own, its exit status, its messages and the picture it writes.
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/demo/scene_probe.h"
#include "tests/support/temp_dir.h"

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the tool in the working directory with `env` added to the environment.
Result run_capture(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    std::vector<std::string> argv_text = {SHADOW_CAPTURE_PATH};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    const pid_t pid = fork();
    if (pid == 0) {
        FILE* out = std::freopen("tool.out", "w", stdout);
        FILE* err = std::freopen("tool.err", "w", stderr);
        if (out == nullptr || err == nullptr) _exit(126);
        for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv;
        for (std::string& a : argv_text) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Result r;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        r.status = WEXITSTATUS(status);
    }
    r.out = read_file("tool.out");
    r.err = read_file("tool.err");
    return r;
}

bool read_png(const std::string& path, int& width, int& height, std::vector<unsigned char>& rgb) {
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return false;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    // Bottom row first, as the GL rows are addressed elsewhere in these tests.
    const png_int_32 stride = -static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(image));
    return png_image_finish_read(&image, nullptr, rgb.data(), stride, nullptr) != 0;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

}  // namespace

TEST(CaptureToolTest, WritesTheFrameAfterTheTicks) {
    ScopedTempDir dir;
    copy_shaders_here();
    const Result r = run_capture({"--size", "160x120", "--ticks", "125", "--out", "shot.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.out, "Shutting down.\n"), 1u) << r.out;
    EXPECT_NE(r.out.find("wrote shot.png (160x120, 1 bodies)"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists("shot.png.tmp"));

    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    ASSERT_TRUE(read_png("shot.png", w, h, rgb));
    ASSERT_EQ(w, 160);
    ASSERT_EQ(h, 120);
    const Image image(w, h, rgb);
    // Floor at the bottom, clear colour at the top, and the one red box
    // somewhere above the horizon, just after its spawn at height 6.
    EXPECT_TRUE(is_floor_green(image.at(80, 0))) << describe(image.at(80, 0));
    const Rgb top = image.at(0, h - 1);
    EXPECT_TRUE(top.r == 0 && top.g == 0 && top.b == 0) << describe(top);
    int red = 0, blue = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            red += is_red(image.at(x, y)) ? 1 : 0;
            blue += is_blue(image.at(x, y)) ? 1 : 0;
        }
    }
    EXPECT_GT(red, 4);
    EXPECT_EQ(blue, 0);
}

TEST(CaptureToolTest, HoldingControlCapturesTheLightsView) {
    ScopedTempDir dir;
    copy_shaders_here();
    ASSERT_EQ(run_capture({"--size", "96x72", "--ticks", "1", "--out", "camera.png"}).status, 0);
    const Result r =
        run_capture({"--size", "96x72", "--ticks", "1", "--hold", "control", "--out", "light.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    int w = 0, h = 0;
    std::vector<unsigned char> camera, light;
    ASSERT_TRUE(read_png("camera.png", w, h, camera));
    ASSERT_TRUE(read_png("light.png", w, h, light));
    // The light looks down from 12 units up: its horizon sits higher in the
    // picture than the camera's, which is near the middle.
    const Image c(w, h, camera), l(w, h, light);
    const int row = h * 3 / 4;
    EXPECT_TRUE(is_floor_green(l.at(w / 2, row))) << describe(l.at(w / 2, row));
    const Rgb above = c.at(w / 2, row);
    EXPECT_TRUE(above.r == 0 && above.g == 0 && above.b == 0) << describe(above);
}

TEST(CaptureToolTest, StatsReportTimesAndFrameRate) {
    ScopedTempDir dir;
    copy_shaders_here();
    const Result r = run_capture({"--size", "64x48", "--ticks", "2", "--frames", "6", "--stats"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("frames: 6 timed, 0 bodies"), std::string::npos) << r.out;
    for (const char* line :
         {"cpu ms/frame: median ", "gpu ms/frame: median ", "gpu ms/depth pass: median ",
          "gpu ms/camera pass: median ", "frame rate: "}) {
        EXPECT_EQ(count(r.out, line), 1u) << line << " in\n" << r.out;
    }
    EXPECT_NE(r.out.find(" p95 "), std::string::npos);
}

TEST(CaptureToolTest, MissingShadersStopWithAMessage) {
    ScopedTempDir dir;
    const Result r = run_capture({"--size", "64x48", "--ticks", "1", "--out", "x.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("shadow.vs is missing"), std::string::npos) << r.err;
    // The loader has had its say first.
    EXPECT_NE(read_file("infolog.txt").find("Unable to load vertex shader shadow.vs"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("x.png"));
    EXPECT_FALSE(std::filesystem::exists("x.png.tmp"));

    copy_shaders_here();
    std::filesystem::remove("shadow.fs");
    const Result fs = run_capture({"--size", "64x48", "--ticks", "1"});
    EXPECT_EQ(fs.status, 1);
    EXPECT_NE(fs.err.find("shadow.fs is missing"), std::string::npos) << fs.err;

    write_file("shadow.fs", "#version 130\nthis is not glsl\n");
    const Result broken = run_capture({"--size", "64x48", "--ticks", "1"});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("do not compile or link"), std::string::npos) << broken.err;
}

TEST(CaptureToolTest, UnwritableOutputFailsBeforeRendering) {
    ScopedTempDir dir;
    copy_shaders_here();
    const Result r = run_capture({"--ticks", "900", "--out", "no/such/dir/x.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write no/such/dir/x.png"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Shutting down."), std::string::npos) << "nothing was started";
}

TEST(CaptureToolTest, NoContextFailsWithAMessage) {
    ScopedTempDir dir;
    copy_shaders_here();
    // No EGL vendor library: the display cannot be opened.
    const Result r = run_capture({"--ticks", "1", "--out", "x.png"},
                                 {"__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent/vendor.json",
                                  "__EGL_VENDOR_LIBRARY_DIRS=/nonexistent"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot create the OpenGL context"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists("x.png"));
    EXPECT_FALSE(std::filesystem::exists("x.png.tmp"));
}

TEST(CaptureToolTest, UsageErrorsExitTwo) {
    ScopedTempDir dir;
    const Result r = run_capture({"--size", "big"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--size"), std::string::npos);
    EXPECT_NE(r.err.find("usage: shadow_capture"), std::string::npos);
    const Result help = run_capture({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--hold KEY"), std::string::npos);
}
