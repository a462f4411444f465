#include "presets.h"

#include "presetfile.h"
#include "programfolder.h"

#include <cstdlib>

#include <sys/stat.h>

std::string SettingsFileToRead() {
    const std::string program = ProgramFolder();
    const std::string beside = program + "Quillet.ini";
    struct stat st {};
    if (!program.empty() && ::stat(beside.c_str(), &st) == 0)
        return beside;
    const char *config = std::getenv("XDG_CONFIG_HOME");
    const char *home = std::getenv("HOME");
    const std::string folder = config && config[0] == '/' ? config
                               : home                     ? std::string(home) + "/.config"
                                                          : std::string();
    return folder + "/Quillet/Quillet.ini";
}

bool ApplyPreset(const std::string &fileName, const std::string &name, ThumbOptions &o,
                 std::string &error) {
    PresetValues v;
    for (const ThumbBox &box : o.sizes)
        v.sizes.push_back({box.width, box.height});
    v.suffix = o.suffix;
    v.targetFolder = o.outputFolder;
    v.addSuffix = o.addSuffix;
    v.overwrite = o.overwrite;
    v.fill = o.fill;
    v.keepAspect = o.keepAspect;
    v.transparent = o.transparent;
    v.extras = o.extras;
    v.format = o.format;
    v.quality = o.quality;
    v.srgb = o.srgb;
    if (!ApplyPresetFile(fileName, name, v, error))
        return false;
    o.sizes.clear();
    for (const ThumbnailBox &box : v.sizes)
        o.sizes.push_back({box.width, box.height});
    o.suffix = v.suffix;
    o.outputFolder = v.targetFolder;
    o.addSuffix = v.addSuffix;
    o.overwrite = v.overwrite;
    o.fill = v.fill;
    o.keepAspect = v.keepAspect;
    o.transparent = v.transparent;
    o.extras = v.extras;
    o.format = v.format;
    o.quality = v.quality;
    o.srgb = v.srgb;
    return true;
}
