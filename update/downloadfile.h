#pragma once
// The installer's target file. The bytes go into a new file beside the target, which takes
// the target's place when it is closed: a link at the target is replaced, never followed,
// and a FIFO, device or socket there is refused, never opened. What was written stays,
// complete or not, as the download left it.
#include <cstddef>
#include <string>

class DownloadFile {
public:
    DownloadFile() = default;
    DownloadFile(const DownloadFile &) = delete;
    DownloadFile &operator=(const DownloadFile &) = delete;
    // A file still open is discarded.
    ~DownloadFile();

    // False when the target is a folder or a special file, or its folder takes no new file.
    bool Create(const std::string &path);
    bool IsOpen() const { return fd_ >= 0; }
    // The number of bytes written; fewer than `size` when the file system refused the rest.
    std::size_t Write(const char *data, std::size_t size);
    // Puts the written file in the target's place; false (and nothing left behind) when the
    // file system refuses.
    bool Close();

private:
    int fd_ = -1;
    std::string target_;
    std::string temporary_;
};
