#include "greydither.h"

#include <algorithm>
#include <cstdlib>

GreyDither::GreyDither(int width, int levels) : width_(width), below_(std::size_t(width) + 2, 0) {
    // Level j shows grey (255 j + (levels - 1) / 2) / (levels - 1); input values map to the
    // level whose upper boundary (2 j + 1) 255 / (2 (levels - 1)) they do not pass.
    const int top = levels - 1;
    auto boundary = [top](int j) { return ((2 * j + 1) * 255 + top) / (2 * top); };
    std::uint8_t grey[256];
    int level = 0;
    int limit = boundary(0);
    int largestError = 0;
    for (int v = 0; v < 256; ++v) {
        while (v > limit)
            limit = boundary(++level);
        grey[v] = std::uint8_t((level * 255 + top / 2) / top);
        largestError = std::max(largestError, std::abs(v - grey[v]));
    }
    // Carried errors stay within a few times the largest error, so a margin of that size
    // around 0..255 covers every sum a pixel and its error can make.
    const int margin = 16 * (largestError + 1);
    offset_ = 16 * margin;
    const std::size_t size = std::size_t(16 * (256 + 2 * margin));
    level_.resize(size);
    error_.resize(size);
    carry_.resize(size);
    for (std::size_t i = 0; i < size; ++i) {
        const int v = std::clamp(int(i / 16) - margin, 0, 255);
        level_[i] = grey[v];
        error_[i] = std::int16_t(v - grey[v]);
        carry_[i] = std::int16_t(7 * (v - grey[v]));
    }
}

void GreyDither::row(const std::uint8_t *in, std::uint8_t *out) {
    if (out)
        walk<true>(in, out);
    else
        walk<false>(in, nullptr);
    oddRow_ = !oddRow_;
}

template <bool Write> void GreyDither::walk(const std::uint8_t *in, std::uint8_t *out) {
    // Serpentine order: even rows left to right, odd rows right to left. `e` points at the
    // error entry of the column before the current one in the direction of travel.
    const int dir = oddRow_ ? -1 : 1;
    std::int16_t *e = oddRow_ ? below_.data() + width_ + 1 : below_.data();
    const std::uint8_t *src = oddRow_ ? in + width_ - 1 : in;
    std::uint8_t *dst = Write ? (oddRow_ ? out + width_ - 1 : out) : nullptr;
    const std::uint8_t *level = level_.data() + offset_;
    const std::int16_t *error = error_.data() + offset_;
    const std::int16_t *carry = carry_.data() + offset_;
    int carried = 0, belowErr = 0, belowPrevErr = 0;
    for (int n = width_; n > 0; --n) {
        // The libjpeg quantiser's sum is ((carried + below + 8) >> 4) + pixel: sixteen times
        // the pixel keeps the same floor in the index's upper bits.
        const int rest = e[dir] + 8 + 16 * int(*src);
        const int index = rest + carried;
        if constexpr (Write) {
            *dst = level[index];
            dst += dir;
        }
        // The empty asm keeps the compiler from folding this address back onto the carried
        // error, which would lengthen the chain by the arithmetic.
        const std::int16_t *here = carry + rest;
        asm("" : "+r"(here));
        carried = here[carried]; // 7/16 to the next pixel
        const int err = error[index];
        e[0] = std::int16_t(belowPrevErr + 3 * err); // 3/16 below and behind
        belowPrevErr = belowErr + 5 * err;           // 5/16 below
        belowErr = err;                              // 1/16 below and ahead
        src += dir;
        e += dir;
    }
    e[0] = std::int16_t(belowPrevErr);
}
