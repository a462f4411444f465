#include "regularfile.h"

#include "completefile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int refusalFor(const struct stat &st) {
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    return S_ISREG(st.st_mode) ? 0 : kErrorSpecialFile;
}

} // namespace

int OpenRegularFile(const std::string &path, int &error) {
    // Opening a FIFO waits for a writer and opening a device can act on it: look first.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = errno;
        return -1;
    }
    if ((error = refusalFor(st)) != 0)
        return -1;
    // Non-blocking, in case a FIFO took the name since the look.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if ((error = refusalFor(st)) == 0) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
            error = errno;
    }
    if (error != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
