// A file that is replaced whole or not at all. open() only checks, before a
// long run, that the target may be replaced; begin() creates the temporary
// file beside it once the data is ready, unnamed where the file system allows
// (so no way the process ends, SIGKILL included, leaves it behind); commit()
// gives it a name and renames it over the target. Every path below the
// target's folder is taken relative to that folder, so a target name near the
// length limit leaves room for the temporary's.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>

class ReplacingFile {
  public:
    ReplacingFile() = default;
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Refuses a target that exists and is not a regular file (a directory, a
    // device, a pipe, a symbolic link) or that the user may not write, and a
    // folder the user may not write in, as cp and the shell refuse them. False
    // with `error` set; creates nothing.
    bool open(const std::string& target, std::string& error);
    bool is_open() const { return folder_ >= 0; }
    // Creates the temporary file; false with `error` set.
    bool begin(std::string& error);
    // Where the data goes; null unless begun.
    std::FILE* stream() const { return file_; }
    // Flushes, syncs and closes the temporary file, each checked, and renames
    // it over the target. False with `error` set, the target untouched and the
    // temporary file gone, when any of that fails.
    bool commit(std::string& error);
    // Closes and removes the temporary file, if there is one.
    void discard();

  private:
    int folder_ = -1;
    std::string name_;       // the target's name in folder_
    std::string temporary_;  // the temporary's name in folder_ while it has one
    mode_t mode_ = 0;
    uid_t owner_ = 0;
    gid_t group_ = 0;
    bool keep_owner_ = false;
    std::FILE* file_ = nullptr;
};
