// The capture tool and physics_trace as a user runs them: separate processes in
// a directory of their own, their exit status, their messages, the picture
// written and every other file left as it was.
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "tests/demo/scene_probe.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
const std::string capture = SHADOW_CAPTURE_PATH, trace = PHYSICS_TRACE_PATH;

// `part` exactly once in `text`; an empty `part` wants an empty text.
bool says_once(const std::string& text, const std::string& part) {
    const std::size_t at = text.find(part);
    return part.empty() ? text.empty() : at != text.npos && text.find(part, at + 1) == text.npos;
}

// Bottom row first, as the GL rows are addressed elsewhere in these tests.
bool read_png(const std::string& path, Image& out) {
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return false;
    image.format = PNG_FORMAT_RGB;
    out = Image{int(image.width), int(image.height),
                std::vector<unsigned char>(PNG_IMAGE_SIZE(image))};
    const png_int_32 stride = -static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(image));
    return png_image_finish_read(&image, nullptr, out.rgb.data(), stride, nullptr) != 0;
}

// Each entry of the working directory but the tool's inputs, output and log:
// its type (links not followed) and, when small and regular, its content.
std::map<std::string, std::string> listing() {
    std::map<std::string, std::string> seen;
    for (const fs::directory_entry& e : fs::directory_iterator(".")) {
        const std::string name = e.path().filename().string();
        if (name.find("tool.") == 0 || name.find("shadow.") == 0 || name == "infolog.txt") continue;
        const bool small = e.is_regular_file() && e.file_size() < 4096;
        seen[name] =
            std::to_string(int(e.symlink_status().type())) + (small ? read_file(name) : "");
    }
    return seen;
}

// Each case runs in a fresh directory holding the shaders.
class CaptureToolTest : public ::testing::Test {
  protected:
    void SetUp() override { copy_shaders_here(); }

