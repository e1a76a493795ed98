#include "tests/support/temp_dir.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

ScopedTempDir::ScopedTempDir() : previous_(std::filesystem::current_path().string()) {
    std::string name = (std::filesystem::temp_directory_path() / "gltest-XXXXXX").string();
    if (mkdtemp(&name[0]) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    path_ = name;
    std::filesystem::current_path(path_);
}

ScopedTempDir::~ScopedTempDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string read_file(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}
