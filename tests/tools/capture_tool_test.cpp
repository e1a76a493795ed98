// The capture tool and physics_trace as a user runs them: separate processes in
// a directory of their own, their exit status, their messages, the picture
// written and every other file left as it was.
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "tests/demo/scene_probe.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing::ContainsRegex;
const std::string capture = SHADOW_CAPTURE_PATH, trace = PHYSICS_TRACE_PATH;
const bool is_root = geteuid() == 0;
// Runs an ordinary user's run: root ignores file modes.
const std::string as_user =
    is_root ? "timeout 60 setpriv --reuid=nobody --regid=nogroup --clear-groups" : "timeout 60";

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
// its type (links not followed), its mode and, when small and regular, its content.
std::map<std::string, std::string> listing() {
    std::map<std::string, std::string> seen;
    for (const fs::directory_entry& e : fs::directory_iterator(".")) {
        const std::string name = e.path().filename().string();
        if (name.find("tool.") == 0 || name.find("shadow.") == 0 || name == "infolog.txt") continue;
        const bool small = e.is_regular_file() && e.file_size() < 4096;
        const fs::file_status status = e.symlink_status();
        seen[name] = std::to_string(int(status.type())) + " " +
                     std::to_string(int(status.permissions())) + " " +
                     (small ? read_file(name) : "");
    }
    return seen;
}

// The calls of failing_calls.cpp that fail in the tool's run.
std::string failing(const std::string& calls) {
    return "export LD_PRELOAD=" FAILING_CALLS_PATH " SHADOW_FAIL=" + calls + ";";
}

// Each case runs in a fresh directory holding the shaders.
class CaptureToolTest : public ::testing::Test {
  protected:
    void SetUp() override { copy_shaders_here(); }

