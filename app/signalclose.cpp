#include "signalclose.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The pipe's writing end, the only thing the handler touches besides the count.
volatile sig_atomic_t signalPipe = -1;
std::atomic<int> signalsSeen{0}; // lock-free on every target we build for
bool closingOnSignal = false;

extern "C" void onTerminationSignal(int number) {
    // A second signal means the first close did not get through (a hung server, a stuck
    // disk): the default action ends the program as soon as this handler returns.
    if (++signalsSeen > 1) {
        signal(number, SIG_DFL);
        raise(number);
        return;
    }
    const int saved = errno;
    const char byte = char(number);
    // Non-blocking: with the pipe full, a close is already on its way.
    [[maybe_unused]] ssize_t written = write(signalPipe, &byte, 1);
    errno = saved;
}

// Closes the modal windows open over the main window (a dialog, the About and Update
// windows); an Update window in the middle of its conversation stops it and closes once
// it has ended.
void closeModalWindows() {
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->isModal())
            window->close();
}

} // namespace

bool ClosingOnSignal() {
    return closingOnSignal;
}

void CloseOnTerminationSignals(QWidget &window) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    signalPipe = fds[1];
    auto *notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window,
                     [readEnd = fds[0], target = QPointer<QWidget>(&window)] {
                         char bytes[64];
                         while (read(readEnd, bytes, sizeof bytes) > 0) {
                         }
                         closingOnSignal = true;
                         closeModalWindows();
                         if (target)
                             target->close();
                     });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        sigaction(number, &action, nullptr);
}
