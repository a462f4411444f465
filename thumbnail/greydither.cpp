#include "greydither.h"

#include <algorithm>

GreyDither::GreyDither(int width, int levels) : width_(width), below_(std::size_t(width) + 2, 0) {
    // Level j shows grey (255 j + (levels - 1) / 2) / (levels - 1); input values map to the
    // level whose upper boundary (2 j + 1) 255 / (2 (levels - 1)) they do not pass.
    const int top = levels - 1;
    auto boundary = [top](int j) { return ((2 * j + 1) * 255 + top) / (2 * top); };
    int level = 0;
    int limit = boundary(0);
    for (int v = 0; v < 256; ++v) {
        while (v > limit)
            limit = boundary(++level);
        const int grey = (level * 255 + top / 2) / top;
        level_[v] = std::uint8_t(grey);
        error_[v] = std::int16_t(v - grey);
    }
}

void GreyDither::row(const std::uint8_t *in, std::uint8_t *out) {
    // Serpentine order: even rows left to right, odd rows right to left. `e` points at the
    // error entry of the column before the current one in the direction of travel.
    const int dir = oddRow_ ? -1 : 1;
    std::int16_t *e = oddRow_ ? below_.data() + width_ + 1 : below_.data();
    const std::uint8_t *src = oddRow_ ? in + width_ - 1 : in;
    std::uint8_t *dst = out ? (oddRow_ ? out + width_ - 1 : out) : nullptr;
    int cur = 0, belowErr = 0, belowPrevErr = 0;
    for (int n = width_; n > 0; --n) {
        // Arithmetic right shift rounds toward minus infinity, as the quantiser's does.
        cur = (cur + e[dir] + 8) >> 4;
        const int value = std::clamp(cur + int(*src), 0, 255);
        if (dst) {
            *dst = level_[value];
            dst += dir;
        }
        cur = error_[value];
        const int nextErr = cur;
        const int twice = cur * 2;
        cur += twice; // 3/16 to the pixel below and behind
        e[0] = std::int16_t(belowPrevErr + cur);
        cur += twice; // 5/16 to the pixel below
        belowPrevErr = belowErr + cur;
        belowErr = nextErr; // 1/16 to the pixel below and ahead
        cur += twice;       // 7/16 to the next pixel
        src += dir;
        e += dir;
    }
    e[0] = std::int16_t(belowPrevErr);
    oddRow_ = !oddRow_;
}
