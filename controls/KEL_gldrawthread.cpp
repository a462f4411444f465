#include "KEL_gldrawthread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScopeGuard>

#include <algorithm>

TKEL_gldrawthread::TKEL_gldrawthread(int delay, TKEL_glpanelevent event, QObject *parent)
    : QThread(parent), delay_(delay), event_(std::move(event)) {}

TKEL_gldrawthread::~TKEL_gldrawthread() {
    TerminateAndWait();
}

void TKEL_gldrawthread::Terminate() {
    {
        std::lock_guard<std::mutex> lock(sleepLock_);
        terminated_ = true;
    }
    wake_.notify_all();
}

bool TKEL_gldrawthread::SleepUnlessTerminated() {
    std::unique_lock<std::mutex> lock(sleepLock_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(std::max(delay_, 0)),
                           [this] { return terminated_.load(); });
}

void TKEL_gldrawthread::run() {
    while (!terminated_) {
        if (SleepUnlessTerminated() && event_)
            QMetaObject::invokeMethod(this, &TKEL_gldrawthread::Tick, Qt::BlockingQueuedConnection);
    }
}

void TKEL_gldrawthread::Tick() {
    // A stop requested while this tick was on its way wins: nothing runs for a panel that
    // is being hidden or destroyed.
    if (terminated_)
        return;
    ticking_ = true;
    // An exception from the event goes on to the application's error report.
    const auto done = qScopeGuard([this] { ticking_ = false; });
    event_();
}

// The thread may be blocked in a tick posted to this (GUI) thread, which is not handling
// events now: removing the posted call releases it, and it then sees the stop flag.
void TKEL_gldrawthread::TerminateAndWait() {
    Terminate();
    while (!wait(QDeadlineTimer(5)))
        QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
}
