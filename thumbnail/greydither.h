#pragma once
// Floyd-Steinberg dithering of grey rows to 236 evenly spaced levels, with exactly the results
// of libjpeg's one-pass quantiser (serpentine rows, errors in sixteenths), but cheaper per
// pixel: rows whose pixels are not wanted only carry their errors on.
#include <cstdint>
#include <vector>

// Which vectors sum the errors: the widest the processor has, or the ones every processor has.
enum class DitherVectors { Widest, Portable };

class GreyDither {
public:
    explicit GreyDither(int width, DitherVectors vectors = DitherVectors::Widest);

    // Dithers the next row. `out`, when given, receives each pixel's output grey value.
    void row(const std::uint8_t *in, std::uint8_t *out);

private:
    int width_;
    // Sums each pixel with the errors carried from the row before: the widest vectors the
    // processor has.
    void (*sumErrors_)(const std::uint8_t *in, const std::uint8_t *shift, std::int16_t *base,
                       int width, int walked, std::int16_t offset);
    // Indexed by sixteen times a pixel value plus its error in sixteenths (before the
    // quantiser's shift, whose floor the index holds in its upper bits), offset so that every
    // sum a pixel and its errors can make lands inside: the output grey, and for each error
    // the pixel before may leave (-1, 0 or 1, carried as 7 sixteenths each) the error this
    // pixel leaves, as 4 (error + 1) in the four bits from bit 4 (error + 1) of the entry.
    // The pixel-to-pixel chain is then one shift; the lookups and the errors for the next row
    // stay off it. Two bytes an entry keep the table small beside the decoder's own data.
    int offset_ = 0;
    std::vector<std::uint8_t> level_;
    std::vector<std::uint16_t> next_;
    // The row's table indices before the carried error, in column order.
    std::vector<std::int16_t> base_;
    // The last row's errors in column order as 4 (error + 1) in the low four bits, after a
    // zero error (4) on the left; all zero errors before the first row.
    std::vector<std::uint8_t> shift_;
    bool oddRow_ = false;
};
