#pragma once
// Floyd-Steinberg dithering of grey rows to evenly spaced levels, with exactly the results
// of libjpeg's one-pass quantiser (serpentine rows, errors in sixteenths), but cheaper per
// pixel: rows whose pixels are not wanted only carry their errors on.
#include <cstdint>
#include <vector>

class GreyDither {
public:
    GreyDither(int width, int levels);

    // Dithers the next row. `out`, when given, receives each pixel's output grey value.
    void row(const std::uint8_t *in, std::uint8_t *out);

private:
    template <bool Write> void walk(const std::uint8_t *in, std::uint8_t *out);

    int width_;
    // Indexed by sixteen times a pixel value plus its error in sixteenths (before the
    // quantiser's shift, whose floor the index holds in its upper bits) and offset so that
    // every sum a pixel and its error can make lands inside: the output grey, the error it
    // leaves and seven times that error, carried to the next pixel. One lookup with no
    // arithmetic before it is all that lies on the chain from pixel to pixel.
    int offset_ = 0;
    std::vector<std::uint8_t> level_;
    std::vector<std::int16_t> error_;
    std::vector<std::int16_t> carry_;
    // Errors for the next row, one entry per column plus one on each side.
    std::vector<std::int16_t> below_;
    bool oddRow_ = false;
};
