#include "greydither.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kLevels = 236;
// Rows are padded to the widest vector below.
constexpr int kPadding = 32;

std::size_t padded(int width) {
    return std::size_t((width + kPadding - 1) / kPadding * kPadding);
}

// For each column: sixteen times the pixel plus the sum of the errors the row before left
// below it, offset into the tables. `shift` holds those errors as 4 (error + 1) in its low
// four bits (the bits above are the chain's leftovers); each went 1/16 below and behind (on
// the side that row came from, `walked`), 5/16 below and 3/16 below and ahead. Lanes of bytes
// sum the errors and only the results are widened: the compiler's vector extensions give
// SSE2, AVX2 or NEON code from the one body.
template <typename Bytes, typename HalfBytes, typename Words>
[[gnu::always_inline]] inline void sumErrors(const std::uint8_t *in, const std::uint8_t *shift,
                                             std::int16_t *base, int width, int walked,
                                             std::int16_t offset) {
    constexpr int Lanes = sizeof(Bytes);
    for (int c = 0; c < width; c += Lanes) {
        std::uint8_t tail[Lanes] = {};
        const std::uint8_t *src = in + c;
        if (width - c < Lanes)
            src = static_cast<const std::uint8_t *>(std::memcpy(tail, src, std::size_t(width - c)));
        // Each shift is 4 (error + 1), so the sum is 4 (below + 9): at most 72, a byte's worth.
        // No helpers: in the wide instance a vector crossing a call would change the ABI.
        Bytes before, at, after, pixels;
        std::memcpy(&before, shift + c - walked, sizeof before);
        std::memcpy(&at, shift + c, sizeof at);
        std::memcpy(&after, shift + c + walked, sizeof after);
        std::memcpy(&pixels, src, sizeof pixels);
        const Bytes below = ((before & 15) + 5 * (at & 15) + 3 * (after & 15)) >> 2;
        for (int half = 0; half < Lanes; half += Lanes / 2) {
            HalfBytes p, b;
            std::memcpy(&p, reinterpret_cast<const std::uint8_t *>(&pixels) + half, sizeof p);
            std::memcpy(&b, reinterpret_cast<const std::uint8_t *>(&below) + half, sizeof b);
            const Words sum = (__builtin_convertvector(p, Words) << 4) +
                              __builtin_convertvector(b, Words) + offset;
            std::memcpy(base + c + half, &sum, sizeof sum);
        }
    }
}

typedef std::uint8_t Bytes16 __attribute__((vector_size(16)));
typedef std::uint8_t Bytes8 __attribute__((vector_size(8)));
typedef std::int16_t Words8 __attribute__((vector_size(16)));

void sumErrorsPortable(const std::uint8_t *in, const std::uint8_t *shift, std::int16_t *base,
                       int width, int walked, std::int16_t offset) {
    sumErrors<Bytes16, Bytes8, Words8>(in, shift, base, width, walked, offset);
}

#if defined(__x86_64__) || defined(__i386__)
typedef std::uint8_t Bytes32 __attribute__((vector_size(32)));
typedef std::int16_t Words16 __attribute__((vector_size(32)));

// Twice the lanes where the processor has them: this pass is a third of the dithering.
[[gnu::target("avx2")]] void sumErrorsAvx2(const std::uint8_t *in, const std::uint8_t *shift,
                                           std::int16_t *base, int width, int walked,
                                           std::int16_t offset) {
    sumErrors<Bytes32, Bytes16, Words16>(in, shift, base, width, walked, offset);
}
#endif

decltype(&sumErrorsPortable) chooseSumErrors(DitherVectors vectors) {
#if defined(__x86_64__) || defined(__i386__)
    if (vectors == DitherVectors::Widest && __builtin_cpu_supports("avx2"))
        return sumErrorsAvx2;
#else
    (void)vectors;
#endif
    return sumErrorsPortable;
}

} // namespace

GreyDither::GreyDither(int width, DitherVectors vectors)
    : width_(width), sumErrors_(chooseSumErrors(vectors)), base_(padded(width)),
      shift_(padded(width) + 2 * kPadding, 4) {
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
        std::uint16_t packed = 0;
        for (int before = -1; before <= 1; ++before) {
            const int v = valueAt(std::clamp(i + 7 * before, 0, size - 1));
            packed |= std::uint16_t(4 * (v - grey[v] + 1) << (4 * (before + 1)));
        }
        next_[std::size_t(i)] = packed;
    }
}

void GreyDither::row(const std::uint8_t *in, std::uint8_t *out) {
    const int w = width_;
    std::uint8_t *shift = shift_.data() + 1;
    // The libjpeg quantiser's sum is ((carried + below + 8) >> 4) + pixel: sixteen times the
    // pixel keeps the same floor in the index's upper bits; the 4 (error + 1) shifts add 9.
    const int walked = oddRow_ ? 1 : -1; // the direction of the row before
    sumErrors_(in, shift, base_.data(), w, walked, std::int16_t(8 - 9 + offset_));
    // Serpentine order: even rows left to right, odd rows right to left. The first pixel has
    // no error before it; the zero error on each side of the row is 4 (0 + 1) too. The entry's
    // low four bits are the error; the fields above are multiples of 4 as well, so `& 31`
    // leaves them out of the next shift, and x86 shifts mask their count so anyway: the chain
    // is one shift per pixel.
    const std::int16_t *base = base_.data();
    const std::uint16_t *next = next_.data(); // a local: the byte stores below may alias
    shift[-1] = shift[w] = 4;
    unsigned s = 4;
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
            out[c] = level_[std::size_t(base[c] + 7 * ((shift[c + back] & 15) / 4 - 1))];
    oddRow_ = !oddRow_;
}
