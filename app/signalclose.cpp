#include "signalclose.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The pipe's writing end, the only thing the handler touches.
volatile sig_atomic_t signalPipe = -1;

extern "C" void onTerminationSignal(int number) {
    const int saved = errno;
    const char byte = char(number);
    // Non-blocking: with the pipe full, a close is already on its way.
    [[maybe_unused]] ssize_t written = write(signalPipe, &byte, 1);
    errno = saved;
}

} // namespace

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
