#include "atomicfile.h"

#include "completefile.h"
#include "pathparts.h"
#include "regularfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t anyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

// The file a write must replace: the target of a symbolic link rather than the link.
std::string resolvedTarget(const std::string &fileName) {
    struct stat st {};
    if (lstat(fileName.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return fileName;
    char buffer[PATH_MAX];
    if (realpath(fileName.c_str(), buffer) == nullptr)
        return fileName;
    return buffer;
}

// Write permission as a plain write would see it, but with the mode bits also binding the
// superuser, the way a read-only attribute binds every user.
bool writable(const std::string &path, const struct stat &st) {
    return (st.st_mode & anyWrite) != 0 && access(path.c_str(), W_OK) == 0;
}

// For a file whose folder takes no new names: the contents are written over the file's own,
// cut to their length and flushed. A crash in the middle can leave a mix, but a settings
// file in a locked folder is kept up to date rather than refused.
bool overwriteInPlace(const std::string &target, std::string_view contents) {
    const int fd = open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    for (std::size_t done = 0; ok && done < contents.size();) {
        const ssize_t n = pwrite(fd, contents.data() + done, contents.size() - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? std::size_t(n) : 0;
    }
    ok = ok && ftruncate(fd, off_t(contents.size())) == 0 && fsync(fd) == 0;
    return close(fd) == 0 && ok;
}

} // namespace

bool IsWritableFolder(const std::string &folder) {
    struct stat st {};
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && writable(folder, st);
}

std::optional<std::string> ReadWholeFile(const std::string &fileName) {
    int error = 0;
    const int fd = OpenRegularFile(fileName, error);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> contents(std::in_place);
    char buffer[8192];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            contents.reset();
        if (n <= 0)
            break;
        contents->append(buffer, std::size_t(n));
    }
    close(fd);
    return contents;
}

bool ReplaceFileContents(const std::string &fileName, std::string_view contents) {
    const std::string target = resolvedTarget(fileName);
    const std::string folder = FolderOf(target);

    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || !writable(target, old)))
        return false;
    if (!exists && errno != ENOENT)
        return false;
    if (!IsWritableFolder(folder))
        return exists && overwriteInPlace(target, contents);

    RemoveStaleTemporaries(target);
    return WriteCompleteFile(target, contents, {}, AttributesOf(target)) == 0;
}
