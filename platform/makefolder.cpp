#include "makefolder.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Holds one open folder at a time; closing it never changes errno.
class FolderFd {
public:
    explicit FolderFd(int fd) : fd_(fd) {}
    ~FolderFd() { reset(-1); }
    FolderFd(const FolderFd &) = delete;
    FolderFd &operator=(const FolderFd &) = delete;

    int get() const { return fd_; }
    void reset(int fd) {
        if (fd_ >= 0) {
            const int saved = errno;
            ::close(fd_);
            errno = saved;
        }
        fd_ = fd;
    }

private:
    int fd_;
};

// O_DIRECTORY makes the open refuse anything but a folder before it could block on a FIFO.
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

} // namespace

int MakeFolderPath(const std::string &path) {
    if (path.empty())
        return ENOENT;
    FolderFd folder(::open(path[0] == '/' ? "/" : ".", kFolderFlags));
    if (folder.get() < 0)
        return errno;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        int next = ::openat(folder.get(), part.c_str(), kFolderFlags);
        if (next < 0 && errno == ENOENT) {
            if (::mkdirat(folder.get(), part.c_str(), 0777) != 0 && errno != EEXIST)
                return errno;
            next = ::openat(folder.get(), part.c_str(), kFolderFlags | O_NOFOLLOW);
        }
        if (next < 0)
            return errno;
        folder.reset(next);
    }
    return 0;
}
