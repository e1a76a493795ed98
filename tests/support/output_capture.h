// Captures everything written to a C stream (stdout, stderr) byte for byte, by
// pointing its file descriptor at a temporary file until finish().
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

class OutputCapture {
  public:
    explicit OutputCapture(FILE* stream) : stream_(stream), sink_(std::tmpfile()) {
        std::fflush(stream_);
        saved_fd_ = dup(fileno(stream_));
        if (sink_ == nullptr || saved_fd_ < 0 || dup2(fileno(sink_), fileno(stream_)) < 0) {
            std::fprintf(stderr, "OutputCapture: cannot redirect the stream\n");
            std::abort();
        }
    }
    ~OutputCapture() { finish(); }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Flushes the stream, restores it and returns what was written meanwhile.
    std::string finish() {
        std::string text;
        if (saved_fd_ < 0) return text;
        std::fflush(stream_);  // printf output sits in the stream's buffer until flushed
        dup2(saved_fd_, fileno(stream_));
        close(saved_fd_);
        saved_fd_ = -1;
        std::rewind(sink_);
        for (int c = std::fgetc(sink_); c != EOF; c = std::fgetc(sink_)) text += char(c);
        std::fclose(sink_);
        return text;
    }

  private:
    FILE* stream_;
    FILE* sink_;
    int saved_fd_;
};
