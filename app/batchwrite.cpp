#include "batchwrite.h"

#include <sys/stat.h>

bool TargetState::operator==(const TargetState &other) const {
    return isFile == other.isFile && device == other.device && inode == other.inode &&
           size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
}

TargetState LookAtTarget(const std::string &target) {
    struct stat st {};
    if (target.empty() || ::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

std::vector<FileIdentity> SourceIdentities(std::span<const std::string> sources) {
    std::vector<FileIdentity> identities;
    for (const std::string &source : sources)
        if (std::optional<FileIdentity> id = IdentityOfPath(source))
            identities.push_back(*id);
    return identities;
}

bool WriteThumbnailFile(const std::string &target, const std::string &bytes,
                        std::span<const FileIdentity> sources) {
    std::optional<FileAttributes> attributes;
    struct stat old {};
    if (::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        attributes = FileAttributes{old.st_mode, old.st_uid, old.st_gid};
    return WriteCompleteFile(target, bytes, sources, attributes) == 0;
}
