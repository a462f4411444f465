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
    int width_;
    // Indexed by a pixel value plus its carried error, before clamping to 0..255: the
    // output grey, and the error it leaves (plain and times seven, for the next pixel).
    int offset_ = 0;
    std::vector<std::uint8_t> level_;
    std::vector<std::int16_t> error_;
    std::vector<std::int16_t> error7_;
    // Errors for the next row, one entry per column plus one on each side.
    std::vector<std::int16_t> below_;
    bool oddRow_ = false;
};
