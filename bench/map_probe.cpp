// Starts a program and waits, as one X client listening for map events on the root window,
// until a top-level window with the given title is mapped. Prints the milliseconds from
// launch to that event and the program's process id; the program is left stopped (SIGSTOP at
// the event, so the CPU time it has used can be read as it was then: continue it with
// SIGCONT), its standard output discarded.
//
//   map_probe TITLE PROGRAM [ARGUMENT...]
//
// Exit status 1 when the program ends, or 20 s pass, before the window is mapped.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

extern char **environ;

namespace {

double MillisecondsSince(const timespec &start) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec - start.tv_sec) * 1e3 + double(now.tv_nsec - start.tv_nsec) / 1e6;
}

bool HasTitle(Display *display, Window window, const std::string &title) {
    XTextProperty property{};
    if (!XGetWMName(display, window, &property) || property.value == nullptr)
        return false;
    const bool same =
        std::string(reinterpret_cast<const char *>(property.value), property.nitems) == title;
    XFree(property.value);
    return same;
}

// A window may be gone by the time its title is asked for.
int IgnoreErrors(Display *, XErrorEvent *) {
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TITLE PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "map_probe: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const std::string title = argv[1];
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    // The program must not hold our standard output open: the caller reads it to its end.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[2], &actions, nullptr, argv + 2, environ) != 0) {
        std::perror("map_probe: posix_spawn");
        return 2;
    }
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (MillisecondsSince(start) < 20000) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && HasTitle(display, event.xmap.window, title)) {
                kill(pid, SIGSTOP);
                std::printf("%.2f %d\n", MillisecondsSince(start), int(pid));
                return 0;
            }
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "map_probe: %s ended before its window was mapped\n", argv[2]);
            return 1;
        }
        poll(&connection, 1, 50);
    }
    kill(pid, SIGTERM);
    std::fprintf(stderr, "map_probe: no window titled \"%s\" within 20 s\n", title.c_str());
    return 1;
}
