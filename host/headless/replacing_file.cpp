#include "host/headless/replacing_file.h"

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

namespace {

// The signals whose default action ends the process and that a user or the
// system sends to a long run: the terminal going away, ^C, ^\, kill, a reader
// gone from the pipe, abort.
constexpr int kFatalSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGABRT};

// The temporary file's name while it exists, for the handler below. Changed
// only with those signals blocked, so the handler never sees it half-way.
const char* volatile pending_removal = nullptr;

// The handler stays in place while it runs: with several threads a second
// signal may arrive on another one, and must not end the process (a default
// action) before the file is gone.
extern "C" void remove_pending_file(int signal_number) {
    const char* path = pending_removal;
    if (path != nullptr) unlink(path);
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
// job) stay ignored.
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

}  // namespace

std::string replace_refusal(const std::string& target) {
    struct stat info;
    if (lstat(target.c_str(), &info) != 0) return errno == ENOENT ? "" : std::strerror(errno);
    if (S_ISREG(info.st_mode)) return "";
    if (S_ISDIR(info.st_mode)) return "it is a directory";
    // Renaming over a link or a device node would replace it, not write to it.
    if (S_ISLNK(info.st_mode)) return "it is a symbolic link, not a regular file";
    return "it is not a regular file";
}

bool ReplacingFile::open(const std::string& target, std::string& error) {
    discard();
    error = replace_refusal(target);
    if (!error.empty()) return false;
    struct stat existing;
    const mode_t mode =
        stat(target.c_str(), &existing) == 0 ? existing.st_mode & 07777 : new_file_mode();

    // A short name of its own, so that a target name near the length limit
    // still leaves room, and nothing that exists is ever opened.
    temporary_ = (std::filesystem::path(target).parent_path() / "shadow_capture-XXXXXX").string();
    install_handlers();
    int fd = -1;
    {
        SignalsHeld held;
        fd = mkstemp(&temporary_[0]);
        if (fd >= 0) pending_removal = temporary_.c_str();
    }
    if (fd < 0) {
        error = std::strerror(errno);
        temporary_.clear();
        return false;
    }
    if (fchmod(fd, mode) != 0 || (file_ = fdopen(fd, "wb")) == nullptr) {
        error = std::strerror(errno);
        if (file_ == nullptr) close(fd);
        discard();
        return false;
    }
    target_ = target;
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
    if (std::fclose(file_) != 0 && failure == 0) failure = errno;
    file_ = nullptr;
    if (failure != 0) {
        error = std::strerror(failure);
        discard();
        return false;
    }
    // The run takes a while; look again just before replacing.
    error = replace_refusal(target_);
    if (!error.empty()) {
        discard();
        return false;
    }
    {
        SignalsHeld held;
        if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
            failure = errno;
        } else {
            pending_removal = nullptr;
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
    unlink(temporary_.c_str());
    pending_removal = nullptr;
    temporary_.clear();
}
