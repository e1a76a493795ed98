#include "tests/support/output_capture.h"

#include <unistd.h>

#include <cstdlib>

OutputCapture::OutputCapture(FILE* stream) : stream_(stream) {
    std::fflush(stream_);
    sink_ = std::tmpfile();
    saved_fd_ = dup(fileno(stream_));
    if (sink_ == nullptr || saved_fd_ < 0 || dup2(fileno(sink_), fileno(stream_)) < 0) {
        std::fprintf(stderr, "OutputCapture: cannot redirect the stream\n");
        std::abort();
    }
}

OutputCapture::~OutputCapture() {
    if (saved_fd_ >= 0) finish();
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
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof(chunk), sink_)) > 0) text.append(chunk, n);
    std::fclose(sink_);
    sink_ = nullptr;
    return text;
}
