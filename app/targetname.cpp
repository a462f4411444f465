#include "targetname.h"

QString ThumbnailTargetName(const QString &source, const QString &folder, bool addSuffix,
                            const QString &suffix) {
    QString name = addSuffix ? source + suffix : source;
    if (name.isEmpty())
        return name;
    QString prefix = folder;
    if (!prefix.isEmpty() && !prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    return prefix + name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
}
