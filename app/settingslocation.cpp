#include "settingslocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString fileName = QStringLiteral("Quillet.ini");

// Like a plain write would see it, except that a folder without any write bit counts as
// read-only even for the superuser, as for every other file the program writes.
bool writableFolder(const QString &folder) {
    const QByteArray name = QFile::encodeName(folder);
    struct stat st {};
    return ::stat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
           ::access(name.constData(), W_OK) == 0;
}

} // namespace

QString ChooseSettingsFile(const TSettingsPlace &place) {
    const QString beside = place.exeFolder + QLatin1Char('/') + fileName;
    if (place.fileBesideExe || (place.folderWritable && !place.installFolder))
        return beside;
    QString config = place.xdgConfigHome;
    if (!QDir::isAbsolutePath(config)) {
        if (!QDir::isAbsolutePath(place.home))
            return beside; // nowhere else to go: the write will be refused and reported
        config = place.home + QStringLiteral("/.config");
    }
    return QDir::cleanPath(config) + QStringLiteral("/Quillet/") + fileName;
}

QString SettingsFileFor(const QString &exeFolder) {
    TSettingsPlace place;
    place.exeFolder = exeFolder;
    place.folderWritable = writableFolder(exeFolder);
#ifdef QUILLET_INSTALL_BINDIR
    place.installFolder = QDir(exeFolder) == QDir(QStringLiteral(QUILLET_INSTALL_BINDIR));
#else
    place.installFolder = false;
#endif
    place.fileBesideExe = QFileInfo::exists(exeFolder + QLatin1Char('/') + fileName);
    place.xdgConfigHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    place.home = qEnvironmentVariable("HOME");
    return ChooseSettingsFile(place);
}

void CreateSettingsFolder(const QString &settingsFileName) {
    QDir().mkpath(QFileInfo(settingsFileName).path());
}
