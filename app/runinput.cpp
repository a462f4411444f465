#include "runinput.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
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

TRunInputBlocker::TRunInputBlocker(QWidget *window, std::function<void()> onEscape)
    : window_(window), onEscape_(std::move(onEscape)) {
    QCoreApplication::instance()->installEventFilter(this);
}

TRunInputBlocker::~TRunInputBlocker() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool TRunInputBlocker::eventFilter(QObject *watched, QEvent *event) {
    if (!window_ || !isUserAction(event->type()))
        return false;
    const bool aimedAtWindow = watched->isWidgetType()
                                   ? static_cast<QWidget *>(watched)->window() == window_
                                   : watched->isWindowType() && watched == window_->windowHandle();
    if (aimedAtWindow && onEscape_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
        onEscape_();
    return aimedAtWindow;
}
