#pragma once
// Writing a whole file so that it is complete or absent: the contents go into a temporary
// file in the target's folder (unnamed where the file system allows it), are flushed to the
// disk and only then take the target's name in one rename. A failure, a full disk or a
// killed process leaves the previous target as it was.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

// Which file a name or a descriptor stands for, whatever name or link leads to it.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    auto operator<=>(const FileIdentity &) const = default;
};

std::optional<FileIdentity> IdentityOfFd(int fd);
// Follows links; nothing when the path names no file.
std::optional<FileIdentity> IdentityOfPath(const std::string &path);

// Refusals of our own, beside the errno values the system reports.
// The target names one of the files that must not be replaced (through any name or link).
inline constexpr int kErrorProtectedTarget = 4096 + 1;
// The target or source is a FIFO, device or socket; it was refused without being opened.
inline constexpr int kErrorSpecialFile = 4096 + 2;

// A short lower-case description of a code from this file or of an errno value.
std::string DescribeFileError(int code);

// Lets permissions (and, where the system allows it, the owner) come from an old file
// instead of the default 0666 less the umask.
struct FileAttributes {
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

// Those of the regular file at `path` itself (a link is not followed), for its replacement to
// keep; nothing when there is no such file.
std::optional<FileAttributes> AttributesOf(const std::string &path);

// Every `mustNotReplace` below is sorted (std::sort), so that a batch of many photos is
// searched in logarithmic time for each of its targets.

// Replaces or creates `target` with exactly `contents`. Returns 0, or why nothing changed:
// EISDIR for a folder, kErrorSpecialFile for a FIFO, device or socket (never opened),
// kErrorProtectedTarget when the target, or the link at its name, or what that link leads
// to, is one of `mustNotReplace`, otherwise the errno of the step that failed (ENOSPC, EACCES,
// ENOENT for a missing folder, ...). A symbolic link at the target name is replaced by the
// new file, never written through. On failure no temporary file is left behind.
int WriteCompleteFile(const std::string &target, std::string_view contents,
                      std::span<const FileIdentity> mustNotReplace = {},
                      const std::optional<FileAttributes> &attributes = std::nullopt);

// The same for contents that arrive in pieces (a download), through a named temporary file
// beside the target: Open refuses what WriteCompleteFile refuses, Commit flushes the file and
// gives it the target's name. A writer destroyed before Commit removes its temporary file.
class CompleteFileWriter {
public:
    CompleteFileWriter() = default;
    ~CompleteFileWriter();
    CompleteFileWriter(const CompleteFileWriter &) = delete;
    CompleteFileWriter &operator=(const CompleteFileWriter &) = delete;

    // 0, or the code WriteCompleteFile would fail with.
    int Open(const std::string &target, std::span<const FileIdentity> mustNotReplace = {});
    bool IsOpen() const { return fd_ >= 0; }
    // 0, or the errno that stopped the writing (ENOSPC, ...).
    int Write(std::string_view piece);
    // 0, or why the target keeps its old contents; the temporary file is gone either way.
    int Commit(const std::optional<FileAttributes> &attributes = std::nullopt);

private:
    int fd_ = -1;
    std::string target_;
    std::string temporary_;
    std::vector<FileIdentity> mustNotReplace_;
};

// The checks WriteCompleteFile makes before it writes anything, and that the folder exists
// and can be written to: 0, or the code WriteCompleteFile would fail with. For callers that
// have a long way to go before they have the contents.
int CheckCompleteFileTarget(const std::string &target,
                            std::span<const FileIdentity> mustNotReplace = {});

// A SIGKILL between naming a temporary file and renaming it (a few system calls) can leave
// that file behind; this removes such leftovers of `target` whose writer no longer runs.
void RemoveStaleTemporaries(const std::string &target);
// The same for the leftovers of every target in `folder`.
void RemoveStaleTemporariesIn(const std::string &folder);

// Installs handlers for SIGINT, SIGTERM and SIGHUP that end the process as the default action
// would, except while a WriteCompleteFile is between naming its temporary file and renaming
// it: the process then ends right after that step, so the signal leaves no temporary file.
// (An unnamed temporary file vanishes by itself whenever the process ends.)
void DeferTerminationSignals();
