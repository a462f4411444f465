#include "namelist.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

std::vector<std::string> SplitNameList(std::string_view text) {
    const char separator = text.find('\0') != std::string_view::npos ? '\0' : '\n';
    std::vector<std::string> names;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(separator), text.size());
        if (end > 0)
            names.emplace_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return names;
}

int ReadNameList(const std::string &path, std::vector<std::string> &names) {
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    std::string text;
    char buffer[1 << 16];
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0)
            text.append(buffer, std::size_t(got));
        else if (got == 0 || errno != EINTR) {
            error = got < 0 ? errno : 0;
            break;
        }
    }
    if (!standardInput)
        ::close(fd);
    if (error == 0)
        names = SplitNameList(text);
    return error;
}
