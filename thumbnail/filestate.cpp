#include "filestate.h"

FileState StateOf(const struct stat &st) {
    return {true,       S_ISREG(st.st_mode),
            st.st_dev,  st.st_ino,
            st.st_size, std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

FileState LookAtFile(const std::string &name) {
    struct stat st {};
    if (name.empty() || ::stat(name.c_str(), &st) != 0)
        return {};
    return StateOf(st);
}

FileState LookAtTarget(const std::string &name) {
    struct stat st {};
    if (name.empty() || ::lstat(name.c_str(), &st) != 0)
        return {};
    return StateOf(st);
}
