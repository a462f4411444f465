#pragma once
// Test pictures made with libjpeg, and a reference thumbnailer that decodes the whole source
// into memory before sampling: the engine's streaming output must match it byte for byte.
#include "colors.h"

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    int components = 3; // 1 grey, 3 RGB, 4 CMYK
    std::vector<std::uint8_t> pixels;

    const std::uint8_t *at(int x, int y) const {
        return pixels.data() +
               (std::size_t(y) * std::size_t(width) + std::size_t(x)) * std::size_t(components);
    }
};

// A picture with detail everywhere, so that wrong rows or columns show.
Picture PatternPicture(int width, int height, int components = 3, unsigned seed = 1);
Picture SolidPicture(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b);
// Solid quarters: top left, top right, bottom left, bottom right.
Picture QuartersPicture(int width, int height, const std::uint8_t (&rgb)[4][3]);

enum class Sampling { S420, S422, S444 };

struct JpegOptions {
    int quality = 85;
    bool progressive = false;
    Sampling sampling = Sampling::S420;
    int restartRows = 0;      // restart interval in MCU rows, 0 for none
    bool adobeMarker = false; // for four-component pictures: write an Adobe marker
    bool ycck = false;        // four components stored as YCCK (needs adobeMarker)
    // Progressive with one scan per coefficient and bit: over two thousand scans for a
    // colour picture (valid, but far beyond what any encoder writes).
    bool everyBitItsOwnScan = false;
    // For a grey picture: its one component sampled 2x2, valid though only its blocks change.
    bool greyDoubleSampled = false;
};

// Markers written after the JFIF header.
struct JpegMetadata {
    int exifOrientation = 0;   // 1 to 8: an EXIF block with this Orientation tag
    bool exifBigEndian = true; // the EXIF block's byte order
    std::string iccProfile;    // written as APP2 ICC_PROFILE markers, split as libjpeg does
};

std::string EncodeJpeg(const Picture &picture, const JpegOptions &options = {},
                       const JpegMetadata &metadata = {});

// An APP1 payload: "Exif", two zero bytes and a TIFF structure whose first directory holds a
// few entries, the Orientation tag among them.
std::string ExifBlock(int orientation, bool bigEndian);

// A full decode with libjpeg as the engine sets it up; false on a libjpeg error.
struct DecodedJpeg {
    bool ok = false;
    Picture picture; // RGB, or grey levels already looked up for greyscale sources
    int components = 0;
    bool progressive = false;
    int inputComponents = 0;
    bool subsampledChroma = false;
    std::string iccProfile;
    bool hasExif = false;
};
DecodedJpeg DecodeJpeg(const std::string &bytes);

// Full decode, then the engine's sampling and encoding: the expected bytes (`ok` false when
// the engine must fail, an empty canvas included).
struct ReferenceResult {
    bool ok = false;
    std::string bytes;
};
ReferenceResult ReferenceThumbnail(const std::string &source, int width, int height,
                                   bool keepAspect, TColor fill, bool eraseEmpty);
// The same from a picture already decoded (and perhaps changed) by the test.
ReferenceResult ReferenceThumbnailOf(const Picture &picture, bool progressive, int width,
                                     int height, bool keepAspect, TColor fill, bool eraseEmpty);

// Helpers for files on disk.
std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &bytes);
