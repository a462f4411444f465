#include "offthread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

void KeepPaintingUntil(const std::function<bool()> &done) {
    QCoreApplication::processEvents();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void WakeGuiThread() {
    // Any posted event ends the wait for more events; this one does nothing else.
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] {}, Qt::QueuedConnection);
}
