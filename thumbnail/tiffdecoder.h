#pragma once
// TIFF through libtiff: RGB, grey, palette and CMYK; 8 and 16 bits; strips and tiles; the
// first page. libtiff seeks through the file where it lies (a stream that is not a file is
// held in memory first) and the picture is decoded one band of strips or tiles at a time, so
// only a band's rows are held. CMYK is read as ink
// (either planar configuration, its DotRange honoured) so that its profile can convert it.
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
    DecoderInput &input_;
    std::int64_t fileSize_ = -1;     // read in place through input_ when it is a file
    std::vector<std::uint8_t> file_; // else the whole source
    std::uint64_t position_ = 0;
    char error_[1024] = {};

private:
    bool readInkLayout();
    bool loadBand(int first);
    bool loadInkBand(int first, int rows);
    // Puts the samples of stored pixel (x, row) of a plane as ink (and alpha) into the band.
    void putInk(const std::uint8_t *from, int x, int row, int plane);
    void inkToRgb(int rows);
    bool libtiffFailed(const char *fallback);

    TIFF *tiff_ = nullptr;
    TIFFRGBAImage image_{};
    bool imageStarted_ = false;
    int bandRows_ = 0;
    int bandFirst_ = -1;
    std::vector<std::uint8_t> band_; // RGBA, or for ink CMYK (and alpha), bandRows_ rows

    // Ink: how the samples are stored, and each sample value as 8-bit ink.
    struct InkLayout {
        int samples = 0;     // a pixel's, alpha and other extra samples included
        int bytes = 1;       // a sample's: 1 or 2
        bool planes = false; // each sample in its own plane
        bool tiled = false;
        int tileWidth = 0;
        bool associated = false; // the alpha (sample 4) multiplies the ink
    } ink_;
    std::vector<std::uint8_t> inkOf_;
    std::vector<std::uint8_t> coded_; // one strip or tile as libtiff decodes it
};
