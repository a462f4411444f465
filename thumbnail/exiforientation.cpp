#include "exiforientation.h"

#include <cstring>

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;

// Reads 16- and 32-bit numbers of the TIFF structure in its declared byte order.
struct TiffReader {
    std::span<const std::uint8_t> data;
    bool bigEndian;

    bool has(std::size_t at, std::size_t count) const {
        return at <= data.size() && count <= data.size() - at;
    }
    std::uint16_t u16(std::size_t at) const {
        return bigEndian ? std::uint16_t(data[at] << 8 | data[at + 1])
                         : std::uint16_t(data[at + 1] << 8 | data[at]);
    }
    std::uint32_t u32(std::size_t at) const {
        return bigEndian ? std::uint32_t(u16(at)) << 16 | u16(at + 2)
                         : std::uint32_t(u16(at + 2)) << 16 | u16(at);
    }
};

} // namespace

Orientation ExifOrientation(std::span<const std::uint8_t> app1Payload) {
    static constexpr char kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1Payload.size() < sizeof kSignature + 8 ||
        std::memcmp(app1Payload.data(), kSignature, sizeof kSignature) != 0)
        return Orientation::Normal;
    const auto tiff = app1Payload.subspan(sizeof kSignature);
    TiffReader r{tiff, tiff[0] == 'M'};
    if ((tiff[0] != 'M' && tiff[0] != 'I') || tiff[1] != tiff[0] || r.u16(2) != 42)
        return Orientation::Normal;
    const std::size_t ifd = r.u32(4);
    if (!r.has(ifd, 2))
        return Orientation::Normal;
    const unsigned entries = r.u16(ifd);
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t(i) * 12;
        if (!r.has(entry, 12))
            break;
        if (r.u16(entry) != kOrientationTag)
            continue;
        // A short held in the entry's value field, which starts at offset 8.
        const unsigned value = r.u16(entry + 8);
        if (r.u16(entry + 2) != kShortType || r.u32(entry + 4) != 1 || value < 1 || value > 8)
            return Orientation::Normal;
        return Orientation(value);
    }
    return Orientation::Normal;
}

PixelPlace StoredPixel(Orientation o, int x, int y, int storedWidth, int storedHeight) {
    const int right = storedWidth - 1, bottom = storedHeight - 1;
    switch (o) {
    case Orientation::Normal:
        break;
    case Orientation::MirrorHorizontal:
        return {right - x, y};
    case Orientation::Rotate180:
        return {right - x, bottom - y};
    case Orientation::MirrorVertical:
        return {x, bottom - y};
    case Orientation::Transpose:
        return {y, x};
    case Orientation::Rotate90:
        return {y, bottom - x};
    case Orientation::Transverse:
        return {right - y, bottom - x};
    case Orientation::Rotate270:
        return {right - y, x};
    }
    return {x, y};
}
