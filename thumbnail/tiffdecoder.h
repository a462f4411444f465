#pragma once
// TIFF through libtiff: RGB, grey, palette and CMYK; 8 and 16 bits; strips and tiles; the
// first page. The file is held in memory (libtiff seeks through it) and the picture is decoded
// one band of strips or tiles at a time, so only a band's rows are held.
#include "imagedecoder.h"

#include <tiffio.h>

class TiffDecoder : public ImageDecoder {
public:
    explicit TiffDecoder(DecoderInput &input) : input_(input) {}
    ~TiffDecoder() override;

    bool readHeader() override;
    bool start(int coverWidth, int coverHeight) override;
    const std::uint8_t *row(int y) override;

    // Internals shared with libtiff's callbacks.
    std::vector<std::uint8_t> file_;
    std::uint64_t position_ = 0;
    char error_[1024] = {};

private:
    bool loadBand(int first);
    bool libtiffFailed(const char *fallback);

    DecoderInput &input_;
    TIFF *tiff_ = nullptr;
    TIFFRGBAImage image_{};
    bool imageStarted_ = false;
    int bandRows_ = 0;
    int bandFirst_ = -1;
    std::vector<std::uint8_t> band_; // RGBA, bandRows_ rows
};
