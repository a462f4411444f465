#pragma once
// A source file opened for reading so that no writer holding an exclusive lock can change it
// underneath: an open descriptor plus a non-blocking shared lock. Other readers may share it;
// a file locked exclusively by someone else is refused instead of waited for.
#include "completefile.h"

#include <string>

class SharedReadFile {
public:
    SharedReadFile() = default;
    SharedReadFile(const SharedReadFile &) = delete;
    SharedReadFile &operator=(const SharedReadFile &) = delete;
    SharedReadFile(SharedReadFile &&other) noexcept;
    SharedReadFile &operator=(SharedReadFile &&other) noexcept;
    ~SharedReadFile();

    // An existing regular file for reading. False, with error() telling why, when it is
    // missing or unreadable (the errno), a folder (EISDIR), a FIFO, device or socket
    // (kErrorSpecialFile, refused without being opened), or locked exclusively by another
    // holder (EWOULDBLOCK). Where the file system has no locks (some network shares) the
    // file is read without one.
    bool openForReading(const std::string &path);

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    int error() const { return error_; }
    FileIdentity identity() const { return identity_; }
    void close();

private:
    bool fail(int error);

    int fd_ = -1;
    int error_ = 0;
    FileIdentity identity_;
};
