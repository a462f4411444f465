#include "prompt.h"

#include "errorreport.h"

#include <QMessageBox>

bool TMessageBoxPrompt::Confirm(const QString &text) {
    return QMessageBox::question(owner_, QStringLiteral("Confirm"), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

TPrompt::Answer TMessageBoxPrompt::ConfirmSeries(const QString &text) {
    // The standard buttons, so their access keys are the ones users know from elsewhere.
    QMessageBox box(
        QMessageBox::Question, QStringLiteral("Confirm"), text,
        QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll, owner_);
    box.setDefaultButton(QMessageBox::Yes);
    // Two buttons say no: without this, Esc would answer neither.
    box.setEscapeButton(QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::YesToAll:
        return Answer::YesToAll;
    case QMessageBox::NoToAll:
        return Answer::NoToAll;
    default:
        return Answer::No;
    }
}

void TMessageBoxPrompt::Inform(const QString &text) {
    QMessageBox::information(owner_, QStringLiteral("Information"), text, QMessageBox::Ok);
}

void TMessageBoxPrompt::ReportError(const QString &text) {
    ShowErrorReport(text);
}
