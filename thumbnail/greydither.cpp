#include "greydither.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kLevels = 236;
// Sixteen samples at a time: the compiler's vector extensions give SSE2 or NEON code at -O2.
constexpr int kLanes = 16;
typedef std::int16_t Int16x8 __attribute__((vector_size(16)));
typedef std::uint8_t Uint8x8 __attribute__((vector_size(8)));
typedef std::uint8_t Uint8x16 __attribute__((vector_size(16)));

Uint8x16 load16(const std::uint8_t *p) {
    Uint8x16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Eight bytes of `v` from `first` on, widened.
Int16x8 widen(const Uint8x16 &v, int first) {
    Uint8x8 half;
    std::memcpy(&half, reinterpret_cast<const std::uint8_t *>(&v) + first, sizeof half);
    return __builtin_convertvector(half, Int16x8);
}

std::size_t padded(int width) {
    return std::size_t((width + kLanes - 1) / kLanes * kLanes);
}

} // namespace

GreyDither::GreyDither(int width)
    : width_(width), base_(padded(width)), shift_(padded(width) + 2 * kLanes, 8) {
    // Level j shows grey (255 j + (levels - 1) / 2) / (levels - 1); input values map to the
    // level whose upper boundary (2 j + 1) 255 / (2 (levels - 1)) they do not pass. With 236
    // levels no value is more than 1 from its grey, which is what the packed entries hold.
    constexpr int top = kLevels - 1;
    auto boundary = [](int j) { return ((2 * j + 1) * 255 + top) / (2 * top); };
    std::uint8_t grey[256];
    int level = 0;
    int limit = boundary(0);
    for (int v = 0; v < 256; ++v) {
        while (v > limit)
            limit = boundary(++level);
        grey[v] = std::uint8_t((level * 255 + top / 2) / top);
    }
    // Errors stay within a few sixteenths, so a margin of two values around 0..255 covers
    // every sum a pixel and its errors can make.
    constexpr int margin = 2;
    offset_ = 16 * margin;
    const int size = 16 * (256 + 2 * margin);
    const auto valueAt = [](int i) { return std::clamp(i / 16 - margin, 0, 255); };
    level_.resize(std::size_t(size));
    next_.resize(std::size_t(size));
    for (int i = 0; i < size; ++i) {
        level_[std::size_t(i)] = grey[valueAt(i)];
        std::uint32_t packed = 0;
        for (int before = -1; before <= 1; ++before) {
            const int v = valueAt(std::clamp(i + 7 * before, 0, size - 1));
            packed |= std::uint32_t(8 * (v - grey[v] + 1)) << (8 * (before + 1));
        }
        next_[std::size_t(i)] = packed;
    }
}

void GreyDither::row(const std::uint8_t *in, std::uint8_t *out) {
    const int w = width_;
    std::uint8_t *shift = shift_.data() + 1;
    // What the row before left for this one: each of its pixels' errors went 1/16 below and
    // behind (on the side that row came from), 5/16 below and 3/16 below and ahead. The
    // libjpeg quantiser's sum is then ((carried + below + 8) >> 4) + pixel: sixteen times the
    // pixel keeps the same floor in the index's upper bits.
    const int walked = oddRow_ ? 1 : -1; // the direction of the row before
    for (int c = 0; c < w; c += kLanes) {
        std::uint8_t tail[kLanes] = {};
        const std::uint8_t *src = in + c;
        if (w - c < kLanes)
            src = static_cast<const std::uint8_t *>(std::memcpy(tail, src, std::size_t(w - c)));
        // Each shift is 8 (error + 1), so the sum is 8 (below + 9): at most 144, a byte's worth.
        const Uint8x16 below =
            (load16(shift + c - walked) + 5 * load16(shift + c) + 3 * load16(shift + c + walked)) >>
            3;
        const Uint8x16 pixels = load16(src);
        for (int half = 0; half < kLanes; half += kLanes / 2) {
            const Int16x8 base =
                (widen(pixels, half) << 4) + widen(below, half) + std::int16_t(8 - 9 + offset_);
            std::memcpy(base_.data() + c + half, &base, sizeof base);
        }
    }
    // Serpentine order: even rows left to right, odd rows right to left. The first pixel has
    // no error before it; the zero error on each side of the row is 8 (0 + 1) too. The entry's
    // low byte is the error; `& 31` leaves the bytes above out of the next shift, and x86
    // shifts mask their count so anyway: the chain is one shift per pixel.
    const std::int16_t *base = base_.data();
    const std::uint32_t *next = next_.data(); // a local: the byte stores below may alias
    shift[-1] = shift[w] = 8;
    unsigned s = 8;
    if (oddRow_) {
#pragma GCC unroll 4
        for (int c = w - 1; c >= 0; --c)
            shift[c] = std::uint8_t(s = next[base[c]] >> (s & 31));
    } else {
#pragma GCC unroll 4
        for (int c = 0; c < w; ++c)
            shift[c] = std::uint8_t(s = next[base[c]] >> (s & 31));
    }
    // The pixel's own level needs the error carried from the one before (7/16).
    const int back = oddRow_ ? 1 : -1;
    if (out)
        for (int c = 0; c < w; ++c)
            out[c] = level_[std::size_t(base[c] + 7 * (shift[c + back] / 8 - 1))];
    oddRow_ = !oddRow_;
}
