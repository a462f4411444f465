#pragma once
// PNG through libpng: 1 to 16 bits, palette, grey and alpha, brought to 8-bit RGB or RGBA.
// A plain picture is read row by row, so a huge PNG needs only a few rows of memory; an
// interlaced one is gathered whole (its passes fill the rows in turn).
#include "imagedecoder.h"

#include <png.h>

class PngDecoder : public ImageDecoder {
public:
    explicit PngDecoder(DecoderInput &input);
    ~PngDecoder() override;

    bool readHeader() override;
    bool start(int coverWidth, int coverHeight) override;
    const std::uint8_t *row(int y) override;
    bool finish() override;

    // Internals shared with libpng's callbacks.
    DecoderInput &input_;
    char error_[200] = {};

private:
    bool trappedHeader();
    bool trappedReadImage();
    bool trappedReadRow();
    bool trappedEnd();
    bool failed(bool ok);
    Orientation orientationAtEnd();

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    bool interlaced_ = false;
    std::vector<std::uint8_t> rows_; // one row, or the whole picture when interlaced
    std::vector<png_bytep> rowPointers_;
    std::size_t stride_ = 0;
    int currentRow_ = -1;
};
