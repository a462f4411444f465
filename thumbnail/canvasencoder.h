#pragma once
// The encoders of the formats other than JPEG (which streams its rows through JpegEncoder for
// its exact bytes): a whole canvas in, the file's bytes or the library's cause out.
#include "outputformat.h"

#include <cstdint>
#include <string>
#include <vector>

// A finished thumbnail: RGB, or RGBA with straight (not premultiplied) alpha.
struct Canvas {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<std::uint8_t> pixels; // rows top to bottom, no padding

    std::size_t stride() const { return std::size_t(width) * std::size_t(channels); }
};

struct CanvasEncoding {
    // The format's own setting (see qualityscale.h); ignored by lossless formats.
    double setting = 0;
    // Keep the chroma at full resolution where the format can (a filtered picture).
    bool fullChroma = false;
    std::vector<std::uint8_t> iccProfile; // embedded when not empty
    std::string xmp;                      // WebP and AVIF: embedded when not empty
    int nearLossless = -1; // WebP: the near-lossless level, or -1 for the lossy format
};

struct EncodedCanvas {
    std::string bytes;
    std::string cause; // the library's words when encoding failed

    explicit operator bool() const { return cause.empty(); }
};

// The encoders of the format module (formatmodule.h).
// `setting`: WebP's quality, 0 to 100.
EncodedCanvas EncodeWebp(const Canvas &canvas, const CanvasEncoding &encoding);
// `setting`: the AV1 quantizer, 0 (best) to 63.
EncodedCanvas EncodeAvif(const Canvas &canvas, const CanvasEncoding &encoding);
// Lossless; `setting` is not used.
EncodedCanvas EncodePng(const Canvas &canvas, const CanvasEncoding &encoding);

// What encoding a canvas of `pixels` pixels in `format` may take: the canvas, the encoder's
// copies of it and, for AVIF, the AV1 encoder's own state.
std::uint64_t CanvasEncodingMemory(OutputFormat format, std::uint64_t pixels);

// The canvas in `format` (not JPEG) at `quality` on our shared scale, by the format module
// (formatloader.h); without the module, a failure with the reason.
EncodedCanvas EncodeCanvas(OutputFormat format, const Canvas &canvas, int quality, bool fullChroma,
                           std::vector<std::uint8_t> iccProfile, std::string xmp = {});
