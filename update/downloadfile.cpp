#include "downloadfile.h"

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folderOf(const std::string &path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string &path) {
    return path.substr(path.rfind('/') + 1);
}

} // namespace

DownloadFile::~DownloadFile() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temporary_.c_str());
    }
}

bool DownloadFile::Create(const std::string &path) {
    if (fd_ >= 0 || path.empty() || fileNameOf(path).empty())
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        return false;

    static std::atomic<unsigned> serial{0};
    const std::string stem =
        folderOf(path) + "/." + fileNameOf(path) + "." + std::to_string(::getpid()) + ".";
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = stem + std::to_string(serial++);
        fd_ =
            ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        return false;
    target_ = path;
    return true;
}

std::size_t DownloadFile::Write(const char *data, std::size_t size) {
    std::size_t written = 0;
    while (fd_ >= 0 && written < size) {
        const ssize_t n = ::write(fd_, data + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += std::size_t(n);
    }
    return written;
}

bool DownloadFile::Close() {
    if (fd_ < 0)
        return false;
    // Flushed before it takes the target's name, so a crash never leaves a named file whose
    // bytes have not reached the disk.
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0 && synced;
    fd_ = -1;
    if (closed && ::rename(temporary_.c_str(), target_.c_str()) == 0)
        return true;
    ::unlink(temporary_.c_str());
    return false;
}
