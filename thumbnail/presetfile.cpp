#include "presetfile.h"

#include "atomicfile.h"
#include "boxsize.h"
#include "inifile.h"

#include <cctype>
#include <sstream>

namespace {

constexpr std::string_view kPrefix = "preset ";

std::string lower(std::string text) {
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> namesIn(const IniText &ini) {
    std::vector<std::string> names;
    for (const std::string &section : ini.sections())
        if (lower(section).starts_with(kPrefix))
            names.push_back(section.substr(kPrefix.size()));
    return names;
}

} // namespace

std::vector<std::string> PresetNames(const std::string &fileName) {
    return namesIn(IniText(ReadWholeFile(fileName).value_or("")));
}

bool ApplyPresetFile(const std::string &fileName, const std::string &name, PresetValues &v,
                     std::string &error) {
    const IniText ini(ReadWholeFile(fileName).value_or(""));
    const std::vector<std::string> names = namesIn(ini);
    bool found = false;
    std::string known;
    for (const std::string &n : names) {
        found = found || lower(n) == lower(name);
        known += (known.empty() ? "" : ", ") + n;
    }
    if (!found) {
        error = "no preset " + name + " in " + fileName +
                (known.empty() ? std::string(" (it has none)") : " (it has: " + known + ")");
        return false;
    }
    const std::string section = std::string(kPrefix) + name;
    const auto flag = [&](const char *key, bool &target) {
        target = ProfileInt(ini, section, key, target ? 1 : 0) != 0;
    };
    ThumbnailBox box = v.sizes.empty() ? ThumbnailBox{} : v.sizes.front();
    box.width = ProfileInt(ini, section, "width", box.width);
    box.height = ProfileInt(ini, section, "height", box.height);
    v.sizes = {box};
    std::istringstream sizes(ProfileString(ini, section, "sizes", ""));
    std::vector<ThumbnailBox> listed;
    for (std::string size; sizes >> size;)
        if (ParseBoxSize(size, box.width, box.height))
            listed.push_back(box);
    if (!listed.empty())
        v.sizes = listed;
    v.suffix = ProfileString(ini, section, "extension", v.suffix);
    if (const std::string folder = ProfileString(ini, section, "targetfolder", ""); !folder.empty())
        v.targetFolder = folder;
    flag("addextension", v.addSuffix);
    flag("overwrite", v.overwrite);
    v.fill = ProfileInt(ini, section, "fillcolor", v.fill);
    flag("maintainaspect", v.keepAspect);
    flag("transparent", v.transparent);
    flag("smooth", v.extras.smooth);
    flag("upright", v.extras.upright);
    flag("keepprofile", v.extras.keepProfile);
    if (const auto format = FormatNamed(ProfileString(ini, section, "format", "")))
        v.format = *format;
    if (const int quality = ProfileInt(ini, section, "quality", 0); quality >= 1 && quality <= 100)
        v.quality = quality;
    flag("srgb", v.srgb);
    return true;
}
