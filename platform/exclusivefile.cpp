#include "exclusivefile.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
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

int refusalFor(const struct stat &st) {
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    return S_ISREG(st.st_mode) ? 0 : kErrorSpecialFile;
}

} // namespace

ExclusiveFile::ExclusiveFile(ExclusiveFile &&other) noexcept
    : fd_(std::exchange(other.fd_, -1)), error_(other.error_), identity_(other.identity_) {}

ExclusiveFile &ExclusiveFile::operator=(ExclusiveFile &&other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
        identity_ = other.identity_;
    }
    return *this;
}

ExclusiveFile::~ExclusiveFile() {
    close();
}

void ExclusiveFile::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool ExclusiveFile::fail(int error) {
    close();
    error_ = error;
    return false;
}

bool ExclusiveFile::openForReading(const std::string &path) {
    close();
    error_ = 0;
    // Opening a FIFO waits for a writer and opening a device can act on it: look first.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return fail(errno);
    if (int refusal = refusalFor(st))
        return fail(refusal);
    // Non-blocking, in case a FIFO took the name since the look.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0)
        return fail(errno);
    if (::fstat(fd_, &st) != 0)
        return fail(errno);
    if (int refusal = refusalFor(st))
        return fail(refusal);
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return fail(errno);
    if (int error = lockShared(fd_))
        return fail(error);
    identity_ = {st.st_dev, st.st_ino};
    return true;
}
