#pragma once
// The Update window: the log of the update conversation, newest line first, a progress bar
// for the download and a Close button. Each showing runs the conversation once, from its
// first activation; a close asked for meanwhile interrupts the conversation, and the window
// closes as soon as it has ended.
#include "runupdate.h"
#include "tcpclient.h"

#include <QDialog>
#include <QRecursiveMutex>

#include <functional>

class QFileDialog;
class QLabel;
class QProgressBar;
class TKEL_grbutton;
class TKEL_listbox;

class Tfupdate : public QDialog {
    Q_OBJECT
public:
    // `buildNumber` gives the running build when the conversation compares it.
    explicit Tfupdate(std::function<int()> buildNumber, QWidget *parent = nullptr);

    // Adds a line at the top of the log and pumps the message queue.
    void LogLine(const QString &text);
    void RunUpdate();

    // Where the conversation goes; the built-in update server unless changed.
    UpdateServer Server;
    bool UpdateStarted = false;
    QRecursiveMutex LogLock;
    // True while RunUpdate runs.
    bool Running() const { return running_; }

    QLabel *Label1;
    TKEL_listbox *KEL_listbox1;
    TKEL_grbutton *KEL_grbutton1;
    QProgressBar *ProgressBar1;
    // Made on first use, by saveDialog().
    QFileDialog *SaveDialog1 = nullptr;
    TTcpClient TcpClient1;

public slots:
    void KEL_grbutton1Click();
    // Every way of closing (Close, close box, Escape) ends here.
    void done(int result) override;

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    class Host;

    void buildWindow();
    QFileDialog *saveDialog();
    void FormShow();
    void FormActivate();
    void FormClose();

    std::function<int()> buildNumber_;
    bool running_ = false;
    bool closeRequested_ = false;
    bool interruptRequested_ = false;
    bool placed_ = false;
};
