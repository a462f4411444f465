#include "errorreport.h"

#include "signalclose.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

QString ErrorReportText(const QString &message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowErrorReport(const QString &message) {
    // A box would hold an exit that a signal asked for until someone clicks it.
    if (ClosingOnSignal()) {
        std::fprintf(stderr, "quillet: %s\n", qPrintable(ErrorReportText(message)));
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QCoreApplication::applicationName(),
                          ErrorReportText(message));
}