    // The exit status; `shell` comes first (a limit, a set-up), `wrap` runs the
    // tool (a run that hangs ends after a minute), redirections in `args`
    // override the capture of the output.
    int run(const std::string& tool, const std::string& args, const std::string& shell = "",
            const std::string& wrap = "timeout 60") {
        const std::string command =
            shell + " " + wrap + " " + tool + " >tool.out 2>tool.err " + args;
        const int status = std::system(command.c_str());
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
    EXPECT_EQ(hue(image.at(80, 1)), 1) << describe(image.at(80, 1));
    EXPECT_EQ(hue(image.at(80, 90)), 0) << describe(image.at(80, 90));
    EXPECT_EQ(hue(image.at(0, 119)), 0) << describe(image.at(0, 119));
    // Rendered once at the end, the picture is the one a render after every
    // tick (as the statistics time them) gives, byte for byte.
    ASSERT_EQ(run(capture, "--size 161x120 --ticks 125 --stats --out every.png"), 0) << err;
    EXPECT_TRUE(read_file("every.png") == read_file("shot.png"));
    // The light looks down from 12 units up: its horizon sits higher in the
    // picture than the camera's, which is near the middle.
    ASSERT_EQ(
        run(capture, "--size 161x120 --ticks 1 --frames 9 --stats --hold control --out l.png"), 0)
        << err;
    ASSERT_TRUE(read_png("l.png", image));
    EXPECT_EQ(hue(image.at(80, 90)), 1) << describe(image.at(80, 90));
    EXPECT_THAT(out, ContainsRegex("frames: 9 timed, 0 bodies\n(.*: median [0-9.]+ p95 "
                                   "[0-9.]+\n){4}frame rate: [0-9.]+ fps\n"));
    // Progress only on a terminal (script gives it one), rubbed out at the end.
    run("script", "-qec '" + capture + " --size 8x8 --ticks 40' /dev/null");
    EXPECT_THAT(out, testing::HasSubstr("shadow_capture: tick 40 of 40\r")) << out;
    // Root replacing someone's read-only file keeps it theirs and read-only, as cp would.
    if (is_root) {
        ASSERT_EQ(std::system("chown nobody shot.png && chmod 444 shot.png"), 0);
        ASSERT_EQ(run(capture, "--size 8x8 --ticks 1 --out shot.png"), 0) << err;
        run("stat", "-c '%u %a' shot.png");
        EXPECT_EQ(out, "65534 444\n");
    }
}

TEST_F(CaptureToolTest, BadFilesFailWithTheirReasonAndLeaveEveryOtherFileAsItWas) {
    // 16 folders of 254 letters: a picture's name of five letters there is
    // 4085 bytes long, and "shadow_capture-XXXXXX" would not fit beside it.
    std::string deep;
    for (int i = 0; i < 16; ++i) deep += std::string(254, 'd') + "/";
    const auto fixtures = [&] {
        copy_shaders_here();
        write_file("x.png", "an older picture");
        write_file("x.png.tmp", "notes");
        write_file("ro.png", "a picture kept");
        fs::permissions("ro.png", fs::perms(0444));
        fs::create_symlink("victim", "stdout");  // stands in for /dev/stdout
        fs::create_directories(deep);
        fs::create_directory("dir");
        ASSERT_EQ(mkfifo("pipe", 0600), 0);
        // An ordinary user may write the working directory and everything in it.
        ASSERT_EQ(is_root ? std::system("chown -hR nobody:nogroup .") : 0, 0);
    };
    const std::string out = "--out x.png";
    const std::string full = "cannot write standard output: No space left on device";
    const struct {
        std::string args, shell;
        int status;
        std::string message, wrap = "timeout 60";
    } cases[] = {
        {"--ticks 2147483648", "", 2, "--ticks wants a whole number from 0 to 2147483647, not"},
        {"--help >/dev/full", "", 1, full},
        {"--out dir", "", 1, "cannot write dir: it is a directory"},
        {"--out no/such/dir/x.png", "", 1, "cannot write no/such/dir/x.png: No such file"},
        {"--out pipe", "", 1, "cannot write pipe: it is not a regular file"},
        {"--out stdout", "", 1, "cannot write stdout: it is a symbolic link"},
        {out, "__EGL_VENDOR_LIBRARY_FILENAMES=/none", 1, "cannot create the OpenGL context"},
        {"--size 640x480 " + out, "ulimit -f 1;", 1, "cannot write x.png: File too large"},
        {out + " >/dev/full", "", 1, full},
        {out + " >&-", "", 1, "cannot write standard output: Bad file descriptor"},
        {"--ticks 2147483647 " + out, "", 137, "Killed", "timeout -s KILL 1"},  // the shell's word
        {out, failing("link_term"), 143, "Terminated"},          // the temporary named, not renamed
        {"--out " + std::string(248, 'a') + ".png", "", 0, ""},  // 252 bytes
        {"--out " + deep + "x.png", "", 0, ""},
        {"--size 16384x16384 " + out, "ulimit -v 2000000;", 1,
         "cannot write x.png: not enough memory for a 16384x16384 picture"},
        {"--out ro.png", "", 1, "cannot write ro.png: Permission denied", as_user},
        {out, "chmod 555 .;", 1, "cannot write x.png: Permission denied", as_user},
        {"", "echo bad >shadow.vs; chmod 555 .;", 1, "Error compiling: 0:1(1): error: syntax",
         as_user},
        {out, "rm shadow.vs;", 1, "shadow.vs is missing"},
        {out, ": >shadow.vs;", 1, "they do not compile or link; see infolog.txt"},
        {out, "printf 'x\\0y' >>shadow.fs;", 1, "shadow.fs holds a NUL byte"},
        {out, "rm shadow.vs; mkfifo shadow.vs;", 1, "shadow.vs is not a regular file"},
        {out, "rm shadow.vs; mkdir shadow.vs;", 1, "shadow.vs is a directory"},
        {out, "truncate -s 100G shadow.vs;", 1, "shadow.vs is larger than 16 MiB"},
        // The disk failing at each step of the replace; without O_TMPFILE a named
        // temporary, which a failed rename removes.
        {out, failing("fsync"), 1, "cannot write x.png: Input/output error"},
        {out, failing("linkat"), 1, "cannot write x.png: No space left on device"},
        {out, failing("fclose"), 1, "cannot write x.png: Input/output error"},
        {out, failing("renameat"), 1, "cannot write x.png: Invalid cross-device link"},
        {out, failing("tmpfile,renameat"), 1, "cannot write x.png: Invalid cross-device link"},
        {out, failing("tmpfile"), 0, ""},
        // A pipe would block the log's open for ever.
        {out, "mkfifo infolog.txt;", 0,
         "Unable to open infolog.txt, the shader log is not written\n"},
        // A limit of 100 KiB, which the picture stays well under and the log crosses.
        {out, "printf %102350s >infolog.txt; chmod 666 infolog.txt; ulimit -f 200;", 0,
         "Unable to write infolog.txt, the shader log is incomplete\n"}};
    for (const auto& c : cases) {
#if defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer's shadow memory alone is far beyond a 2 GB limit, and
        // its runtime must come before any other preloaded library.
        if (c.shell.find("ulimit -v") != c.shell.npos || c.shell.find("LD_PRELOAD") != c.shell.npos)
            continue;
#endif
        ScopedTempDir fresh;
        fixtures();
        auto before = listing();
        const std::string row = c.wrap + " " + c.shell + " " + c.args + "\n";
        EXPECT_EQ(run(capture, "--size 64x48 --ticks 1 " + c.args, c.shell, c.wrap), c.status)
            << row << err;
        EXPECT_TRUE(says_once(err, c.message)) << row << err;
        // Only a run that succeeds changes a file: its target ("--out NAME"), a whole picture.
        ASSERT_EQ(std::system("chmod 755 ."), 0);
        auto after = listing();
        if (c.status == 0) {
            EXPECT_TRUE(read_png(c.args.substr(6), image)) << row;
            before.erase(c.args.substr(6));
            after.erase(c.args.substr(6));
        }
        EXPECT_EQ(after, before) << row;
    }
}

// Killed between naming the temporary and renaming it: the one file left lies
// beside the target, on the target's file system (memory here, not the disk
// that holds /tmp), where the rename cannot cross one.
TEST_F(CaptureToolTest, TheTemporaryLivesBesideTheTarget) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's runtime must come first";
#endif
    std::string folder = "/dev/shm/shadow-capture-XXXXXX";
    ASSERT_NE(mkdtemp(&folder[0]), nullptr);
    const std::string args = "--size 8x8 --ticks 1 --out " + folder + "/x.png";
    EXPECT_EQ(run(capture, args, failing("rename_kill")), 137) << err;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(folder)) left.push_back(e.path().filename());
    fs::remove_all(folder);
    EXPECT_THAT(left, testing::ElementsAre(testing::MatchesRegex("shadow_capture-[A-Za-z0-9]{6}")));
}

