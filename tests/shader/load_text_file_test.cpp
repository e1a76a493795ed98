#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "shader/shader.h"
#include "tests/support/temp_dir.h"

namespace {

std::string load(const char* path) {
    char* text = load_text_file(path);
    if (text == nullptr) return "<null>";
    std::string copy(text);
    delete[] text;
    return copy;
}

TEST(LoadTextFile, ReadsRegularFilesAsTheyAreAndNothingElse) {
    ScopedTempDir dir;
    write_file("crlf.txt", "line one\r\nline two\n");
    write_file("empty.txt", "");
    std::filesystem::create_directory("folder");
    ASSERT_EQ(mkfifo("pipe", 0600), 0);  // opening it would block
    EXPECT_EQ(load("crlf.txt"), "line one\r\nline two\n");
    EXPECT_EQ(load("empty.txt"), "");
    for (const char* path : {"missing.txt", "no/such/dir/file.txt", "folder", "pipe", "/dev/zero"})
        EXPECT_EQ(load(path), "<null>") << path;
}

}  // namespace
