// Writes the seed corpus of the engine's fuzz target: small sources of every kind the
// engine meets, each behind a settings prefix.
#include "jpegfixtures.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    struct Seed {
        const char *name;
        std::string prefix;
        std::string source;
    };
    JpegOptions everyBit;
    everyBit.everyBitItsOwnScan = true;
    std::string cut = EncodeJpeg(PatternPicture(40, 40));
    cut.resize(cut.size() / 2);
    const Seed seeds[] = {
        {"baseline", std::string("\x10\x12\x01\x00\x00\xFF", 6),
         EncodeJpeg(PatternPicture(33, 21))},
        {"progressive", std::string("\x08\x20\x03\xFF\x00\x00", 6),
         EncodeJpeg(PatternPicture(21, 33), {75, true})},
        {"grey", std::string("\x20\x20\x00\x10\x20\x30", 6), EncodeJpeg(PatternPicture(19, 17, 1))},
        {"s444restart", std::string("\x05\x40\x01\x00\xFF\x00", 6),
         EncodeJpeg(PatternPicture(30, 30), {90, false, Sampling::S444, 1})},
        {"cmyk", std::string("\x0C\x0C\x01\x00\x00\x00", 6), EncodeJpeg(PatternPicture(16, 16, 4))},
        {"adobe", std::string("\x0C\x0C\x05\x00\x00\x00", 6),
         EncodeJpeg(PatternPicture(16, 16, 4), {90, false, Sampling::S420, 0, true, true})},
        {"truncated", std::string("\x10\x10\x01\x00\x00\x00", 6), cut},
        {"manyScans", std::string("\x04\x04\x01\x00\x00\x00", 6),
         EncodeJpeg(PatternPicture(8, 8), everyBit)},
        {"zeroBox", std::string("\x00\x10\x01\x00\x00\x00", 6), EncodeJpeg(PatternPicture(8, 8))},
    };
    for (const Seed &s : seeds)
        WriteFile(folder + "/" + s.name + ".bin", s.prefix + s.source);
    return 0;
}
