#include "tools/shadow_capture/replacing_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// The signals whose default action ends the process: sent by a user or the
// system (the terminal going away, ^C, ^\, kill, a reader gone from the pipe,
// a CPU limit, timers), or raised by a fault (abort, a bad address, a file
// mapped past its end, a bad instruction or arithmetic).
constexpr int kFatalSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGABRT, SIGSEGV,
                                 SIGBUS, SIGFPE, SIGILL,  SIGXCPU, SIGALRM, SIGUSR1, SIGUSR2};

// The temporary file's folder and name while it has a name, for the handler
// below. Changed only with those signals blocked, so the handler never sees
// them half-way.
volatile int pending_folder = -1;
const char* volatile pending_name = nullptr;

// The handler stays in place while it runs: with several threads a second
// signal may arrive on another one, and must not end the process (a default
// action) before the file is gone.
extern "C" void remove_pending_file(int signal_number) {
    const char* name = pending_name;
    if (name != nullptr) unlinkat(pending_folder, name, 0);
    // The signal is blocked until the handler returns; then the default action
    // ends the process as it would have without the handler.
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

sigset_t fatal_set() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kFatalSignals) sigaddset(&set, s);
    return set;
}

// Signals that were ignored when the process started (nohup, a background
// job) stay ignored, and a handler someone else installed stays.
void install_handlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = remove_pending_file;
    action.sa_mask = fatal_set();
    action.sa_flags = 0;
    for (int s : kFatalSignals) {
        struct sigaction previous;
        if (sigaction(s, nullptr, &previous) == 0 && previous.sa_handler == SIG_DFL)
            sigaction(s, &action, nullptr);
    }
}

// Holds the fatal signals back for one scope.
class SignalsHeld {
  public:
    SignalsHeld() {
        const sigset_t set = fatal_set();
        pthread_sigmask(SIG_BLOCK, &set, &previous_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t previous_;
};

// What a new file gets from open(2) with 0666: the process's umask applied.
mode_t new_file_mode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// A short name of its own, "shadow_capture-" and six letters or digits.
std::string temporary_name() {
    static unsigned long counter = 0;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    unsigned long v = static_cast<unsigned long>(now.tv_nsec) ^
                      (static_cast<unsigned long>(getpid()) << 20) ^ (++counter * 2654435761UL);
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = "shadow_capture-";
    for (int i = 0; i < 6; ++i, v /= 62) name += letters[v % 62];
    return name;
}

// Why `name` in `folder` must not be replaced: empty when it is missing, or a
// regular file the user may write.
std::string refusal(int folder, const std::string& name) {
    struct stat info;
    if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? "" : std::strerror(errno);
    if (S_ISDIR(info.st_mode)) return "it is a directory";
    // Renaming over a link or a device node would replace it, not write to it.
    if (S_ISLNK(info.st_mode)) return "it is a symbolic link, not a regular file";
    if (!S_ISREG(info.st_mode)) return "it is not a regular file";
    // The folder's permission alone would let a read-only file be replaced.
    if (faccessat(folder, name.c_str(), W_OK, 0) != 0) return std::strerror(errno);
    return "";
}

}  // namespace

ReplacingFile::~ReplacingFile() {
    discard();
    if (folder_ >= 0) close(folder_);
}

bool ReplacingFile::open(const std::string& target, std::string& error) {
    discard();
    if (folder_ >= 0) close(folder_);
    folder_ = -1;
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : target.substr(0, slash);
    name_ = slash == std::string::npos ? target : target.substr(slash + 1);
    if (target.empty() || name_.empty()) {
        struct stat info;
        const int found = stat(target.c_str(), &info) == 0 ? 0 : errno;
        // What open(2) says of a new name that ends in a slash.
        error = found == 0 && S_ISDIR(info.st_mode) ? "it is a directory"
                : found == 0                        ? std::strerror(ENOTDIR)
                             : std::strerror(found == ENOENT ? EISDIR : found);
        return false;
    }
    folder_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) {
        error = std::strerror(errno);
        return false;
    }
    error = refusal(folder_, name_);
    struct stat existing;
    const bool exists = error.empty() && fstatat(folder_, name_.c_str(), &existing, 0) == 0;
    if (error.empty() && faccessat(folder_, ".", W_OK | X_OK, 0) != 0) error = std::strerror(errno);
    if (!error.empty()) {
        close(folder_);
        folder_ = -1;
        return false;
    }
    mode_ = exists ? existing.st_mode & 07777 : new_file_mode();
    // Only root may give the new file the old one's owner, as writing in place would keep it.
    keep_owner_ = exists && geteuid() == 0;
    owner_ = exists ? existing.st_uid : 0;
    group_ = exists ? existing.st_gid : 0;
    return true;
}

bool ReplacingFile::begin(std::string& error) {
    if (folder_ < 0) {
        error = "the file is not open";
        return false;
    }
    discard();
    install_handlers();
    // Unnamed until commit links it in, which needs /proc to name the descriptor.
    int fd = -1;
    if (access("/proc/self/fd", X_OK) == 0)
        fd = openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT) {
        error = std::strerror(errno);
        return false;
    }
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        std::string name = temporary_name();
        SignalsHeld held;
        fd = openat(folder_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0600);
        if (fd >= 0) {
            temporary_ = name;
            pending_folder = folder_;
            pending_name = temporary_.c_str();
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    const bool moded = fchmod(fd, mode_) == 0;
    if (moded && keep_owner_ && fchown(fd, owner_, group_) != 0) {
        // Best effort: a file system without owners keeps the new file's.
    }
    if (!moded || (file_ = fdopen(fd, "wb")) == nullptr) {
        error = std::strerror(errno);
        if (file_ == nullptr) close(fd);
        discard();
        return false;
    }
    return true;
}

bool ReplacingFile::commit(std::string& error) {
    if (file_ == nullptr) {
        error = "the file is not open";
        return false;
    }
    int failure = 0;
    if (std::fflush(file_) != 0) {
        failure = errno;
    } else if (std::ferror(file_) != 0) {
        failure = EIO;
    } else if (fsync(fileno(file_)) != 0) {
        failure = errno;
    }
    if (failure == 0 && temporary_.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fileno(file_));
        for (int attempt = 0; temporary_.empty() && attempt < 100; ++attempt) {
            std::string name = temporary_name();
            SignalsHeld held;
            if (linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                temporary_ = name;
                pending_folder = folder_;
                pending_name = temporary_.c_str();
            } else if (errno != EEXIST) {
                failure = errno;
                break;
            }
        }
        if (temporary_.empty() && failure == 0) failure = EEXIST;
    }
    if (std::fclose(file_) != 0 && failure == 0) failure = errno;
    file_ = nullptr;
    if (failure != 0) {
        error = std::strerror(failure);
        discard();
        return false;
    }
    // The run takes a while; look again just before replacing.
    error = refusal(folder_, name_);
    if (!error.empty()) {
        discard();
        return false;
    }
    {
        SignalsHeld held;
        if (renameat(folder_, temporary_.c_str(), folder_, name_.c_str()) != 0) {
            failure = errno;
        } else {
            pending_name = nullptr;
            temporary_.clear();
        }
    }
    if (failure != 0) {
        error = std::strerror(failure);
        discard();
        return false;
    }
    return true;
}

void ReplacingFile::discard() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    if (temporary_.empty()) return;
    SignalsHeld held;
    unlinkat(folder_, temporary_.c_str(), 0);
    pending_name = nullptr;
    temporary_.clear();
}
