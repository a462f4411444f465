#pragma once
// Named sets of settings: "[preset NAME]" sections of the settings file the window keeps,
// read the same way by the window and quillet-thumb. A preset holds any of the keys of the
// [settings] section (width, height, extension, targetfolder, addextension, overwrite,
// fillcolor, maintainaspect, transparent, smooth, upright, keepprofile, format, quality,
// srgb) and, for several sizes, "sizes" (such as "160x180 320x320", which wins over width
// and height).
#include "colors.h"
#include "outputformat.h"
#include "uthumbnail.h"

#include <string>
#include <vector>

// The settings a preset can set, as a front end holds them.
struct PresetValues {
    std::vector<ThumbnailBox> sizes; // the first is the one box of a front end with one
    std::string suffix;
    std::string targetFolder;
    bool addSuffix = false;
    bool overwrite = false;
    TColor fill = 0;
    bool keepAspect = false;
    bool transparent = false;
    ThumbnailExtras extras;
    OutputFormat format = OutputFormat::Jpeg;
    int quality = kDefaultQuality;
    bool srgb = false;
};

// The names of the file's presets, in the file's order; none for a missing file.
std::vector<std::string> PresetNames(const std::string &fileName);

// The preset's keys over `values` (a key the preset lacks, an empty target folder, an unknown
// format and a quality out of range leave their value as it was). Names match without regard
// to case. False, with the reason in `error`, when the file holds no such preset.
bool ApplyPresetFile(const std::string &fileName, const std::string &name, PresetValues &values,
                     std::string &error);
