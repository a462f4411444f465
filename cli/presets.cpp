#include "presets.h"

#include "atomicfile.h"
#include "inifile.h"
#include "programfolder.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

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
    const IniText ini(ReadWholeFile(fileName).value_or(""));
    const std::string section = "preset " + name;
    const auto lower = [](std::string text) {
        for (char &c : text)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    bool found = false;
    std::string known;
    for (const std::string &s : ini.sections())
        if (lower(s).rfind("preset ", 0) == 0) {
            found = found || lower(s) == lower(section); // names are case-insensitive
            known += (known.empty() ? "" : ", ") + s.substr(7);
        }
    if (!found) {
        error = "no preset " + name + " in " + fileName +
                (known.empty() ? std::string(" (it has none)") : " (it has: " + known + ")");
        return false;
    }
    const auto flag = [&](const char *key, bool &target) {
        target = ProfileInt(ini, section, key, target ? 1 : 0) != 0;
    };
    ThumbBox box = o.sizes.front();
    box.width = ProfileInt(ini, section, "width", box.width);
    box.height = ProfileInt(ini, section, "height", box.height);
    o.sizes = {box};
    std::istringstream sizes(ProfileString(ini, section, "sizes", ""));
    std::vector<ThumbBox> listed;
    for (std::string size; sizes >> size;)
        if (ParseBoxSize(size, box.width, box.height))
            listed.push_back(box);
    if (!listed.empty())
        o.sizes = listed;
    o.suffix = ProfileString(ini, section, "extension", o.suffix);
    if (const std::string folder = ProfileString(ini, section, "targetfolder", ""); !folder.empty())
        o.outputFolder = folder;
    flag("addextension", o.addSuffix);
    flag("overwrite", o.overwrite);
    o.fill = ProfileInt(ini, section, "fillcolor", o.fill);
    flag("maintainaspect", o.keepAspect);
    flag("smooth", o.extras.smooth);
    flag("upright", o.extras.upright);
    flag("keepprofile", o.extras.keepProfile);
    return true;
}
