#include "volume.h"

#include <cstdint>
#include <cstdio>
#include <sys/statfs.h>
#include <sys/statvfs.h>

namespace {

// statfs type numbers of file systems that are not a local disk: network shares and
// cluster file systems, optical discs, memory-backed and kernel pseudo file systems.
constexpr std::uint32_t kNotLocal[] = {
    0x6969,     // NFS
    0x517B,     // SMB
    0xFF534D42, // CIFS
    0xFE534D42, // SMB2
    0x564C,     // NCP
    0x73757245, // Coda
    0x5346414F, // AFS
    0x6B414653, // kAFS
    0x01021997, // 9P
    0x00C36400, // Ceph
    0x01161970, // GFS2
    0x7461636F, // OCFS2
    0x0BD00BD0, // Lustre
    0x47504653, // GPFS
    0x9660,     // ISO 9660
    0x15013346, // UDF
    0x01021994, // tmpfs
    0x858458F6, // ramfs
    0x9FA0,     // proc
    0x62656572, // sysfs
    0x1CD1,     // devpts
    0x00001373, // devfs
    0x27E0EB,   // cgroup
    0x63677270, // cgroup2
    0x73636673, // securityfs
    0x64626720, // debugfs
};

// The path itself, or its nearest parent folder that exists.
bool statNearest(std::string path, struct statfs &out) {
    if (path.empty())
        path = ".";
    while (::statfs(path.c_str(), &out) != 0) {
        const auto slash = path.find_last_of('/');
        if (slash == std::string::npos)
            path = ".";
        else if (slash == 0)
            path = "/";
        else
            path.erase(slash);
        if (path == "." || path == "/")
            return ::statfs(path.c_str(), &out) == 0;
    }
    return true;
}

} // namespace

std::string FormatDiskSerial(std::uint32_t serial) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", unsigned(serial));
    return text;
}

std::string GetDiskSerial(const std::string &path) {
    struct statvfs st {};
    if (::statvfs(path.c_str(), &st) != 0)
        return {};
    return FormatDiskSerial(std::uint32_t(st.f_fsid));
}

bool IsLocalFileSystemType(long type) {
    for (std::uint32_t t : kNotLocal) {
        if (t == std::uint32_t(type))
            return false;
    }
    return true;
}

bool IsLocalDrive(const std::string &path) {
    struct statfs st {};
    if (!statNearest(path, st))
        return false;
    return IsLocalFileSystemType(long(st.f_type));
}
