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

TEST(LoadTextFile, ReadsTheBytesAsTheyAre) {
    ScopedTempDir dir;
    write_file("crlf.txt", "line one\r\nline two\n");
    EXPECT_EQ(load("crlf.txt"), "line one\r\nline two\n");
    write_file("empty.txt", "");
    char* empty = load_text_file("empty.txt");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], '\0');
    delete[] empty;
}

TEST(LoadTextFile, AnythingButAReadableRegularFileIsNull) {
    ScopedTempDir dir;
    std::filesystem::create_directory("folder");
    ASSERT_EQ(mkfifo("pipe", 0600), 0);  // opening it would block
    EXPECT_EQ(load("missing.txt"), "<null>");
    EXPECT_EQ(load("no/such/dir/file.txt"), "<null>");
    EXPECT_EQ(load("folder"), "<null>");
    EXPECT_EQ(load("pipe"), "<null>");
    EXPECT_EQ(load("/dev/zero"), "<null>");
}

}  // namespace
