#include "uabout.h"

#include "KEL_files.h"
#include "KEL_glpanel.h"
#include "KEL_label.h"
#include "aboutscene.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QShowEvent>
#include <QUrl>

const char *const Tfabout::WebAddress = "https://www.quillet.org/";

Tfabout::Tfabout(QWidget *parent, const QString &exeFileName)
    : QDialog(parent), exeFileName_(exeFileName) {
    buildWindow();
}

// No frame may be drawn for a window on its way out.
Tfabout::~Tfabout() {
    KEL_glpanel1->setThreadActive(false);
}

void Tfabout::setUpdateWindow(QDialog *window) {
    updateWindow_ = window;
}

void Tfabout::showEvent(QShowEvent *event) {
    // Centred over the main window the first time only; later showings keep the place. The
    // client areas are centred on each other, before the window is mapped: the frame a
    // window manager adds is not known yet, and both windows carry the same one. Shown inside
    // another window (the gallery), it keeps the place it was given.
    if (!event->spontaneous() && !placed_ && isWindow()) {
        placed_ = true;
        if (const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr) {
            QRect placed(QPoint(), size());
            placed.moveCenter(owner->geometry().center());
            setGeometry(placed);
        }
    }
    QDialog::showEvent(event);
    setAttribute(Qt::WA_Moved, true);
    if (!event->spontaneous())
        FormShow();
}

void Tfabout::hideEvent(QHideEvent *event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

void Tfabout::FormShow() {
    int Major = 0, Minor = 0, Release = 0, Build = 0;
    // Without a version record the numbers stay 0.
    KEL_files1->GetFileVersion(exeFileName_.isEmpty() ? QCoreApplication::applicationFilePath()
                                                      : exeFileName_,
                               Major, Minor, Release, Build);
    BuildNumber = Build;
    KEL_label2->setCaption(
        QStringLiteral("Rev. %1.%2.%3 (build %4)").arg(Major).arg(Minor).arg(Release).arg(Build));
    KEL_glpanel1->setThreadActive(true);
    StartTime.start();
    // The panel still holds the last frame of the previous showing: the first pose replaces
    // it before the window reaches the screen.
    DrawAboutScene(*KEL_glpanel1, 0);
}

void Tfabout::FormHide() {
    KEL_glpanel1->setThreadActive(false);
}

void Tfabout::KEL_grbutton4Click() {
    close();
}

void Tfabout::KEL_grbutton1Click() {
    if (updateWindow_)
        updateWindow_->exec();
}

void Tfabout::KEL_glpanel1ThreadEvent() {
    const float t = StartTime.isValid() ? float(double(StartTime.nsecsElapsed()) / 1e6) : 0.0f;
    DrawAboutScene(*KEL_glpanel1, t);
}

// The address opens in the user's browser the way the desktop opens addresses.
void Tfabout::KEL_label3Click() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(WebAddress)));
}
