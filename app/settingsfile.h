#pragma once
// The batch settings kept between runs in the INI file beside the executable.
#include "colors.h"

#include <optional>
#include <stdexcept>
#include <string>

struct TSettings {
    int width = 0;
    int height = 0;
    std::string extension;
    std::string targetfolder;
    bool addextension = false;
    bool overwrite = false;
    TColor fillcolor = clBlack;
    bool maintainaspect = false;
    bool transparent = false;
    // Opt-in engine extras; files of older versions lack them and read as off.
    bool smooth = false;
    bool upright = false;
    bool keepprofile = false;
    // The output: a format's name as FormatName gives it, the shared quality, sRGB colours.
    std::string format{};
    int quality = 0;
    bool srgb = false;
    // Folders added with their whole tree; up-to-date thumbnails skipped.
    bool subfolders = false;
    bool update = false;
};

// A write that the system refused; what() reads "Unable to write to <file>".
class ESettingsWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The settings of the file, a missing or unreadable key taking that key's default; nothing
// when there is no file, so the caller keeps its own first-start values.
std::optional<TSettings> LoadSettings(const std::string &fileName);

// Writes the keys in their fixed order with one replace of the file, so a crash or a
// kill at any moment leaves either the old file or the new one. A refused write raises
// ESettingsWriteError and leaves the file as it was.
void SaveSettings(const std::string &fileName, const TSettings &settings);
