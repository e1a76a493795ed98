// A fresh temporary directory that is the working directory while the object
// lives; the previous working directory comes back and the directory and all
// it holds are removed afterwards.
#pragma once

#include <string>

class ScopedTempDir {
  public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  private:
    std::string path_;
    std::string previous_;
};

// Whole-file helpers for the tests' own fixtures.
void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);
