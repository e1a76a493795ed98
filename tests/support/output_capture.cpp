#include "tests/support/output_capture.h"

#include <unistd.h>

#include <cstdlib>

OutputCapture::OutputCapture(FILE* stream) : stream_(stream), sink_(std::tmpfile()) {
    std::fflush(stream_);
    saved_fd_ = dup(fileno(stream_));
    if (sink_ == nullptr || saved_fd_ < 0 || dup2(fileno(sink_), fileno(stream_)) < 0) {
        std::fprintf(stderr, "OutputCapture: cannot redirect the stream\n");
        std::abort();
    }
}

std::string OutputCapture::finish() {
    std::string text;
    if (saved_fd_ < 0) return text;
    // printf output sits in the stream's buffer until flushed.
    std::fflush(stream_);
    dup2(saved_fd_, fileno(stream_));
    close(saved_fd_);
    saved_fd_ = -1;
    std::rewind(sink_);
    for (int c = std::fgetc(sink_); c != EOF; c = std::fgetc(sink_)) text += static_cast<char>(c);
    std::fclose(sink_);
    return text;
}
