#include "settingslocation.h"

#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString fileName = QStringLiteral("Quillet.ini");

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
    place.folderWritable = IsWritableFolder(QFile::encodeName(exeFolder).toStdString());
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
