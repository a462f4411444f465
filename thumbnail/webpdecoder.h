#pragma once
// WebP through libwebp: lossy, lossless and alpha; of an animation, the first frame as its
// canvas shows it. The file is held in memory (libwebp decodes from a buffer) and decoded
// whole; its ICCP and EXIF chunks come through the demuxer.
#include "imagedecoder.h"

class WebPDecoder : public ImageDecoder {
public:
    explicit WebPDecoder(DecoderInput &input) : input_(input) {}

    bool readHeader() override;
    bool start(int coverWidth, int coverHeight) override;
    const std::uint8_t *row(int y) override;

private:
    DecoderInput &input_;
    std::vector<std::uint8_t> file_;
    std::vector<std::uint8_t> pixels_;
    bool animated_ = false;
};
