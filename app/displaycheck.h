#pragma once
// Whether the windows have a display to open on, asked before the application object exists:
// Qt ends the process with an abort when its platform cannot connect, so a missing display is
// told here in words instead.
#include <optional>
#include <string>

struct DisplayChoice {
    std::string platforms;      // -platform, else QT_QPA_PLATFORM: Qt's list, names split by ';'
    std::string x11Display;     // -display, else DISPLAY
    std::string waylandDisplay; // WAYLAND_DISPLAY
    std::string runtimeFolder;  // XDG_RUNTIME_DIR, where Wayland's sockets are
};

// The choice that the given -platform and -display (empty when not given) and the
// environment make.
DisplayChoice DisplayChoiceOf(const std::string &platformOption, const std::string &displayOption);

// Why no platform of the choice can open a window ("DISPLAY is not set", "cannot reach the X
// display :5: Connection refused", ...), or nothing when one can. Only X11 and Wayland are
// judged, by connecting to their sockets; other platforms (offscreen, vnc, ...) are Qt's to
// judge, and so is an X display on another machine.
std::optional<std::string> MissingDisplay(const DisplayChoice &choice);
