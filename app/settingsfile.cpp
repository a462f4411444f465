#include "settingsfile.h"

#include "inifile.h"
#include "intconv.h"

#include <filesystem>

namespace {

constexpr const char *section = "settings";

int readInt(const std::string &fileName, const char *key, int defaultValue) {
    std::string text = ReadProfileString(fileName, section, key, "");
    // The parser knows "0x" only as a prefix of its own; the file's "0x" means hexadecimal too.
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.replace(0, 2, "$");
    return TryStrToInt(text).value_or(defaultValue);
}

bool readBool(const std::string &fileName, const char *key, bool defaultValue) {
    return readInt(fileName, key, defaultValue ? 1 : 0) != 0;
}

void write(const std::string &fileName, const char *key, const std::string &value) {
    if (!WriteProfileString(fileName, section, key, value))
        throw ESettingsWriteError("Unable to write to " + fileName);
}

void write(const std::string &fileName, const char *key, int value) {
    write(fileName, key, std::to_string(value));
}

} // namespace

std::optional<TSettings> LoadSettings(const std::string &fileName) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error))
        return std::nullopt;
    TSettings s;
    s.width = readInt(fileName, "width", 180);
    s.height = readInt(fileName, "height", 180);
    s.extension = ReadProfileString(fileName, section, "extension", ".thumb.jpg");
    s.targetfolder = ReadProfileString(fileName, section, "targetfolder", "");
    s.addextension = readBool(fileName, "addextension", true);
    s.overwrite = readBool(fileName, "overwrite", true);
    s.fillcolor = readInt(fileName, "fillcolor", clBlack);
    s.maintainaspect = readBool(fileName, "maintainaspect", true);
    s.transparent = readBool(fileName, "transparent", true);
    return s;
}

void SaveSettings(const std::string &fileName, const TSettings &s) {
    write(fileName, "width", s.width);
    write(fileName, "height", s.height);
    write(fileName, "extension", s.extension);
    write(fileName, "targetfolder", s.targetfolder);
    write(fileName, "addextension", s.addextension ? 1 : 0);
    write(fileName, "overwrite", s.overwrite ? 1 : 0);
    write(fileName, "fillcolor", s.fillcolor);
    write(fileName, "maintainaspect", s.maintainaspect ? 1 : 0);
    write(fileName, "transparent", s.transparent ? 1 : 0);
}
