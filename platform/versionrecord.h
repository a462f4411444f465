#pragma once
// The four numbers of a file's version record: from the ELF note that our build stamps into
// our executables ("Quillet" note in ".note.quillet.version"), or from a PE file's fixed
// version information found in its version resource under any id and language.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct FileVersion {
    std::uint16_t Major = 0;
    std::uint16_t Minor = 0;
    std::uint16_t Release = 0;
    std::uint16_t Build = 0;
    bool operator==(const FileVersion &) const = default;
};

// The version of the file at path; nothing when it cannot be read or has no version record.
std::optional<FileVersion> ReadFileVersion(const std::string &path);
// The same for a file's bytes held in memory.
std::optional<FileVersion> ReadFileVersion(std::span<const std::uint8_t> bytes);

// Fills the four numbers and returns true; on false the outputs keep the caller's values.
bool GetFileVersion(const std::string &fileName, int &Major, int &Minor, int &Release, int &Build);
