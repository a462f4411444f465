#pragma once
// The last step of one photo in a batch run: the finished thumbnail reaches its target.
#include "completefile.h"

#include <span>
#include <string>
#include <vector>

#include <sys/types.h>
#include <time.h>

// What stood at a target name when the run decided about it: a file (through any link), and
// which one in which version, or nothing (or no file: a folder, a dangling link).
struct TargetState {
    bool isFile = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const TargetState &other) const;
};

TargetState LookAtTarget(const std::string &target);

// The files of a batch that no thumbnail may replace: every source that exists now.
std::vector<FileIdentity> SourceIdentities(std::span<const std::string> sources);

// Writes the thumbnail as a complete file, or leaves the target as it was. Refuses a target
// that is one of `sources` through any name or link, a folder and a special file. An existing
// file that is replaced passes its permissions on to the new one.
bool WriteThumbnailFile(const std::string &target, const std::string &bytes,
                        std::span<const FileIdentity> sources);
