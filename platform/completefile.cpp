#include "completefile.h"

#include "pathparts.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// ---- termination while a temporary file has a name -----------------------------------------

std::atomic<int> namedTemporaries{0};
std::atomic<int> pendingSignal{0};

void endWithDefaultAction(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void deferringHandler(int signal) {
    pendingSignal.store(signal);
    if (namedTemporaries.load() == 0)
        endWithDefaultAction(signal);
}

// Held while a temporary file can be seen in the folder. The count is raised before the
// pending signal is read, and the handler stores the signal before it reads the count, so
// either the handler waits for this window or the window is never opened.
class NamedWindow {
public:
    NamedWindow() {
        ++namedTemporaries;
        open_ = pendingSignal.load() == 0;
    }
    ~NamedWindow() {
        if (--namedTemporaries == 0)
            if (int signal = pendingSignal.load())
                endWithDefaultAction(signal);
    }
    NamedWindow(const NamedWindow &) = delete;
    NamedWindow &operator=(const NamedWindow &) = delete;
    bool open() const { return open_; }

private:
    bool open_;
};

// ---- names -----------------------------------------------------------------------------------

struct SplitPath {
    std::string folder;
    std::string base;
};

SplitPath split(const std::string &path) {
    return {FolderOf(path), FileNameOf(path)};
}

// Temporary names are "." + the target's name (cut short enough for any file name limit)
// + "." + the writer's process id + "-" + a random part + ".tmp", so a leftover of a killed
// writer can be told from the file of a live one.
std::string temporaryPrefix(const SplitPath &p) {
    return "." + p.base.substr(0, 200) + ".";
}

// A name beside the target that no one else uses; clashes are retried by the callers.
std::string temporaryName(const SplitPath &p) {
    static std::atomic<unsigned> counter{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const unsigned long long mixed =
        static_cast<unsigned long long>(now.tv_nsec) ^
        (static_cast<unsigned long long>(counter.fetch_add(1)) * 0x9E3779B97F4A7C15ull);
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "%ld-%08llx.tmp", long(::getpid()), mixed & 0xFFFFFFFFull);
    return p.folder + "/" + temporaryPrefix(p) + suffix;
}

constexpr int kNameAttempts = 100;

// ---- checks ----------------------------------------------------------------------------------

bool isProtected(const struct stat &st, std::span<const FileIdentity> mustNotReplace) {
    const FileIdentity id{st.st_dev, st.st_ino};
    return std::binary_search(mustNotReplace.begin(), mustNotReplace.end(), id);
}

// 0 when `target` may be replaced; `exists` tells whether something has that name.
int checkTarget(const std::string &target, std::span<const FileIdentity> mustNotReplace,
                bool &exists) {
    struct stat st {};
    exists = false;
    if (::lstat(target.c_str(), &st) != 0)
        return errno == ENOENT ? 0 : errno;
    exists = true;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (isProtected(st, mustNotReplace))
        return kErrorProtectedTarget;
    if (S_ISLNK(st.st_mode)) {
        struct stat pointed {};
        if (::stat(target.c_str(), &pointed) == 0 && isProtected(pointed, mustNotReplace))
            return kErrorProtectedTarget;
        return 0;
    }
    return S_ISREG(st.st_mode) ? 0 : kErrorSpecialFile;
}

// The refusals every entry point makes before anything is written: 0, or the error.
int precheck(const std::string &target, std::span<const FileIdentity> mustNotReplace, bool &exists,
             SplitPath &where) {
    if (target.empty())
        return ENOENT;
    if (int error = checkTarget(target, mustNotReplace, exists))
        return error;
    where = split(target);
    return where.base.empty() ? EISDIR : 0;
}

// ---- writing ---------------------------------------------------------------------------------

int writeAll(int fd, std::string_view contents) {
    const char *p = contents.data();
    std::size_t left = contents.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        p += n;
        left -= std::size_t(n);
    }
    return 0;
}

