#pragma once
// quillet-thumb's presets: the settings file's "[preset NAME]" sections (presetfile.h) as
// the options a command line starts from.
#include "options.h"

#include <string>

// The settings file to read: Quillet.ini beside the executable when there is one, else the
// one in $XDG_CONFIG_HOME/Quillet (or $HOME/.config/Quillet), where the window keeps it then.
std::string SettingsFileToRead();

// The preset's keys over `options`, its sizes included (a key the preset lacks leaves its option as
// it was). False, with the reason in `error`, when the file holds no such preset.
bool ApplyPreset(const std::string &fileName, const std::string &name, ThumbOptions &options,
                 std::string &error);
