#pragma once
// What a save writes after "width=" for a [settings] section that holds only a width: the
// values the window takes for the keys the file lacks.
#include "defaults.h"

#include <QByteArray>

#include <string>

inline const QByteArray KeysAfterWidth = [] {
    const BatchDefaults &d = kDefaults;
    const auto flag = [](bool on) { return QByteArray(on ? "1" : "0"); };
    return "height=" + QByteArray::number(d.height.missingKey) +
           "\nextension=" + QByteArray::fromStdString(std::string(d.suffix.missingKey)) +
           "\ntargetfolder=" + QByteArray::fromStdString(std::string(d.targetFolder.missingKey)) +
           "\naddextension=" + flag(d.addSuffix.missingKey) +
           "\noverwrite=" + flag(d.overwrite.missingKey) +
           "\nfillcolor=" + QByteArray::number(d.fill.missingKey) +
           "\nmaintainaspect=" + flag(d.keepAspect.missingKey) +
           "\ntransparent=" + flag(d.transparent.missingKey) +
           "\nsmooth=" + flag(d.smooth.missingKey) + "\nupright=" + flag(d.upright.missingKey) +
           "\nkeepprofile=" + flag(d.keepProfile.missingKey) +
           "\nformat=" + QByteArray::fromStdString(std::string(FormatName(d.format.missingKey))) +
           "\nquality=" + QByteArray::number(d.quality.missingKey) +
           "\nsrgb=" + flag(d.srgb.missingKey) + "\nsubfolders=" + flag(d.recursive.missingKey) +
           "\nupdate=" + flag(d.update.missingKey) + "\n";
}();
