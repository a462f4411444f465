#include "userdirs.h"

#include "regularfile.h"

#include <cstdlib>
#include <optional>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string environment(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

bool isFolder(const std::string &path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The file's whole text; empty when it is missing, unreadable or no regular file.
std::string readSmallFile(const std::string &path) {
    int error = 0;
    const int fd = OpenRegularFile(path, error);
    if (fd < 0)
        return {};
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    // The file holds a few short lines; a larger one is no file of user directories.
    while (text.size() < 64 * 1024 && (n = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, std::size_t(n));
    ::close(fd);
    return text;
}

// The value of `key` in user-dirs.dirs, whose lines read KEY="$HOME/path" or KEY="/path".
std::optional<std::string> userDirsValue(const std::string &text, const std::string &key,
                                         const std::string &home) {
    std::istringstream lines(text);
    std::optional<std::string> found;
    for (std::string line; std::getline(lines, line);) {
        const std::string prefix = key + "=\"";
        if (!line.starts_with(prefix) || !line.ends_with('"') || line.size() < prefix.size() + 1)
            continue;
        std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        if (value.starts_with("$HOME"))
            value = home + value.substr(5);
        if (value.starts_with('/'))
            found = value; // the last setting holds, as when the shell reads the file
    }
    return found;
}

} // namespace

std::string UserDownloadFolder() {
    const std::string home = environment("HOME");
    std::string configHome = environment("XDG_CONFIG_HOME");
    if (!configHome.starts_with('/'))
        configHome = home + "/.config";
    const std::string key = "XDG_DOWNLOAD_DIR";
    const std::optional<std::string> fromFile =
        userDirsValue(readSmallFile(configHome + "/user-dirs.dirs"), key, home);
    for (const std::string &candidate : {fromFile.value_or(""), environment(key.c_str()),
                                         home.empty() ? home : home + "/Downloads"})
        if (candidate.starts_with('/') && isFolder(candidate))
            return candidate;
    return home;
}
