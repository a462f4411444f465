#pragma once
// Lanczos-3 resampling of a picture that arrives
// row by row, top to bottom. Only a few filtered rows are held at a time, so memory grows
// with the picture's width, not its area.
// Lanczos-3 is what photo tools compare against: it keeps fine texture crisp without the
// aliasing (grain, moiré) of sampling and with little ringing.
#include <cstdint>
#include <functional>
#include <vector>

// The input pixels and weights behind each output pixel of one axis.
class FilterAxis {
public:
    // `inputLength` pixels covering `extent` pixel widths of the picture (a little less than
    // inputLength when a scaled decode rounded its last pixel up) resampled to `outputLength`
    // pixels; only outputs first..end-1 are prepared.
    FilterAxis(int inputLength, double extent, int outputLength, int first, int end);

    int firstOutput() const { return first_; }
    int endOutput() const { return end_; }
    // The first input pixel that output `out` reads, how many it reads, and their weights
    // (summing to 1).
    int start(int out) const { return taps_[std::size_t(out - first_)].start; }
    int count(int out) const { return taps_[std::size_t(out - first_)].count; }
    const float *weights(int out) const {
        return weights_.data() + taps_[std::size_t(out - first_)].offset;
    }
    int widestCount() const { return widest_; }

private:
    struct Taps {
        int start;
        int count;
        std::size_t offset;
    };
    int first_;
    int end_;
    int widest_ = 1;
    std::vector<Taps> taps_;
    std::vector<float> weights_;
};

// Resamples an RGB picture of inputWidth x inputHeight to outputWidth x outputHeight, of which
// only the columns and rows given are produced.
class SmoothScaler {
public:
    struct Axis {
        int inputLength;
        double extent;
        int outputLength;
        int first; // produced outputs: first..end-1
        int end;
    };
    SmoothScaler(const Axis &horizontal, const Axis &vertical);

    // Returns output row `y` (rows ascending within the produced ones), its produced columns
    // as RGB. `inputRow(n)` is asked for input rows in ascending order, each once; it
    // returns the row as RGB, or null on failure (then this returns null too).
    using InputRow = std::function<const std::uint8_t *(int)>;
    const std::uint8_t *row(int y, const InputRow &inputRow);
    // How many input rows, from the first, output rows up to `y` read.
    int inputsThrough(int y) const { return rows_.start(y) + rows_.count(y); }

    // Pixels as four floats (RGB and one unused), so that each filter step is one vector
    // operation whatever the compiler's vectoriser makes of the loops.
    using Pixel = float __attribute__((vector_size(16)));

private:
    FilterAxis columns_;
    FilterAxis rows_;
    int width_;                // produced columns
    std::vector<Pixel> input_; // the input row being filtered
    // Horizontally filtered input rows, a ring indexed by input row modulo its size.
    std::vector<Pixel> ring_;
    int ringRows_;
    int nextInput_ = 0;
    std::vector<Pixel> sum_;
    std::vector<std::uint8_t> out_;
};

// What a SmoothScaler for these axes holds at most (weights, filtered rows, output row), for
// the decoder's memory budget.
std::uint64_t SmoothScalerMemory(const SmoothScaler::Axis &horizontal,
                                 const SmoothScaler::Axis &vertical);
// The most input rows that one output row of such a vertical axis reads.
std::uint64_t SmoothScalerRowsRead(const SmoothScaler::Axis &vertical);

// The scaled decode for a smooth reduction of a width x height picture to outputWidth x
// outputHeight: the smallest number of eighths of its size (libjpeg's scaled IDCT offers 1
// to 8) that still leaves at least three times the output's pixels on each axis, so the
// filter, not the scaled IDCT's block averages, shapes what it keeps; 8 when nothing smaller
// does.
int SmoothDecodeEighths(int width, int height, int outputWidth, int outputHeight);
