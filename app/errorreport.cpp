#include "errorreport.h"

#include <QApplication>
#include <QMessageBox>

QString ErrorReportText(const QString &message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowErrorReport(const QString &message) {
    QMessageBox::critical(QApplication::activeWindow(), QCoreApplication::applicationName(),
                          ErrorReportText(message));
}
