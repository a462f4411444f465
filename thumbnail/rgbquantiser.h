#pragma once
// The quantised DCT coefficients of one 8 x 8 block of a YCbCr JPEG without chroma subsampling,
// chosen for the RGB pixels a decoder will show rather than for each component on its own.
// Rounding each coefficient to its nearest step is best for the component alone, but the eye
// (and any comparison) sees RGB, where an error in Y and one in Cb or Cr add up or cancel:
// each coefficient's three components are rounded together to the combination that leaves
// the least RGB error. Where the picture touches black or white (a black fill beside the
// picture, clipped highlights), the decoder clamps, and errors beyond the clamp cost nothing:
// such blocks are refined against the clamped pixels a decoder produces.
#include <array>
#include <cstddef>
#include <cstdint>

class RgbBlockQuantiser {
public:
    // The quantisation steps of Y and of Cb and Cr, row by row (not in zigzag order).
    RgbBlockQuantiser(const std::uint16_t *luma, const std::uint16_t *chroma);

    // `rgb`: the block's top-left pixel, its rows `stride` bytes apart; `width` x `height`
    // (1 to 8) of its pixels lie in the picture, and the rest repeat its last column and row.
    // `out`: the Y, Cb and Cr coefficients row by row.
    void quantise(const std::uint8_t *rgb, std::size_t stride, int width, int height,
                  std::int16_t out[3][64]) const;

private:
    std::array<float, 3 * 64> step_{};
    // Row u, column x of the 8-point DCT.
    std::array<std::array<float, 8>, 8> cosine_{};
};
