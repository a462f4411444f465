#include "displaycheck.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::string environment(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

// Connects to a Unix socket (a leading '@' names one in the abstract namespace) and hangs up
// at once; errno when that fails. A server too busy to accept still counts as there.
int tryConnect(const std::string &path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return ENAMETOOLONG;
    std::memcpy(address.sun_path, path.data(), path.size());
    if (path.starts_with('@'))
        address.sun_path[0] = '\0';
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + path.size());
    const int result = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), length);
    const int error = result == 0 || errno == EAGAIN || errno == EINPROGRESS ? 0 : errno;
    ::close(fd);
    return error;
}

// X11: ":N" and "unix:N" (an optional ".screen" after N) are the local server's socket, in
// the abstract namespace or in /tmp/.X11-unix; another host is not tried.
std::optional<std::string> x11Problem(const std::string &display) {
    if (display.empty())
        return "DISPLAY is not set";
    const std::size_t colon = display.rfind(':');
    const std::string host = display.substr(0, colon == std::string::npos ? 0 : colon);
    if (colon == std::string::npos || (!host.empty() && host != "unix"))
        return std::nullopt;
    const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    const std::string socket = "/tmp/.X11-unix/X" + number;
    if (number.empty())
        return std::nullopt;
    const int abstractError = tryConnect("@" + socket);
    const int pathError = abstractError ? tryConnect(socket) : 0;
    if (abstractError == 0 || pathError == 0)
        return std::nullopt;
    // A server that listens on the abstract name only leaves no file behind.
    const int error = pathError == ENOENT ? abstractError : pathError;
    return "cannot reach the X display " + display + ": " + std::strerror(error);
}

// Wayland: WAYLAND_DISPLAY (wayland-0 when unset) inside XDG_RUNTIME_DIR, or a full path.
std::optional<std::string> waylandProblem(const DisplayChoice &choice) {
    const std::string name = choice.waylandDisplay.empty() ? "wayland-0" : choice.waylandDisplay;
    if (!name.starts_with('/') && choice.runtimeFolder.empty())
        return choice.waylandDisplay.empty() ? "WAYLAND_DISPLAY is not set"
                                             : "XDG_RUNTIME_DIR is not set";
    const std::string path = name.starts_with('/') ? name : choice.runtimeFolder + "/" + name;
    if (const int error = tryConnect(path))
        return choice.waylandDisplay.empty()
                   ? "WAYLAND_DISPLAY is not set"
                   : "cannot reach the Wayland display " + path + ": " + std::strerror(error);
    return std::nullopt;
}

} // namespace

DisplayChoice DisplayChoiceOf(const std::string &platformOption, const std::string &displayOption) {
    DisplayChoice choice;
    choice.platforms = platformOption.empty() ? environment("QT_QPA_PLATFORM") : platformOption;
    choice.x11Display = displayOption.empty() ? environment("DISPLAY") : displayOption;
    choice.waylandDisplay = environment("WAYLAND_DISPLAY");
    choice.runtimeFolder = environment("XDG_RUNTIME_DIR");
    return choice;
}

std::optional<std::string> MissingDisplay(const DisplayChoice &choice) {
    // Unless a platform is named, Qt picks X11 or Wayland by the session; either will do.
    const std::string platforms = choice.platforms.empty() ? "xcb;wayland" : choice.platforms;
    std::string problems;
    for (std::size_t start = 0; start <= platforms.size();) {
        const std::size_t end = std::min(platforms.find(';', start), platforms.size());
        // "name:argument,argument" passes arguments to the platform.
        const std::string entry = platforms.substr(start, end - start);
        const std::string name = entry.substr(0, entry.find(':'));
        start = end + 1;
        if (name.empty())
            continue;
        if (name != "xcb" && !name.starts_with("wayland"))
            return std::nullopt;
        const std::optional<std::string> problem =
            name == "xcb" ? x11Problem(choice.x11Display) : waylandProblem(choice);
        if (!problem)
            return std::nullopt;
        problems += (problems.empty() ? "" : "; ") + *problem;
    }
    if (problems.empty())
        return std::nullopt;
    return problems;
}