    // The exit status; `shell` comes first (a limit, a set-up), redirections in
    // `args` override the capture of the output. A run that hangs ends after a
    // minute.
    int run(const std::string& tool, const std::string& args, const std::string& shell = "") {
        const int status =
            std::system((shell + " timeout 60 " + tool + " >tool.out 2>tool.err " + args).c_str());
        out = read_file("tool.out");
        err = read_file("tool.err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    ScopedTempDir dir;
    std::string out, err;
    Image image{0, 0, {}};
};

}  // namespace

TEST_F(CaptureToolTest, WritesTheFrameAfterTheTicksAndTheLightsViewWhileControlIsHeld) {
    // 161 pixels: rows of 483 bytes, which GL pads to 484 unless told not to,
    // shifting row 1 by a byte.
    run(capture, "--size 161x120 --ticks 125 --out shot.png");
    EXPECT_EQ(out, "Shutting down.\nwrote shot.png (161x120, 1 bodies)\n") << err;
    // Floor at the bottom, clear colour at the top.
    ASSERT_TRUE(read_png("shot.png", image));
    EXPECT_TRUE(is_floor_green(image.at(80, 1))) << describe(image.at(80, 1));
    EXPECT_TRUE(is_black(image.at(80, 90)) && is_black(image.at(0, 119)));
    // The light looks down from 12 units up: its horizon sits higher in the
    // picture than the camera's, which is near the middle.
    const int status =
        run(capture, "--size 161x120 --ticks 1 --frames 9 --stats --hold control --out light.png");
    ASSERT_TRUE(status == 0 && read_png("light.png", image)) << err;
    EXPECT_TRUE(is_floor_green(image.at(80, 90))) << describe(image.at(80, 90));
    EXPECT_THAT(out, testing::ContainsRegex("frames: 9 timed, 0 bodies\n(.*: median [0-9.]+ p95 "
                                            "[0-9.]+\n){4}frame rate: [0-9.]+ fps\n"));
}

TEST_F(CaptureToolTest, BadFilesFailWithTheirReasonAndLeaveEveryOtherFileAsItWas) {
    write_file("x.png", "an older picture");
    write_file("x.png.tmp", "notes");
    write_file("victim", "someone else's");
    fs::create_symlink("victim", "y.png.tmp");
    fs::create_symlink("victim", "stdout");  // stands in for /dev/stdout
    fs::create_directory("dir");
    ASSERT_EQ(mkfifo("pipe", 0600), 0);
    const std::string out = "--out x.png", limited = "ulimit -f 1;";  // 512 bytes
    const struct {
        std::string args, shell;
        int status;
        std::string message;
    } cases[] = {
        {"--ticks 2147483648", "", 2, "--ticks wants a whole number from 0 to 2147483647, not"},
        {"--help >/dev/full", "", 1, "cannot write standard output: No space left on device"},
        {"--out dir", "", 1, "cannot write dir: it is a directory"},
        {"--out no/such/dir/x.png", "", 1, "cannot write no/such/dir/x.png: No such file"},
        {"--out pipe", "", 1, "cannot write pipe: it is not a regular file"},
        {"--out stdout", "", 1, "cannot write stdout: it is a symbolic link"},
        {out, "__EGL_VENDOR_LIBRARY_FILENAMES=/none", 1, "cannot create the OpenGL context"},
        {"--size 640x480 " + out, limited, 1, "cannot write x.png: File too large"},
        {"--stats " + out + " >/dev/full", "", 1, "output: No space left on device"},
        {out + " >&-", "", 1, "cannot write standard output: Bad file descriptor"},
        {"--ticks 1000000 " + out, "timeout -s TERM 2", 124, ""},
        {"--out " + std::string(248, 'a') + ".png", "", 0, ""},  // 252 bytes
        {out, "rm shadow.vs;", 1, "shadow.vs is missing"},
        {out, ": >shadow.vs;", 1, "they do not compile or link"},
        {out, "rm shadow.vs; mkfifo shadow.vs;", 1, "shadow.vs is not a regular file"},
        {out, "rm shadow.vs; mkdir shadow.vs;", 1, "shadow.vs is a directory"},
        {out, "ln -sf /dev/zero shadow.fs;", 1, "shadow.fs is not a regular file"},
        {out, "truncate -s 100G shadow.vs;", 1, "shadow.vs is larger than 16 MiB"},
        {out, "mkfifo infolog.txt;", 0,
         "Unable to open infolog.txt, the shader log is not written\n"},
        // A limit of 100 KiB, which the picture stays well under and the log crosses.
        {out, "printf %102350s >infolog.txt; ulimit -f 200;", 0,
         "Unable to write infolog.txt, the shader log is incomplete\n"}};
    for (const auto& c : cases) {
        for (const char* name : {"shadow.vs", "shadow.fs", "infolog.txt"}) fs::remove_all(name);
        copy_shaders_here();
        auto before = listing();
        const std::string row = c.shell + " " + c.args + "\n";
        EXPECT_EQ(run(capture, "--size 64x48 --ticks 1 " + c.args, c.shell), c.status)
            << row << err;
        EXPECT_TRUE(says_once(err, c.message)) << row << err;
        // Only a run that succeeds changes a file: its target, a whole picture.
        auto after = listing();
        const std::string target = c.args.substr(6);  // "--out NAME" when it succeeds
        EXPECT_TRUE(c.status != 0 || read_png(target, image));
        if (c.status == 0) before.erase(target), after.erase(target);
        EXPECT_EQ(after, before) << row;
    }
}

TEST_F(CaptureToolTest, BadTickCountsForPhysicsTraceExitTwoWithTheReasonAndTheUsage) {
    const std::pair<const char*, const char*> cases[] = {
        {"''", "TICKS wants a whole number from 0 to 2147483647, not ''"},
        {"99999999999999999999", "to 2147483647, not '99999999999999999999'"},
        {"7 --bogus", "unknown option --bogus"}};
    for (const auto& [args, message] : cases) {
        EXPECT_EQ(run(trace, args), 2) << args;
        EXPECT_THAT(err, testing::AllOf(testing::HasSubstr(message), testing::HasSubstr("usage: ")))
            << args;
    }
    // No bodies yet: the bare digest.
    EXPECT_TRUE(run(trace, "0") == 0 && out == "cbf29ce484222325\n") << out;
    EXPECT_TRUE(run(capture, "--help") == 0 && says_once(out, "--hold KEY ")) << out;
}
