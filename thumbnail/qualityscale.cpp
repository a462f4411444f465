#include "qualityscale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The setting at quality 0, 10, ..., 100, measured; qualities in between are interpolated.
using Calibration = std::array<double, 11>;

constexpr Calibration kWebp{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
constexpr Calibration kAvif{63, 60, 56, 52, 48, 44, 40, 34, 28, 18, 0};

double interpolate(const Calibration &table, int quality) {
    const double at = std::clamp(quality, 0, 100) / 10.0;
    const std::size_t below = std::min<std::size_t>(std::size_t(at), table.size() - 2);
    const double part = at - double(below);
    return table[below] + (table[below + 1] - table[below]) * part;
}

} // namespace

double WebpSettingFor(int quality) {
    return interpolate(kWebp, quality);
}

double AvifSettingFor(int quality) {
    return std::nearbyint(interpolate(kAvif, quality));
}

double EncoderSettingFor(OutputFormat format, int quality) {
    switch (format) {
    case OutputFormat::Webp:
        return WebpSettingFor(quality);
    case OutputFormat::Avif:
        return AvifSettingFor(quality);
    case OutputFormat::Jpeg:
        return quality;
    case OutputFormat::Png:
        break;
    }
    return 0;
}
