#include "application.h"

#include "errorreport.h"

#include <exception>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromLatin1(Title));
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
