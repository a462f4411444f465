#include "photoformats.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::string_view kExtensions[] = {"jpg",  "jpeg", "jpe", "heic", "heif",
                                            "avif", "webp", "png", "tif",  "tiff"};

} // namespace

std::span<const std::string_view> PhotoExtensions() {
    return kExtensions;
}

bool HasPhotoExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string_view extension = name.substr(dot + 1);
    return std::any_of(std::begin(kExtensions), std::end(kExtensions), [&](std::string_view e) {
        return std::equal(
            e.begin(), e.end(), extension.begin(), extension.end(),
            [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    });
}
