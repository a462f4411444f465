#include "makefolders.h"

#include "makefolder.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens (making it first when missing) the folder `name` inside the folder `at`, without
// following a link; -1 with errno set on failure.
int openFolder(int at, const std::string &name) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;
    int fd = ::openat(at, name.c_str(), flags);
    if (fd < 0 && errno == ENOENT && ::mkdirat(at, name.c_str(), 0777) != 0 && errno != EEXIST)
        return -1;
    if (fd < 0)
        fd = ::openat(at, name.c_str(), flags);
    if (fd < 0 && errno == ELOOP)
        errno = ENOTDIR;
    return fd;
}

// Walks `path` from the folder `fd` (taken over), one name at a time; 0 or an errno.
int walk(int fd, const std::string &path) {
    for (std::size_t start = 0; fd >= 0 && start < path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        const int next = openFolder(fd, name);
        const int error = errno;
        ::close(fd);
        fd = next;
        errno = error;
    }
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

} // namespace

int MakeFoldersBelow(const std::string &base, const std::string &below) {
    if (int error = MakeFolderPath(base))
        return error;
    const int top = ::open(base.empty() ? "." : base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0)
        return errno;
    for (std::size_t at = 0; (at = below.find("..", at)) != std::string::npos; at += 2)
        if ((at == 0 || below[at - 1] == '/') && (at + 2 == below.size() || below[at + 2] == '/')) {
            ::close(top);
            return EINVAL; // a way out of the tree
        }
    return walk(top, below);
}
