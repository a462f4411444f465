#pragma once
// Named sets of settings, "[preset NAME]" sections of the settings file the window keeps, with
// the keys of its [settings] section (width, height, extension, targetfolder, addextension,
// overwrite, fillcolor, maintainaspect, smooth, upright, keepprofile) and, for several sizes,
// "sizes" (such as "160x180 320x320 1024x1024", which wins over width and height).
#include "options.h"

#include <string>

// The settings file to read: Quillet.ini beside the executable when there is one, else the
// one in $XDG_CONFIG_HOME/Quillet (or $HOME/.config/Quillet), where the window keeps it then.
std::string SettingsFileToRead();

// The preset's keys over `options` (a key the preset lacks leaves its option as it was).
// False, with the reason in `error`, when the file holds no such preset.
bool ApplyPreset(const std::string &fileName, const std::string &name, ThumbOptions &options,
                 std::string &error);
