// Fuzz target for the engine. The first eight bytes choose the call's settings, the rest is
// the source: box width and height (two bytes each, see boxSide), the mode flags with the
// engine's extras (smooth, upright, keep profile), and the fill colour.
#include "uthumbnail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

namespace {

// Most inputs ask for a side of 0 to 64 (0 being an invalid box): those runs are quick and
// reach every sampling edge case. One input in eight spreads its side over 1 to 65500, the
// largest a JPEG can hold.
int boxSide(std::uint8_t low, std::uint8_t high) {
    if ((high & 0xE0) != 0xE0)
        return low % 65;
    const int spread = (high & 0x1F) << 8 | low; // 0 to 8191
    return 1 + spread * 65499 / 8191;
}

// The canvas is never larger than the box, and the work of a run grows with the canvas: a box
// above this many pixels is narrowed on its shorter side, so a large side still comes through
// whole (as a strip) and no run takes more than milliseconds.
constexpr long maxBoxArea = 1L << 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 8)
        return 0;
    int width = boxSide(data[0], data[1]);
    int height = boxSide(data[2], data[3]);
    if (long(width) * height > maxBoxArea) {
        if (width >= height)
            height = int(std::max(1L, maxBoxArea / width));
        else
            width = int(std::max(1L, maxBoxArea / height));
    }
    const bool keepAspect = data[4] & 1;
    const bool eraseEmpty = data[4] & 2;
    const bool transparent = data[4] & 4;
    const ThumbnailExtras extras{(data[4] & 8) != 0, (data[4] & 16) != 0, (data[4] & 32) != 0};
    const TColor fill = rgbColor(data[5], data[6], data[7]);
    std::istringstream in(std::string(reinterpret_cast<const char *>(data + 8), size - 8));
    std::ostringstream out;
    const bool ok = bool(MakeThumbnailStream(
        in, out, {width, height, keepAspect, fill, transparent, eraseEmpty, extras}));
    // A failure never writes; a success writes a JPEG or, for an empty canvas, nothing.
    if (!ok && !out.str().empty())
        __builtin_trap();
    if (ok && !out.str().empty() && out.str().compare(0, 2, "\xFF\xD8") != 0)
        __builtin_trap();
    return 0;
}
