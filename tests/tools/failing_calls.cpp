// Preloaded into the capture tool by its tests: makes the calls named in
// SHADOW_FAIL (a comma-separated list) fail as a full or broken disk would.
//   fsync, linkat, fclose  fail with EIO, ENOSPC, EIO
//   renameat               fails with EXDEV; rename_kill ends the process there
//   link_term              a SIGTERM once the temporary has its name
//   tmpfile                openat with O_TMPFILE fails with EOPNOTSUPP
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Only in the tool: timeout and setpriv, which run it, get the library too.
bool failing(const char* call) {
    const char* list = std::getenv("SHADOW_FAIL");
    if (std::strcmp(program_invocation_short_name, "shadow_capture") != 0) return false;
    return list != nullptr &&
           ("," + std::string(list) + ",").find("," + std::string(call) + ",") != std::string::npos;
}

template <class Call>
Call next(const char* name) {
    return reinterpret_cast<Call>(dlsym(RTLD_NEXT, name));
}

int fail(int error) {
    errno = error;
    return -1;
}

}  // namespace

extern "C" int fsync(int fd) {
    return failing("fsync") ? fail(EIO) : next<int (*)(int)>("fsync")(fd);
}

bool linked = false;

extern "C" int linkat(int from_dir, const char* from, int to_dir, const char* to, int flags) {
    if (failing("linkat")) return fail(ENOSPC);
    linked = true;
    return next<int (*)(int, const char*, int, const char*, int)>("linkat")(from_dir, from, to_dir,
                                                                            to, flags);
}

extern "C" int renameat(int from_dir, const char* from, int to_dir, const char* to) {
    if (failing("rename_kill")) raise(SIGKILL);
    if (failing("renameat")) return fail(EXDEV);
    return next<int (*)(int, const char*, int, const char*)>("renameat")(from_dir, from, to_dir,
                                                                         to);
}

// The first close after the link, with the fatal signals no longer held.
extern "C" int fclose(FILE* stream) {
    if (linked && failing("link_term")) raise(SIGTERM);
    const int closed = next<int (*)(FILE*)>("fclose")(stream);
    return failing("fclose") ? fail(EIO) : closed;
}

extern "C" int openat(int dir, const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if ((flags & O_TMPFILE) == O_TMPFILE && failing("tmpfile")) return fail(EOPNOTSUPP);
    return next<int (*)(int, const char*, int, ...)>("openat")(dir, path, flags, mode);
}