// Standard output checked in each of the three modes; closed, before any of them.
TEST_F(CaptureToolTest, BadTickCountsForPhysicsTraceExitTwoWithTheReasonAndTheUsage) {
    const std::tuple<std::string, int, std::string> cases[] = {
        {"''", 2, "TICKS wants a whole number from 0 to 2147483647, not ''"},
        {"99999999999999999999", 2, "to 2147483647, not '99999999999999999999'"},
        {"7 --bogus", 2, "unknown option '--bogus'\nusage: "},
        {"5 ''", 2, "unknown option ''\nusage: "},
        {"5 >/dev/full", 1, "cannot write standard output: No space left on device"},
        {"5 --dump >/dev/full", 1, "cannot write standard output: No space left on device"},
        {"5 --report >/dev/full", 1, "cannot write standard output: No space left on device"},
        {"5 --report >&-", 1, "cannot write standard output: Bad file descriptor"}};
    for (const auto& [args, status, message] : cases) {
        EXPECT_EQ(run(trace, args), status) << args;
        EXPECT_TRUE(says_once(err, message)) << args << "\n" << err;
        EXPECT_EQ(out, "") << args;
    }
    // No bodies yet: the bare digest.
    EXPECT_EQ(run(trace, "0"), 0);
    EXPECT_EQ(out, "cbf29ce484222325\n");
    EXPECT_EQ(run(capture, "--help"), 0);
    EXPECT_TRUE(says_once(out, "--hold KEY ")) << out;
}
