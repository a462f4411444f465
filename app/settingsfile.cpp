#include "settingsfile.h"

#include "atomicfile.h"
#include "defaults.h"
#include "inifile.h"

#include <filesystem>

namespace {

constexpr const char *section = "settings";

int readInt(const IniText &ini, const char *key, int defaultValue) {
    return ProfileInt(ini, section, key, defaultValue);
}

bool readBool(const IniText &ini, const char *key, bool defaultValue) {
    return readInt(ini, key, defaultValue ? 1 : 0) != 0;
}

std::string flag(bool value) {
    return value ? "1" : "0";
}

} // namespace

std::optional<TSettings> LoadSettings(const std::string &fileName) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error))
        return std::nullopt;
    // A file that exists but cannot be read gives every key its default.
    const IniText ini(ReadWholeFile(fileName).value_or(""));
    const BatchDefaults &d = kDefaults;
    TSettings s;
    s.width = readInt(ini, "width", d.width.missingKey);
    s.height = readInt(ini, "height", d.height.missingKey);
    s.extension = ProfileString(ini, section, "extension", d.suffix.missingKey);
    s.targetfolder = ProfileString(ini, section, "targetfolder", d.targetFolder.missingKey);
    s.addextension = readBool(ini, "addextension", d.addSuffix.missingKey);
    s.overwrite = readBool(ini, "overwrite", d.overwrite.missingKey);
    s.fillcolor = readInt(ini, "fillcolor", d.fill.missingKey);
    s.maintainaspect = readBool(ini, "maintainaspect", d.keepAspect.missingKey);
    s.transparent = readBool(ini, "transparent", d.transparent.missingKey);
    s.smooth = readBool(ini, "smooth", d.smooth.missingKey);
    s.upright = readBool(ini, "upright", d.upright.missingKey);
    s.keepprofile = readBool(ini, "keepprofile", d.keepProfile.missingKey);
    s.format = ProfileString(ini, section, "format", FormatName(d.format.missingKey));
    s.quality = readInt(ini, "quality", d.quality.missingKey);
    s.srgb = readBool(ini, "srgb", d.srgb.missingKey);
    s.subfolders = readBool(ini, "subfolders", d.recursive.missingKey);
    s.update = readBool(ini, "update", d.update.missingKey);
    return s;
}

void SaveSettings(const std::string &fileName, const TSettings &s) {
    const ProfileEntry entries[] = {
        {"width", std::to_string(s.width)},
        {"height", std::to_string(s.height)},
        {"extension", s.extension},
        {"targetfolder", s.targetfolder},
        {"addextension", flag(s.addextension)},
        {"overwrite", flag(s.overwrite)},
        {"fillcolor", std::to_string(s.fillcolor)},
        {"maintainaspect", flag(s.maintainaspect)},
        {"transparent", flag(s.transparent)},
        {"smooth", flag(s.smooth)},
        {"upright", flag(s.upright)},
        {"keepprofile", flag(s.keepprofile)},
        {"format", s.format},
        {"quality", std::to_string(s.quality)},
        {"srgb", flag(s.srgb)},
        {"subfolders", flag(s.subfolders)},
        {"update", flag(s.update)},
    };
    if (!WriteProfileStrings(fileName, section, entries))
        throw ESettingsWriteError("Unable to write to " + fileName);
}
