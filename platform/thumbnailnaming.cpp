#include "thumbnailnaming.h"

std::string ThumbnailTargetPath(const std::string &source, const std::string &folder,
                                bool addSuffix, const std::string &suffix) {
    const std::string name = addSuffix ? source + suffix : source;
    if (name.empty())
        return name;
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    const std::size_t slash = name.rfind('/');
    return path + (slash == std::string::npos ? name : name.substr(slash + 1));
}
