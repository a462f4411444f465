#pragma once
// Files opened for one user only: an open descriptor plus a non-blocking exclusive lock, so
// a second exclusive open of the same file fails instead of waiting.
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

class ExclusiveFile {
public:
    ExclusiveFile() = default;
    ExclusiveFile(const ExclusiveFile &) = delete;
    ExclusiveFile &operator=(const ExclusiveFile &) = delete;
    ExclusiveFile(ExclusiveFile &&other) noexcept;
    ExclusiveFile &operator=(ExclusiveFile &&other) noexcept;
    ~ExclusiveFile();

    // An existing file (not a folder) for reading. False when it is missing, unreadable, a
    // folder or locked by another exclusive holder.
    bool openForReading(const std::string &path);

    // Creates or truncates `path` for reading and writing. Refuses, before anything is
    // truncated, a file that is the same file as `notThis` (same device and inode, through
    // any name or link), a folder, and a file locked by another exclusive holder.
    bool createForWriting(const std::string &path, const ExclusiveFile *notThis = nullptr);

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void close();

private:
    // Keeps `fd` as this file when `ok`, closes it otherwise; returns `ok`.
    bool adopt(int fd, const struct stat &st, bool ok);

    int fd_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};
