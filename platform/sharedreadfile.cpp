#include "sharedreadfile.h"

#include "regularfile.h"

#include <cerrno>
#include <utility>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// 0 when the shared lock is held or the file system offers none; otherwise the errno.
int lockShared(int fd) {
    int rc;
    do {
        rc = ::flock(fd, LOCK_SH | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0)
        return 0;
    switch (errno) {
    case ENOLCK:
    case EOPNOTSUPP:
    case EINVAL:
    case ENOSYS:
        return 0;
    default:
        return errno;
    }
}

} // namespace

SharedReadFile::SharedReadFile(SharedReadFile &&other) noexcept
    : fd_(std::exchange(other.fd_, -1)), error_(other.error_), identity_(other.identity_) {}

SharedReadFile &SharedReadFile::operator=(SharedReadFile &&other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
        identity_ = other.identity_;
    }
    return *this;
}

SharedReadFile::~SharedReadFile() {
    close();
}

void SharedReadFile::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool SharedReadFile::fail(int error) {
    close();
    error_ = error;
    return false;
}

bool SharedReadFile::openForReading(const std::string &path) {
    close();
    error_ = 0;
    fd_ = OpenRegularFile(path, error_);
    if (fd_ < 0)
        return false;
    const auto identity = IdentityOfFd(fd_);
    if (!identity)
        return fail(errno);
    if (int error = lockShared(fd_))
        return fail(error);
    identity_ = *identity;
    return true;
}
