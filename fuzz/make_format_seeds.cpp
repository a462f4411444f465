// Writes the seed corpora of the decoders' fuzz targets: small files of each format's
// variants, each behind the byte that chooses the cover size, into FOLDER/<format>.
#include "formatfixtures.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_format_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const Picture picture = PatternPicture(21, 13);
    const Picture alpha = WithAlpha(picture, [](int x, int) { return std::uint8_t(x * 12); });
    FormatOptions interlaced16;
    interlaced16.interlaced = interlaced16.sixteenBits = true;
    FormatOptions tiles;
    tiles.tiled = true;
    FormatOptions turnedWithProfile;
    turnedWithProfile.orientation = 6;
    turnedWithProfile.iccProfile = std::string(200, 'p');
    FormatOptions lossy;
    lossy.lossless = false;
    FormatOptions ink;
    ink.cmyk = true;
    FormatOptions inkPlanes16 = ink;
    inkPlanes16.planes = inkPlanes16.sixteenBits = inkPlanes16.tiled = true;
    const Picture cmyk = PatternPicture(21, 13, 4);
    const struct {
        const char *format;
        const char *name;
        std::string file;
    } seeds[] = {
        {"png", "plain", EncodePng(picture)},
        {"png", "interlaced16", EncodePng(picture, interlaced16)},
        {"png", "alpha", EncodePng(alpha)},
        {"webp", "lossless", EncodeWebP(picture, turnedWithProfile)},
        {"webp", "lossy", EncodeWebP(picture, lossy)},
        {"webp", "alpha", EncodeWebP(alpha)},
        {"tiff", "strips", EncodeTiff(picture, turnedWithProfile)},
        {"tiff", "tiles16", EncodeTiff(picture, tiles)},
        {"tiff", "alpha", EncodeTiff(alpha)},
        {"tiff", "cmyk", EncodeTiff(cmyk, ink)},
        {"tiff", "cmykplanes16", EncodeTiff(cmyk, inkPlanes16)},
        {"heif", "heic", EncodeHeif(picture, false, turnedWithProfile, PatternPicture(9, 6))},
        {"heif", "avif", EncodeHeif(alpha, true)},
    };
    for (const auto &s : seeds) {
        std::filesystem::create_directories(folder + "/" + s.format);
        WriteFile(folder + "/" + s.format + "/" + s.name + ".bin",
                  std::string(std::string_view(s.name).starts_with("cmyk") ? "\x88" : "\x08", 1) +
                      s.file);
    }
    return 0;
}
