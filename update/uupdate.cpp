#include "uupdate.h"

#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "filenames.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QShowEvent>

#include <algorithm>

namespace {

// Posted when the window is shown, so the conversation starts even where no window manager
// activates windows; whichever comes first, activation or this, runs it.
const QEvent::Type ActivateFallback = static_cast<QEvent::Type>(QEvent::registerEventType());

KelFont tahoma(TColor color = clWindowText, bool bold = false) {
    KelFont f(QStringLiteral("Tahoma"), -11, color, bold);
    f.Charset = KelFont::ANSI_CHARSET;
    return f;
}

} // namespace

// The window's side of the conversation.
class Tfupdate::Host : public UpdateHost {
public:
    explicit Host(Tfupdate &window) : w(window) {}

    void ClearLog() override { w.KEL_listbox1->ClearItems(); }
    void LogLine(const std::string &text) override {
        w.LogLine(QString::fromLocal8Bit(text.data(), qsizetype(text.size())));
    }
    // An empty range would turn the bar into a busy indicator; an empty file shows empty.
    void SetProgressMax(std::int32_t maximum) override {
        w.ProgressBar1->setMaximum(std::max(maximum, 1));
    }
    void SetProgressPosition(std::int64_t position) override {
        w.ProgressBar1->setValue(int(std::min<std::int64_t>(position, w.ProgressBar1->maximum())));
    }
    void Pump() override { QCoreApplication::processEvents(); }
    std::optional<std::string> ChooseTargetFile(const std::string &proposed) override {
        QFileDialog *dialog = w.saveDialog();
        const QString name = NameFromBytes(proposed);
        dialog->setDirectory(name.left(name.lastIndexOf(QLatin1Char('/')) + 1));
        dialog->selectFile(name);
        dialog->setHistory({});
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return std::nullopt;
        return NativeName(RecoverName(dialog->selectedFiles().constFirst()));
    }
    std::int32_t BuildNumber() override { return w.buildNumber_(); }
    std::string ExecutablePath() override {
        return QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    }
    bool Interrupted() override { return w.interruptRequested_; }

private:
    Tfupdate &w;
};

Tfupdate::Tfupdate(std::function<int()> buildNumber, QWidget *parent)
    : QDialog(parent), buildNumber_(std::move(buildNumber)) {
    buildWindow();
    // While a socket call waits, the windows keep painting and Close can stop the wait.
    TcpClient1.WaitPump = [] { QCoreApplication::processEvents(); };
}

void Tfupdate::buildWindow() {
    setObjectName(QStringLiteral("fupdate"));
    setWindowTitle(QStringLiteral("Update"));
    SetFormLook(*this, tahoma());
    setFixedSize(380, 148);

    Label1 = Named(new QLabel(QStringLiteral("Progress:"), this), "Label1");
    Label1->setGeometry(8, 8, 46, 13);

    KEL_listbox1 = Named(new TKEL_listbox(this), "KEL_listbox1");
    KEL_listbox1->setGeometry(8, 24, 361, 81);
    KEL_listbox1->setFont(tahoma());
    KEL_listbox1->setItemHeight(16);
    KEL_listbox1->setColor(clWhite);
    KEL_listbox1->setLineColoring(true);
    KEL_listbox1->setLineColorOdd(13421772);
    KEL_listbox1->setLineColorEven(clWhite);
    KEL_listbox1->setLineColorSelected(clYellow);
    KEL_listbox1->setTextColorSelected(clBlack);
    KEL_listbox1->setMouseOverColor(clWhite);
    KEL_listbox1->setProgressExists(false);
    KEL_listbox1->setProgressColor(clLime);
    KEL_listbox1->setColumnSeparator(QStringLiteral("||"));
    KEL_listbox1->setColumnDefaultWidth(92);
    KEL_listbox1->setColumnCount(0);
    KEL_listbox1->setFontSynchronize(true);

    KEL_grbutton1 = Named(new TKEL_grbutton(this), "KEL_grbutton1");
    KEL_grbutton1->setGeometry(8, 120, 80, 17);
    KEL_grbutton1->setCaption(QStringLiteral("Close"));
    KEL_grbutton1->setBorderWidth(1);
    KEL_grbutton1->setColor(8454143);
    KEL_grbutton1->setColorBorder(clNavy);
    KEL_grbutton1->setColorOver(clSilver);
    KEL_grbutton1->setColorDown(clGray);
    KEL_grbutton1->setFont(tahoma(clBlack));
    KEL_grbutton1->setFontMouseOver(tahoma(clRed, true));
    KEL_grbutton1->setLedExists(false);
    KEL_grbutton1->setShowCaption(true);
    KEL_grbutton1->setWordWrap(false);
    KEL_grbutton1->setAlignmentV(TKEL_grbutton::va_center);
    KEL_grbutton1->setShowHint(true);
    connect(KEL_grbutton1, &TKEL_grbutton::OnClick, this, &Tfupdate::KEL_grbutton1Click);

    ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setGeometry(96, 120, 273, 16);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    setTabOrder(KEL_listbox1, KEL_grbutton1);
    setTabOrder(KEL_grbutton1, ProgressBar1);
}

// Made on first use: a file dialog costs a noticeable share of the program's start-up.
QFileDialog *Tfupdate::saveDialog() {
    if (!SaveDialog1) {
        // No filter, no title of its own, no question when the chosen file exists.
        SaveDialog1 = Named(new QFileDialog(this), "SaveDialog1");
        SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
        SaveDialog1->setFileMode(QFileDialog::AnyFile);
        SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite);
    }
    return SaveDialog1;
}

void Tfupdate::LogLine(const QString &text) {
    QMutexLocker lock(&LogLock);
    KEL_listbox1->InsertItem(0, text);
    QCoreApplication::processEvents();
}

void Tfupdate::RunUpdate() {
    UpdateStarted = true;
    running_ = true;
    // An error raised out of the conversation leaves the window open and drops a pending
    // close: the user reads the report and the log, then closes.
    struct Running {
        Tfupdate &w;
        ~Running() { w.running_ = false; }
    } guard{*this};
    closeRequested_ = false;
    interruptRequested_ = false;
    Host host(*this);
    RunUpdateConversation(host, TcpClient1, Server);
    running_ = false;
    if (closeRequested_) {
        closeRequested_ = false;
        close();
    }
}

void Tfupdate::KEL_grbutton1Click() {
    close();
}

void Tfupdate::done(int result) {
    // A close during the conversation stops it; the window closes as the conversation ends.
    if (running_) {
        closeRequested_ = true;
        interruptRequested_ = true;
        return;
    }
    FormClose();
    QDialog::done(result);
}

bool Tfupdate::event(QEvent *event) {
    if (event->type() == QEvent::WindowActivate || event->type() == ActivateFallback)
        FormActivate();
    return QDialog::event(event);
}

void Tfupdate::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Placed by the window system the first time, then left where it is.
    if (!placed_) {
        placed_ = true;
        setAttribute(Qt::WA_Moved);
    }
    FormShow();
    QCoreApplication::postEvent(this, new QEvent(ActivateFallback));
}

void Tfupdate::FormShow() {
    UpdateStarted = false;
}

void Tfupdate::FormActivate() {
    // Shown as a part of another window (the gallery), it shows itself and talks to no server.
    if (!UpdateStarted && isVisible() && isWindow())
        RunUpdate();
}

void Tfupdate::FormClose() {
    if (TcpClient1.Connected())
        TcpClient1.Disconnect();
}