int fillAndFlush(int fd, std::string_view contents, const std::optional<FileAttributes> &attr) {
    if (int error = writeAll(fd, contents))
        return error;
    if (attr) {
        if (::fchmod(fd, attr->mode & 07777) != 0)
            return errno;
        // Only the superuser may hand a file to someone else; a plain user keeps owning it.
        if (::fchown(fd, attr->owner, attr->group) != 0 && errno != EPERM)
            return errno;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

int closeChecked(int fd) {
    // On Linux the descriptor is gone even when close reports an error.
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

// Gives an unnamed temporary file a name; fails with EEXIST when the name is taken.
int linkUnnamed(int fd, const std::string &name) {
    if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)
        return 0;
    if (errno == EEXIST)
        return EEXIST;
    // Without the capability AT_EMPTY_PATH asks for, the descriptor's /proc entry does it.
    char proc[64];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, proc, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// The final step: the finished temporary file `temp` takes the target's name. The target is
// checked once more so a file planted meanwhile is not replaced when it must be kept.
int renameOver(const std::string &temp, const std::string &target,
               std::span<const FileIdentity> mustNotReplace) {
    bool exists = false;
    int error = checkTarget(target, mustNotReplace, exists);
    if (!error && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error)
        ::unlink(temp.c_str());
    return error;
}

// Through an unnamed temporary file: nothing can be left behind until it gets a name, and a
// new target gets its name in one step. Returns -1 when the file system cannot do this.
int writeUnnamed(const SplitPath &where, const std::string &target, bool exists,
                 std::string_view contents, std::span<const FileIdentity> mustNotReplace,
                 const std::optional<FileAttributes> &attr) {
    const int fd = ::open(where.folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL ? -1 : errno;
    int error = fillAndFlush(fd, contents, attr);
    if (error) {
        ::close(fd);
        return error;
    }
    if (!exists) {
        error = linkUnnamed(fd, target);
        if (error != EEXIST) {
            ::close(fd);
            return error == 0 ? 0 : -1;
        }
    }
    // The target is looked at once more, now, so that a file planted while the contents
    // were written is not replaced when it must be kept; the named window stays short.
    error = checkTarget(target, mustNotReplace, exists);
    if (error) {
        ::close(fd);
        return error;
    }
    NamedWindow window;
    if (!window.open()) {
        ::close(fd);
        return EINTR;
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string temp = temporaryName(where);
        error = linkUnnamed(fd, temp);
        if (error == EEXIST)
            continue;
        ::close(fd);
        if (error)
            return -1;
        if (::rename(temp.c_str(), target.c_str()) == 0)
            return 0;
        error = errno;
        ::unlink(temp.c_str());
        return error;
    }
    ::close(fd);
    return EEXIST;
}

} // namespace

std::optional<FileIdentity> IdentityOfFd(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

std::optional<FileIdentity> IdentityOfPath(const std::string &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

std::optional<FileAttributes> AttributesOf(const std::string &path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileAttributes{st.st_mode, st.st_uid, st.st_gid};
}

std::string DescribeFileError(int code) {
    switch (code) {
    case 0:
        return "no error";
    case kErrorProtectedTarget:
        return "it is a file that must be kept";
    case kErrorSpecialFile:
        return "it is a FIFO, device or socket, not a file";
    case ENOSPC:
        return "no space left on the device";
    case EDQUOT:
        return "the disk quota is used up";
    case EISDIR:
        return "it is a folder";
    case EACCES:
    case EPERM:
        return "permission denied";
    case EROFS:
        return "the file system is read-only";
    case ENOENT:
        return "no such file or folder";
    case ENOTDIR:
        return "a part of the path is a file, not a folder";
    case EWOULDBLOCK:
        return "it is locked by another program";
    default:
        break;
    }
    std::string text = std::strerror(code);
    if (!text.empty())
        text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

CompleteFileWriter::~CompleteFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temporary_.c_str());
    }
}

int CompleteFileWriter::Open(const std::string &target,
                             std::span<const FileIdentity> mustNotReplace) {
    if (fd_ >= 0)
        return EBUSY;
    bool exists = false;
    SplitPath where;
    if (int error = precheck(target, mustNotReplace, exists, where))
        return error;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string temp = temporaryName(where);
        const int fd = ::open(
            temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return errno;
        fd_ = fd;
        target_ = target;
        temporary_ = std::move(temp);
        mustNotReplace_.assign(mustNotReplace.begin(), mustNotReplace.end());
        return 0;
    }
    return EEXIST;
}

int CompleteFileWriter::Write(std::string_view piece) {
    return fd_ < 0 ? EBADF : writeAll(fd_, piece);
}

int CompleteFileWriter::Commit(const std::optional<FileAttributes> &attributes) {
    if (fd_ < 0)
        return EBADF;
    int error = fillAndFlush(fd_, {}, attributes);
    const int closeError = closeChecked(fd_);
    fd_ = -1;
    if (!error)
        error = closeError;
    if (error) {
        ::unlink(temporary_.c_str());
        return error;
    }
    return renameOver(temporary_, target_, mustNotReplace_);
}

namespace {

// Through a named temporary file, where unnamed ones are not available.
int writeNamed(const std::string &target, std::string_view contents,
               std::span<const FileIdentity> mustNotReplace,
               const std::optional<FileAttributes> &attr) {
    NamedWindow window;
    if (!window.open())
        return EINTR;
    CompleteFileWriter file;
    if (int error = file.Open(target, mustNotReplace))
        return error;
    if (int error = file.Write(contents))
        return error;
    return file.Commit(attr);
}

} // namespace

int WriteCompleteFile(const std::string &target, std::string_view contents,
                      std::span<const FileIdentity> mustNotReplace,
                      const std::optional<FileAttributes> &attributes) {
    bool exists = false;
    SplitPath where;
    if (int error = precheck(target, mustNotReplace, exists, where))
        return error;
    const int error = writeUnnamed(where, target, exists, contents, mustNotReplace, attributes);
    if (error >= 0)
        return error;
    return writeNamed(target, contents, mustNotReplace, attributes);
}

int CheckCompleteFileTarget(const std::string &target,
                            std::span<const FileIdentity> mustNotReplace) {
    bool exists = false;
    SplitPath where;
    if (int error = precheck(target, mustNotReplace, exists, where))
        return error;
    struct stat folder {};
    if (::stat(where.folder.c_str(), &folder) != 0)
        return errno;
    if (!S_ISDIR(folder.st_mode))
        return ENOTDIR;
    return ::access(where.folder.c_str(), W_OK) == 0 ? 0 : errno;
}

namespace {

// The writer's process id in a temporary name of ours (".<name>.<pid>-<8 hex digits>.tmp"),
// or 0 for any other name.
long writerOf(const std::string &name) {
    const std::size_t dot = name.size() < 16 ? 0 : name.rfind('.', name.size() - 15);
    long pid = 0;
    unsigned random = 0;
    int end = 0;
    if (dot == 0 || dot == std::string::npos ||
        std::sscanf(name.c_str() + dot, ".%ld-%8x.tmp%n", &pid, &random, &end) != 2 ||
        std::size_t(end) != name.size() - dot || name[name.size() - 13] != '-')
        return 0;
    return pid;
}

// Removes the leftovers in `folder` whose names start with `prefix` and whose writer no
// longer runs (a live one is about to rename its file).
void removeStale(const std::string &folder, const std::string &prefix) {
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const long pid = writerOf(name);
        if (pid > 0 && pid != long(::getpid()) && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

} // namespace

void RemoveStaleTemporaries(const std::string &target) {
    const SplitPath where = split(target);
    removeStale(where.folder, temporaryPrefix(where));
}

void RemoveStaleTemporariesIn(const std::string &folder) {
    removeStale(folder, ".");
}

void DeferTerminationSignals() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {
        }, old{};
        action.sa_handler = deferringHandler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        if (::sigaction(signal, &action, &old) == 0 && old.sa_handler == SIG_IGN)
            ::sigaction(signal, &old, nullptr); // an ignored signal (nohup) stays ignored
    }
}
