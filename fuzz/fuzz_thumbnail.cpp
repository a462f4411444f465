// Fuzz target for the engine. The first six bytes choose the call's settings, the rest is
// the source: box width and height (1 to 64 each, 0 meaning an invalid box of 0), the mode
// flags, and the fill colour.
#include "uthumbnail.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 6)
        return 0;
    const int width = data[0] % 65;
    const int height = data[1] % 65;
    const bool keepAspect = data[2] & 1;
    const bool eraseEmpty = data[2] & 2;
    const bool transparent = data[2] & 4;
    const TColor fill = rgbColor(data[3], data[4], data[5]);
    std::istringstream in(std::string(reinterpret_cast<const char *>(data + 6), size - 6));
    std::ostringstream out;
    const bool ok =
        CreateThumbnailStream(in, out, width, height, keepAspect, fill, transparent, eraseEmpty);
    // A failure never writes; a success writes a JPEG or, for an empty canvas, nothing.
    if (!ok && !out.str().empty())
        __builtin_trap();
    if (ok && !out.str().empty() && out.str().compare(0, 2, "\xFF\xD8") != 0)
        __builtin_trap();
    return 0;
}
