#pragma once
// Where a source photo's thumbnail goes.
#include <QString>

// The source path with the suffix appended when asked for, then reduced to its file-name part
// (what follows the last "/", so a "/" inside the suffix cuts too) and placed in the folder.
// An empty name stays empty; an empty folder leaves the bare file name.
QString ThumbnailTargetName(const QString &source, const QString &folder, bool addSuffix,
                            const QString &suffix);
