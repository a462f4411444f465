#include "exclusivefile.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool lockExclusive(int fd) {
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

} // namespace

ExclusiveFile::ExclusiveFile(ExclusiveFile &&other) noexcept
    : fd_(std::exchange(other.fd_, -1)), device_(other.device_), inode_(other.inode_) {}

ExclusiveFile &ExclusiveFile::operator=(ExclusiveFile &&other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        device_ = other.device_;
        inode_ = other.inode_;
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

bool ExclusiveFile::openForReading(const std::string &path) {
    close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode) && lockExclusive(fd);
    return adopt(fd, st, ok);
}

bool ExclusiveFile::createForWriting(const std::string &path, const ExclusiveFile *notThis) {
    close();
    // No O_TRUNC here: the identity of what was opened is checked before anything is cut.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        return false;
    struct stat st {};
    bool refused = ::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode);
    if (!refused && notThis && notThis->isOpen())
        refused = st.st_dev == notThis->device_ && st.st_ino == notThis->inode_;
    const bool ok =
        !refused && lockExclusive(fd) && (!S_ISREG(st.st_mode) || ::ftruncate(fd, 0) == 0);
    return adopt(fd, st, ok);
}

bool ExclusiveFile::adopt(int fd, const struct stat &st, bool ok) {
    if (!ok) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    return true;
}
