#include "smoothscale.h"

#include "jpegcodec.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr double kLobes = 3;
constexpr double kPi = 3.14159265358979323846;

// The smooth mode keeps clear of libm: the pages of its sine and rounding functions would make
// the smooth mode's resident size larger than the exact mode's, which never calls them.

// sin(pi x): the Taylor series of the nearest half period, good to 1e-9.
double sinPi(double x) {
    const auto whole = std::int64_t(x < 0 ? x - 0.5 : x + 0.5);
    const double y = kPi * (x - double(whole)); // within +-pi/2
    const double u = y * y;
    const double s =
        y *
        (1 - u / 6 * (1 - u / 20 * (1 - u / 42 * (1 - u / 72 * (1 - u / 110 * (1 - u / 156))))));
    return whole % 2 ? -s : s;
}

int floorOf(double x) {
    const int i = int(x);
    return i - (i > x);
}

double lanczos3(double x) {
    if (x == 0)
        return 1;
    if (x <= -kLobes || x >= kLobes)
        return 0;
    return kLobes * sinPi(x) * sinPi(x / kLobes) / (kPi * kPi * x * x);
}

// How much wider than Lanczos-3 the kernel is for `scale` input pixels per output pixel; one
// place for FilterAxis and the memory estimate.
double kernelStretch(double scale) {
    return std::max(scale, 1.0);
}

} // namespace

FilterAxis::FilterAxis(int inputLength, double extent, int outputLength, int first, int end)
    : first_(first), end_(std::max(first, end)) {
    const double scale = extent / outputLength; // input pixels per output pixel
    // Reducing, the kernel widens to cover exactly the input pixels that each output pixel
    // stands for: any wider blurs grain and foliage that the picture really has.
    const double stretch = kernelStretch(scale);
    const double support = kLobes * stretch;
    taps_.reserve(std::size_t(end_ - first_));
    for (int out = first_; out < end_; ++out) {
        const double centre = (out + 0.5) * scale; // in pixel widths from the input's edge
        const int from = std::max(0, floorOf(centre - support + 0.5));
        const int to = std::min(inputLength, floorOf(centre + support + 0.5));
        Taps taps{from, 0, weights_.size()};
        double sum = 0;
        for (int j = from; j < to; ++j) {
            const double w = lanczos3((j + 0.5 - centre) / stretch);
            weights_.push_back(float(w));
            sum += w;
            ++taps.count;
        }
        if (taps.count == 0 || sum == 0) { // beyond the input: its nearest edge pixel
            weights_.resize(taps.offset);
            taps = {std::clamp(int(centre), 0, inputLength - 1), 1, weights_.size()};
            weights_.push_back(1);
            sum = 1;
        }
        for (int i = 0; i < taps.count; ++i)
            weights_[taps.offset + std::size_t(i)] =
                float(weights_[taps.offset + std::size_t(i)] / sum);
        widest_ = std::max(widest_, taps.count);
        taps_.push_back(taps);
    }
}

SmoothScaler::SmoothScaler(const Axis &horizontal, const Axis &vertical)
    : columns_(horizontal.inputLength, horizontal.extent, horizontal.outputLength, horizontal.first,
               horizontal.end),
      rows_(vertical.inputLength, vertical.extent, vertical.outputLength, vertical.first,
            vertical.end),
      width_(columns_.endOutput() - columns_.firstOutput()),
      input_(std::size_t(std::max(0, horizontal.inputLength))), ringRows_(rows_.widestCount()),
      sum_(std::size_t(width_)), out_(std::size_t(width_) * 3) {
    ring_.resize(std::size_t(ringRows_) * std::size_t(width_));
}

const std::uint8_t *SmoothScaler::row(int y, const InputRow &inputRow) {
    const int start = rows_.start(y), count = rows_.count(y);
    nextInput_ = std::max(nextInput_, start);
    for (; nextInput_ < start + count; ++nextInput_) {
        const std::uint8_t *in = inputRow(nextInput_);
        if (!in)
            return nullptr;
        // Converted once, not once for each output pixel that reads it.
        for (Pixel &p : input_) {
            p = Pixel{float(in[0]), float(in[1]), float(in[2]), 0};
            in += 3;
        }
        Pixel *filtered = ring_.data() + std::size_t(nextInput_ % ringRows_) * std::size_t(width_);
        for (int x = columns_.firstOutput(); x < columns_.endOutput(); ++x) {
            const Pixel *p = input_.data() + columns_.start(x);
            const float *w = columns_.weights(x);
            Pixel sum{};
            for (int i = columns_.count(x); i > 0; --i)
                sum += *w++ * *p++;
            *filtered++ = sum;
        }
    }
    const float *w = rows_.weights(y);
    const std::size_t width = std::size_t(width_);
    const Pixel *first = ring_.data() + std::size_t(start % ringRows_) * width;
    for (std::size_t x = 0; x < width; ++x)
        sum_[x] = w[0] * first[x];
    for (int i = 1; i < count; ++i) {
        const Pixel *filtered = ring_.data() + std::size_t((start + i) % ringRows_) * width;
        for (std::size_t x = 0; x < width; ++x)
            sum_[x] += w[i] * filtered[x];
    }
    std::uint8_t *out = out_.data();
    for (const Pixel &s : sum_)
        for (int c = 0; c < 3; ++c)
            *out++ = std::uint8_t(std::clamp(s[c], 0.0f, 255.0f) + 0.5f);
    return out_.data();
}

namespace {

// The most input pixels one output pixel reads: the kernel's support either side, and one.
std::uint64_t widestTaps(const SmoothScaler::Axis &a) {
    const double limit = std::max(1, a.inputLength);
    const double taps = 2 * kLobes * kernelStretch(a.extent / a.outputLength) + 2;
    // Compared in floating point: a damaged header can make the stretch infinite or NaN, and
    // such an axis reads at most every input pixel.
    return std::uint64_t(taps < limit ? std::max(taps, 1.0) : limit);
}

// A FilterAxis's taps and weights for its produced outputs.
std::uint64_t axisMemory(const SmoothScaler::Axis &a) {
    const std::uint64_t outputs = std::uint64_t(std::max(0, a.end - a.first));
    return outputs * (2 * sizeof(int) + sizeof(std::size_t) + widestTaps(a) * sizeof(float));
}

} // namespace

std::uint64_t SmoothScalerMemory(const SmoothScaler::Axis &horizontal,
                                 const SmoothScaler::Axis &vertical) {
    const std::uint64_t produced = std::uint64_t(std::max(0, horizontal.end - horizontal.first));
    const std::uint64_t pixel = sizeof(SmoothScaler::Pixel);
    return axisMemory(horizontal) + axisMemory(vertical) +
           std::uint64_t(std::max(0, horizontal.inputLength)) * pixel +
           (widestTaps(vertical) + 1) * produced * pixel + produced * 3;
}

std::uint64_t SmoothScalerRowsRead(const SmoothScaler::Axis &vertical) {
    return widestTaps(vertical);
}

int SmoothDecodeEighths(int width, int height, int outputWidth, int outputHeight) {
    return EighthsCovering(width, height, 3 * std::int64_t(outputWidth),
                           3 * std::int64_t(outputHeight));
}
