#include "programfolder.h"

#include <unistd.h>

std::string ProgramFolder() {
    std::string exe(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", exe.data(), exe.size());
    exe.resize(length > 0 ? std::size_t(length) : 0);
    return exe.substr(0, exe.rfind('/') + 1);
}
