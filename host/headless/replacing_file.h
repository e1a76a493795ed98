// A file that is replaced whole or not at all. The data goes to a temporary
// file created exclusively beside the target; once complete it is renamed over
// the target. On every other way out the temporary file is removed, the fatal
// signals a user or the system sends included.
#pragma once

#include <cstdio>
#include <string>

class ReplacingFile {
  public:
    ReplacingFile() = default;
    ~ReplacingFile() { discard(); }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Refuses a target that exists and is not a regular file (a directory, a
    // device, a pipe, a symbolic link), then creates the temporary file. False
    // with `error` set when the target cannot be written.
    bool open(const std::string& target, std::string& error);
    // Where the data goes; null unless open.
    std::FILE* stream() const { return file_; }
    // Flushes, syncs and closes the temporary file, each checked, and renames
    // it over the target. False with `error` set, the target untouched and the
    // temporary file gone, when any of that fails.
    bool commit(std::string& error);
    // Closes and removes the temporary file, if there is one.
    void discard();

  private:
    std::string target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
};

// Why `target` must not be replaced: empty when it is missing or a regular
// file, else the reason.
std::string replace_refusal(const std::string& target);
