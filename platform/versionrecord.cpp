#include "versionrecord.h"

#include "versionparsers.h"

namespace {

std::optional<FileVersion> readFrom(const ByteSource &source) {
    if (auto v = ReadElfVersionNote(source))
        return v;
    return ReadPeVersionResource(source);
}

} // namespace

std::optional<FileVersion> ReadFileVersion(const std::string &path) {
    FileBytes file(path);
    if (!file.isOpen())
        return std::nullopt;
    return readFrom(file);
}

std::optional<FileVersion> ReadFileVersion(std::span<const std::uint8_t> bytes) {
    return readFrom(MemoryBytes(bytes));
}

bool GetFileVersion(const std::string &fileName, int &Major, int &Minor, int &Release, int &Build) {
    auto v = ReadFileVersion(fileName);
    if (!v)
        return false;
    Major = v->Major;
    Minor = v->Minor;
    Release = v->Release;
    Build = v->Build;
    return true;
}
