#include "host/display_check.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// 0 when something accepts a connection on the socket at `path`, else errno.
// `abstract` names Linux's abstract socket of that name, where X servers listen too.
int connect_error(const std::string& path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof(address.sun_path)) return ENAMETOOLONG;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return errno;
    const socklen_t length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    const int result = connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 ? 0 : errno;
    close(fd);
    return result;
}

// Why no local X server answers on DISPLAY; empty when one does or when the
// display is not a local one.
std::string x_problem() {
    const std::string display = env("DISPLAY");
    if (display.empty()) return "DISPLAY is not set (X11)";
    const std::size_t colon = display.rfind(':');
    const std::string host = colon == std::string::npos ? display : display.substr(0, colon);
    if (colon == std::string::npos || !(host.empty() || host == "unix")) return "";
    const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return "";
    const std::string path = "/tmp/.X11-unix/X" + number;
    if (connect_error(path, true) == 0) return "";
    const int error = connect_error(path, false);
    if (error == 0) return "";
    return "DISPLAY is " + display + ", but no X server answers there (" + path + ": " +
           std::strerror(error) + ")";
}

// Likewise for the Wayland compositor the client library would connect to.
std::string wayland_problem() {
    if (!env("WAYLAND_SOCKET").empty()) return "";
    const std::string display = env("WAYLAND_DISPLAY");
    const std::string name = display.empty() ? "wayland-0" : display;
    std::string path = name;
    if (name[0] != '/') {
        const std::string runtime = env("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return display.empty() ? "WAYLAND_DISPLAY and XDG_RUNTIME_DIR are not set (Wayland)"
                                   : "WAYLAND_DISPLAY is " + display +
                                         ", but XDG_RUNTIME_DIR, where its socket lies, is not set";
        path = runtime + "/" + name;
    }
    const int error = connect_error(path, false);
    if (error == 0) return "";
    if (display.empty() && error == ENOENT) return "WAYLAND_DISPLAY is not set (Wayland)";
    return (display.empty() ? "WAYLAND_DISPLAY is not set" : "WAYLAND_DISPLAY is " + display) +
           ", and no compositor answers at " + path + " (" + std::strerror(error) + ")";
}

}  // namespace

std::string missing_display() {
    if (!env("SDL_VIDEODRIVER").empty()) return "";
    const std::string x = x_problem();
    if (x.empty()) return "";
    const std::string wayland = wayland_problem();
    if (wayland.empty()) return "";
    return "No display to open the window on: " + x + "; " + wayland +
           ". Run it inside an X11 or Wayland session, or set DISPLAY or WAYLAND_DISPLAY to one "
           "that runs.";
}
