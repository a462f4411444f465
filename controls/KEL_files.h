#pragma once
// A non-visual helper a window holds to reach file-system services: special folders, a
// modal folder browser, a file's version numbers, the volume serial and whether the program
// runs from a local disk.
#include <QObject>
#include <QString>

class TKEL_files : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version CONSTANT)
    Q_PROPERTY(QString DiskSerial READ DiskSerial CONSTANT)
    Q_PROPERTY(bool ShowProgress READ ShowProgress WRITE setShowProgress)
    Q_PROPERTY(bool Confirmation READ Confirmation WRITE setConfirmation)
    Q_PROPERTY(bool OnlocalDrive READ OnlocalDrive CONSTANT)
    Q_PROPERTY(QString _Desktop READ _Desktop)
    Q_PROPERTY(QString _Programs READ _Programs)
    Q_PROPERTY(QString _Startup READ _Startup)
    Q_PROPERTY(QString _Personal READ _Personal)
public:
    // Shell folder numbers understood by GetSpecialFolder.
    static constexpr int CSIDL_DESKTOP = 0;
    static constexpr int CSIDL_PROGRAMS = 2;
    static constexpr int CSIDL_PERSONAL = 5;
    static constexpr int CSIDL_STARTUP = 7;

    explicit TKEL_files(QObject *parent = nullptr);

    static QString Version();
    QString DiskSerial() const { return diskSerial_; }
    bool OnlocalDrive() const { return onLocalDrive_; }
    bool ShowProgress() const { return showProgress_; }
    void setShowProgress(bool on) { showProgress_ = on; }
    bool Confirmation() const { return confirmation_; }
    void setConfirmation(bool on) { confirmation_ = on; }

    // Asked again on every read, so a moved folder shows its new place.
    QString _Desktop() const { return GetSpecialFolder(CSIDL_DESKTOP); }
    QString _Programs() const { return GetSpecialFolder(CSIDL_PROGRAMS); }
    QString _Startup() const { return GetSpecialFolder(CSIDL_STARTUP); }
    QString _Personal() const { return GetSpecialFolder(CSIDL_PERSONAL); }

    // The folder's path; empty for an unknown number or a folder this system lacks.
    static QString GetSpecialFolder(int folder);

    // A modal folder chooser titled `title`, opened on `initialFolder` when that is not
    // empty; the chosen folder, or empty when cancelled. With `disableOtherWindows` every
    // visible enabled top-level window is disabled while it is open, otherwise it is modal
    // to this component's window only.
    QString BrowseFolder(const QString &title, const QString &initialFolder,
                         bool disableOtherWindows);
    // The last non-empty initial folder given to BrowseFolder, shared by all instances.
    static QString BrowseInitialFolder();

    // The file's four version numbers; on false the outputs keep the caller's values.
    static bool GetFileVersion(const QString &fileName, int &Major, int &Minor, int &Release,
                               int &Build);
    // Eight upper-case hexadecimal digits for the volume holding path; empty on failure.
    static QString GetDiskSerial(const QString &path);
    // Whether path lies on a local disk (not a network share, optical disc or memory disk).
    static bool IsLocalDrive(const QString &path);

signals:
    // Declared so windows can bind handlers; no operation here raises them.
    void OnFileFound(QObject *Sender, const QString &Found);
    void OnFindFileReady(QObject *Sender);

private:
    QWidget *ownerWindow() const;

    QString diskSerial_;
    bool onLocalDrive_ = false;
    bool showProgress_ = true;
    bool confirmation_ = false;
};
