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
    JpegMetadata turnedWithProfile;
    turnedWithProfile.exifOrientation = 6;
    turnedWithProfile.iccProfile = std::string(70000, '\x5A'); // two markers
    const Seed seeds[] = {
        {"baseline", std::string("\x10\x00\x12\x00\x01\x00\x00\xFF", 8),
         EncodeJpeg(PatternPicture(33, 21))},
        {"progressive", std::string("\x08\x00\x20\x00\x03\xFF\x00\x00", 8),
         EncodeJpeg(PatternPicture(21, 33), {75, true})},
        {"grey", std::string("\x20\x00\x20\x00\x00\x10\x20\x30", 8),
         EncodeJpeg(PatternPicture(19, 17, 1))},
        {"s444restart", std::string("\x05\x00\x40\x00\x01\x00\xFF\x00", 8),
         EncodeJpeg(PatternPicture(30, 30), {90, false, Sampling::S444, 1})},
        {"cmyk", std::string("\x0C\x00\x0C\x00\x01\x00\x00\x00", 8),
         EncodeJpeg(PatternPicture(16, 16, 4))},
        {"adobe", std::string("\x0C\x00\x0C\x00\x05\x00\x00\x00", 8),
         EncodeJpeg(PatternPicture(16, 16, 4), {90, false, Sampling::S420, 0, true, true})},
        {"truncated", std::string("\x10\x00\x10\x00\x01\x00\x00\x00", 8), cut},
        {"manyScans", std::string("\x04\x00\x04\x00\x01\x00\x00\x00", 8),
         EncodeJpeg(PatternPicture(8, 8), everyBit)},
        {"zeroBox", std::string("\x00\x00\x10\x00\x01\x00\x00\x00", 8),
         EncodeJpeg(PatternPicture(8, 8))},
        // Sides up to 65500 pixels, the other side narrowed to a strip by the area cap.
        {"widest", std::string("\xFF\xFF\x40\xFF\x01\x00\x00\x00", 8),
         EncodeJpeg(PatternPicture(33, 21))},
        {"tallestCropped", std::string("\x02\x00\xFF\xFF\x03\x00\x00\x00", 8),
         EncodeJpeg(PatternPicture(21, 33), {75, true})},
        {"largeStretched", std::string("\x00\xE7\x00\xE0\x00\x00\x00\x00", 8),
         EncodeJpeg(PatternPicture(16, 16, 1))},
        // The extras: smooth, upright and the profile kept, in the padded and cropped modes.
        {"extrasPadded", std::string("\x30\x00\x10\x00\x39\x00\x00\x00", 8),
         EncodeJpeg(PatternPicture(45, 23), {85, true}, turnedWithProfile)},
        {"extrasCropped", std::string("\x09\x00\x40\x00\x3B\x00\x00\x00", 8),
         EncodeJpeg(PatternPicture(64, 40, 1), {}, turnedWithProfile)},
    };
    for (const Seed &s : seeds)
        WriteFile(folder + "/" + s.name + ".bin", s.prefix + s.source);
    return 0;
}
