#include "screenshot.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace {

constexpr int pollMs = 20;
constexpr int exposeWaitMs = 5000;

void saveAndQuit(QWidget *window, const QString &fileName) {
    const QPixmap picture = window->grab();
    const bool saved = !picture.isNull() && picture.save(fileName, "PNG");
    if (!saved)
        std::fprintf(stderr, "quillet-gallery: could not write %s\n", qPrintable(fileName));
    QCoreApplication::exit(saved ? 0 : 1);
}

void pollExposed(QWidget *window, const QString &fileName, QDeadlineTimer deadline) {
    const QWindow *handle = window->windowHandle();
    if ((handle && handle->isExposed()) || deadline.hasExpired()) {
        // One more turn of the loop lets pending paints and layouts settle.
        QTimer::singleShot(0, window, [window, fileName] { saveAndQuit(window, fileName); });
        return;
    }
    QTimer::singleShot(pollMs, window,
                       [window, fileName, deadline] { pollExposed(window, fileName, deadline); });
}

} // namespace

void ScreenshotWhenShown(QWidget *window, const QString &fileName) {
    QTimer::singleShot(0, window, [window, fileName] {
        pollExposed(window, fileName, QDeadlineTimer(exposeWaitMs));
    });
}
