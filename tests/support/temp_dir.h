// A fresh temporary directory that is the working directory while the object
// lives; the previous working directory comes back and the directory and all
// it holds are removed afterwards.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class ScopedTempDir {
  public:
    ScopedTempDir() : previous_(std::filesystem::current_path()) {
        std::string name = (std::filesystem::temp_directory_path() / "gltest-XXXXXX").string();
        if (mkdtemp(&name[0]) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = name;
        std::filesystem::current_path(path_);
    }
    ~ScopedTempDir() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  private:
    std::filesystem::path path_, previous_;
};

// Whole-file helpers for the tests' own fixtures.
inline void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline std::string read_file(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}
