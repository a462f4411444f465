#include "runinput.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

namespace {

bool isUserAction(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

TRunInputBlocker::TRunInputBlocker(QWidget *window) : window_(window) {
    QCoreApplication::instance()->installEventFilter(this);
}

TRunInputBlocker::~TRunInputBlocker() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool TRunInputBlocker::eventFilter(QObject *watched, QEvent *event) {
    if (!window_ || !isUserAction(event->type()))
        return false;
    if (watched->isWidgetType())
        return static_cast<QWidget *>(watched)->window() == window_;
    if (watched->isWindowType())
        return watched == window_->windowHandle();
    return false;
}
