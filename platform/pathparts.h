#pragma once
// The folder and the name parts of a file path, as the path spells them (no links followed).
#include <string>

// "." for a bare name, "/" for a file in the root folder.
inline std::string FolderOf(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// What follows the last slash; empty for a path ending in one.
inline std::string FileNameOf(const std::string &path) {
    return path.substr(path.rfind('/') + 1);
}
