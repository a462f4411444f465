#pragma once
// What a name stands for at one moment, and the one rule both front ends use for whether a
// thumbnail's target already exists.
#include <cstdint>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

// Nothing, or something with its identity and version. A photo is looked at through any link
// (`isFile`: a regular file is there); a target is the name itself, a link not followed.
struct FileState {
    bool exists = false;
    bool isFile = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;

    bool operator==(const FileState &) const = default;
};

FileState StateOf(const struct stat &st);

// A photo: followed through links; a folder, FIFO or dangling link is no file.
FileState LookAtFile(const std::string &name);

// A target: whatever has the name counts, a link (even a dangling one) included, as writing
// there would replace it.
FileState LookAtTarget(const std::string &name);
inline bool TargetExists(const std::string &name) {
    return LookAtTarget(name).exists;
}
