#include "targetname.h"

#include "thumbnailnaming.h"

#include <QFile>

QString ThumbnailTargetName(const QString &source, const QString &folder, bool addSuffix,
                            const QString &suffix) {
    // Named exactly as the command-line tool names its targets.
    const auto local = [](const QString &text) { return QFile::encodeName(text).toStdString(); };
    return QFile::decodeName(QByteArray::fromStdString(
        ThumbnailTargetPath(local(source), local(folder), addSuffix, local(suffix))));
}
