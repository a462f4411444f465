#pragma once
// The About window: the program's name, its revision and build read from the executable's
// version record, the web address, and an animated OpenGL scene while it is visible. Its
// "update" button opens the Update window.
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class TKEL_files;
class TKEL_glpanel;
class TKEL_grbutton;
class TKEL_label;

class Tfabout : public QDialog {
    Q_OBJECT
public:
    // The version shown is that of exeFileName; empty means the running executable.
    explicit Tfabout(QWidget *parent = nullptr, const QString &exeFileName = QString());
    ~Tfabout() override;

    // The window the "update" button shows modally; none, and the button opens nothing.
    void setUpdateWindow(QDialog *window);

    // The build number of the executable's version, read at every showing; 0 until then.
    int BuildNumber = 0;

    // The window's parts, named as the objectName of each.
    TKEL_label *KEL_label1;
    TKEL_label *KEL_label2;
    TKEL_label *KEL_label3;
    TKEL_glpanel *KEL_glpanel1;
    TKEL_grbutton *KEL_grbutton4;
    TKEL_grbutton *KEL_grbutton1;
    TKEL_files *KEL_files1;

    // Handlers.
    void FormShow();
    void FormHide();
    void KEL_grbutton4Click();
    void KEL_grbutton1Click();
    void KEL_glpanel1ThreadEvent();

    // The address the web-address label opens.
    static const char *const WebAddress;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildWindow();
    void KEL_label3Click();

    QString exeFileName_;
    // The animation clock, restarted at every showing.
    QElapsedTimer StartTime;
    QPointer<QDialog> updateWindow_;
    bool placed_ = false;
};
