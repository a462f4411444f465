#pragma once
// The main window: the list of photos, the batch settings, the log and the progress of a run.
#include "colors.h"

#include <QKeySequence>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QAction;
class QCheckBox;
class QColorDialog;
class QComboBox;
class QDialog;
class QFileDialog;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSpinBox;
class TColorPanel;
class TImage;
class TKEL_edit;
class TKEL_files;
class TKEL_grbutton;
class TKEL_listbox;
class TKEL_progressbar;
class TPrompt;
class TSplitter;
class ThumbnailBatch;
struct BatchResult;
struct FileState;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // An empty settings file name means the one SettingsFileFor() finds for the executable's
    // folder. Without a prompt the window asks through message boxes; a given prompt must
    // outlive the window.
    explicit TForm1(const QString &settingsFileName = QString(), TPrompt *prompt = nullptr,
                    QWidget *parent = nullptr);
    // Saves the settings; a refused write goes to the general error report.
    ~TForm1() override;

    // The folder of the running executable, without a trailing "/".
    QString ExeFolder() const { return exeFolder_; }
    QString SettingsFileName() const { return settingsFileName_; }
    bool Running() const { return running_; }
    // Ends a running batch after the photo in hand, with "Process interrupted." in the log
    // and no question; nothing without a run.
    void StopRun();
    // Threads that convert a batch's photos ahead of the run; 0 (the start value) means one
    // per core.
    void setBatchWorkers(int count) { batchWorkers_ = count; }

    // Appends files, and the photos of folders, to the list exactly as a drop does.
    void AddFiles(const QStringList &fileNames) { appendFiles(fileNames); }
    // The photo of a row of the list, which the row shows as its path under the folder it was
    // found in when a walk of that folder (Include subfolders) found it.
    QString PhotoPath(int row) const;

    // The window the About button shows modally; none, and the button opens nothing.
    void setAboutWindow(QDialog *about);

    // The keys that start a run from anywhere in the window, besides Convert's Alt+C.
    static QKeySequence ConvertKeys();

    // Appends one line to the log: the time, "> " and the message; at most 501 lines stay.
    void WriteLog(const QString &Message);

    // The window's parts, named as the objectName of each.
    QWidget *Panel2;
    TSplitter *Splitter1;
    QWidget *Panel4;
    QLabel *Label1;
    QLabel *Label5;
    QWidget *Panel3;
    TKEL_listbox *KEL_listbox1;
    TSplitter *Splitter2;
    TImage *Image1;
    QLabel *Label10;
    TKEL_edit *KEL_edit5;
    TKEL_grbutton *KEL_grbutton3;
    QLabel *Label3;
    TKEL_grbutton *KEL_grbutton4;
    QLabel *Label4;
    QLabel *Label7;
    TKEL_edit *KEL_edit3;
    QLabel *Label8;
    TKEL_edit *KEL_edit4;
    QCheckBox *CheckBox1;
    QCheckBox *CheckBox4;
    QLabel *Label9;
    TKEL_edit *KEL_edit6;
    TColorPanel *Panel1;
    QCheckBox *CheckBox2;
    QCheckBox *CheckBox3;
    QCheckBox *CheckBox5;
    QCheckBox *CheckBox6; // smooth scaling
    QCheckBox *CheckBox7; // photos turned upright
    QCheckBox *CheckBox8; // colour profile kept
    QCheckBox *CheckBox9; // colours converted to sRGB
    QLabel *Label11;
    QComboBox *ComboBox1; // output format, in the order of OutputFormat
    QLabel *Label12;
    QSpinBox *SpinBox1;    // quality of the lossy formats
    QCheckBox *CheckBox10; // folders added with their subfolders
    QCheckBox *CheckBox11; // up-to-date thumbnails skipped
    QComboBox *ComboBox2;  // the settings file's presets, applied when chosen
    QLabel *Label2;
    TKEL_progressbar *KEL_progressbar1;
    QPlainTextEdit *Memo1;
    TKEL_grbutton *KEL_grbutton1;
    TKEL_grbutton *KEL_grbutton2;
    TKEL_files *KEL_files1;
    QMenu *PopupMenu1;
    QAction *Addfiles1;
    QAction *Addfolder1;
    QAction *Deleteselected1;
    QAction *Cancel1;
    // OpenDialog1 and ColorDialog1 are made on first use (openDialog(), colorDialog()).

public slots:
    void Addfiles1Click();
    void Addfolder1Click();
    void Deleteselected1Click();
    void KEL_grbutton1Click();
    void KEL_grbutton2Click();
    void KEL_grbutton3Click();
    void KEL_grbutton4Click();
    void KEL_listbox1Click();
    void Panel1Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void buildUpperPanel();
    void buildListFrame();
    void buildLowerPanel();
    void setMinimumSizes();
    void setKeyboardOrder();
    void nameForScreenReaders();
    // The dialogs cost start-up time and memory that the first picture does not need.
    QFileDialog *openDialog();
    QColorDialog *colorDialog();
    void connectHandlers();

    void FormCreate();
    void FormDestroy();
    void loadSettings();
    void saveSettings();

    // The batch run's pieces.
    void beginRun();
    void endRun(qint64 elapsedMs);
    void interruptRun();
    enum class TargetDecision { Write, Skip, Stop };
    // Whether the box is at least a pixel a side; else says which field is not and focuses it.
    bool boxIsValid();
    TargetDecision askAboutExistingTarget(const QString &target, FileState &seen);
    // After a No to an existing target: Continue process? (or a stop asked for meanwhile).
    TargetDecision afterKeepingTarget();
    TargetDecision settleTarget(const QString &target, ThumbnailBatch &batch, int index,
                                BatchResult &thumbnail);

    // Files as they are, folders as their photos: with Include subfolders on, down the whole
    // tree (each row showing its path under the folder), else the photos directly inside.
    void appendFiles(const QStringList &fileNames);
    void appendTree(const QString &folder);
    // The row's path under its walked folder; empty for a photo added otherwise.
    std::string photoRelative(int row) const;
    QStringList photoPaths() const;
    // The presets of the settings file into ComboBox2; choosing one sets the controls.
    void listPresets();
    void applyPreset(int index);

    QString exeFolder_;
    QString settingsFileName_;
    std::unique_ptr<TPrompt> ownPrompt_;
    TPrompt *prompt_;
    QPointer<QDialog> aboutWindow_;
    QFileDialog *openDialog_ = nullptr;
    QColorDialog *colorDialog_ = nullptr;
    bool running_ = false;
    bool closeRequested_ = false;
    bool stopRequested_ = false;
    // The run's answer to every existing target that follows, once Yes or No to All is given.
    enum class ExistingTargets {
        Ask,
        OverwriteAll,
        SkipAll
    } existingTargets_ = ExistingTargets::Ask;
    int batchWorkers_ = 0;
};
