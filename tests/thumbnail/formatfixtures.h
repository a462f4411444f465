#pragma once
// Test photos in the other formats, made with the libraries' own encoders from a Picture
// (RGB, or RGBA when it has four components): the same pixels the engine must find again.
#include "jpegfixtures.h"

#include <string>

struct FormatOptions {
    bool sixteenBits = false; // PNG and TIFF: every 8-bit sample v stored as v * 257
    bool interlaced = false;  // PNG: Adam7
    bool tiled = false;       // TIFF: 16 x 16 tiles instead of strips
    bool lossless = true;     // WebP, HEIF/AVIF
    int orientation = 0;      // 1 to 8: EXIF (PNG, WebP), the tag (TIFF), irot/imir (HEIF)
    std::string iccProfile;
    bool cmyk = false;     // TIFF: four components are CMYK ink (255 full), a fifth alpha
    bool planes = false;   // TIFF: each sample in its own plane
    bool inverted = false; // TIFF CMYK: stored as light, as its DotRange then says
};

std::string EncodePng(const Picture &picture, const FormatOptions &options = {});
std::string EncodeTiff(const Picture &picture, const FormatOptions &options = {});
std::string EncodeWebP(const Picture &picture, const FormatOptions &options = {});
// HEIC (HEVC) or AVIF (AV1) through libheif; lossy. `thumbnail`, when it has pixels, is
// stored (one pixel smaller on its longer side) as the primary picture's embedded thumbnail.
std::string EncodeHeif(const Picture &picture, bool av1, const FormatOptions &options = {},
                       const Picture &thumbnail = {});

// A CMYK printing profile (an output profile with a Lab table) whose inks give what PressRgb
// says: not the plain conversion, so that a thumbnail shows which one was used.
std::string CmykPressProfile();
void PressRgb(const std::uint8_t *ink, std::uint8_t *rgb);

// The picture with an alpha channel: `alpha(x, y)` for each pixel.
Picture WithAlpha(const Picture &picture, std::uint8_t (*alpha)(int x, int y));
// The RGBA picture laid over an opaque colour, as a viewer shows it.
Picture OverColour(const Picture &rgba, std::uint8_t r, std::uint8_t g, std::uint8_t b);
