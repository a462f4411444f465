#include "application.h"

#include "errorreport.h"

#include <QDirIterator>
#include <QIcon>

#include <exception>

namespace {

// The icon theme's copy (the installed one, in every size the theme has), else the copy built
// into the program.
QIcon applicationIcon() {
    QIcon builtIn;
    QDirIterator sizes(QStringLiteral(":/icons"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (sizes.hasNext())
        builtIn.addFile(sizes.next() + QStringLiteral("/" QUILLET_APP_ID ".png"));
    return QIcon::fromTheme(QStringLiteral(QUILLET_APP_ID), builtIn);
}

} // namespace

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromLatin1(Title));
    // Desktops find the launcher, its name and icon through the desktop entry's name: the
    // Wayland app id, and the X11 hint window managers group windows by.
    setDesktopFileName(QStringLiteral(QUILLET_APP_ID));
    // The icon waits for the first window's first paint: looking it up in the icon theme and
    // decoding every size of it (X11 takes them all) would keep that window from showing.
    installEventFilter(this);
}

bool TApplication::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Paint) {
        removeEventFilter(this);
        QMetaObject::invokeMethod(
            this, [this] { setWindowIcon(applicationIcon()); }, Qt::QueuedConnection);
    }
    return QApplication::eventFilter(watched, event);
}

bool TApplication::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        ShowErrorReport(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowErrorReport(QStringLiteral("Unknown error"));
    }
    return false;
}
