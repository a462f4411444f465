#include "prompt.h"

#include "errorreport.h"

#include <QMessageBox>

bool TMessageBoxPrompt::Confirm(const QString &text) {
    return QMessageBox::question(owner_, QStringLiteral("Confirm"), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TMessageBoxPrompt::Inform(const QString &text) {
    QMessageBox::information(owner_, QStringLiteral("Information"), text, QMessageBox::Ok);
}

void TMessageBoxPrompt::ReportError(const QString &text) {
    ShowErrorReport(text);
}
