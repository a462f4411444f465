#include "KEL_files.h"

#include "filenames.h"

#include "versionrecord.h"
#include "volume.h"

#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QStandardPaths>
#include <QWidget>

#include <vector>

namespace {

QString browseInitialFolder;

QString existingFolder(const QString &path) {
    return !path.isEmpty() && KindOf(path) == NameKind::Folder ? path : QString();
}

} // namespace

TKEL_files::TKEL_files(QObject *parent) : QObject(parent) {
    const QString self = QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                                      : QStringLiteral("/proc/self/exe");
    onLocalDrive_ = IsLocalDrive(self);
    // The system volume: the root file system.
    diskSerial_ = GetDiskSerial(QStringLiteral("/"));
}

QString TKEL_files::Version() {
    return QStringLiteral("r1.08/quillet-controls@quillet.org");
}

QString TKEL_files::GetSpecialFolder(int folder) {
    switch (folder) {
    case CSIDL_DESKTOP:
        return existingFolder(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    case CSIDL_PROGRAMS:
        return existingFolder(
            QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation));
    case CSIDL_PERSONAL:
        return existingFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    case CSIDL_STARTUP: {
        // Programs started at log-in: the XDG autostart folder.
        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        return config.isEmpty() ? QString() : existingFolder(config + QStringLiteral("/autostart"));
    }
    default:
        return {};
    }
}

QWidget *TKEL_files::ownerWindow() const {
    if (auto *w = qobject_cast<QWidget *>(parent()))
        return w->window();
    return QApplication::activeWindow();
}

QString TKEL_files::BrowseFolder(const QString &title, const QString &initialFolder,
                                 bool disableOtherWindows) {
    if (!initialFolder.isEmpty())
        browseInitialFolder = initialFolder;

    std::vector<QPointer<QWidget>> disabled;
    if (disableOtherWindows) {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->isEnabled()) {
                w->setEnabled(false);
                disabled.emplace_back(w);
            }
        }
    }
    // A disabled owner would disable the dialog with it, so then it stands alone.
    QFileDialog dialog(disableOtherWindows ? nullptr : ownerWindow(), title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!initialFolder.isEmpty())
        dialog.setDirectory(initialFolder);
    dialog.setWindowModality(disableOtherWindows ? Qt::ApplicationModal : Qt::WindowModal);
    const bool chosen = dialog.exec() == QDialog::Accepted;

    for (const auto &w : disabled) {
        if (w)
            w->setEnabled(true);
    }
    if (!chosen || dialog.selectedFiles().isEmpty())
        return {};
    return RecoverName(dialog.selectedFiles().constFirst());
}

QString TKEL_files::BrowseInitialFolder() {
    return browseInitialFolder;
}

bool TKEL_files::GetFileVersion(const QString &fileName, int &Major, int &Minor, int &Release,
                                int &Build) {
    return ::GetFileVersion(NativeName(fileName), Major, Minor, Release, Build);
}

QString TKEL_files::GetDiskSerial(const QString &path) {
    return QString::fromStdString(::GetDiskSerial(NativeName(path)));
}

bool TKEL_files::IsLocalDrive(const QString &path) {
    return ::IsLocalDrive(NativeName(path));
}
