// Captures everything written to a C stream (stdout, stderr) byte for byte, by
// pointing its file descriptor at a temporary file until finish().
#pragma once

#include <cstdio>
#include <string>

class OutputCapture {
  public:
    explicit OutputCapture(FILE* stream);
    ~OutputCapture() { finish(); }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Flushes the stream, restores it and returns what was written meanwhile.
    std::string finish();

  private:
    FILE* stream_;
    FILE* sink_;
    int saved_fd_;
};
