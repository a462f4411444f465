#include "qualityscale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The setting at quality 0, 10, ..., 100 whose mean PSNR matched JPEG's on smooth 160 x 180
// thumbnails of 14 photographs (bench/quality_calibration.cpp); qualities in between are
// interpolated. WebP's lossy format halves its chroma, so above about 90 it cannot keep up
// with JPEG's full-chroma smooth thumbnails and tops out at 100.
using Calibration = std::array<double, 11>;

constexpr Calibration kWebp{0, 2, 15, 27, 37, 47, 58, 73, 82, 94, 100};
constexpr Calibration kAvif{63, 54, 46, 42, 39, 38, 36, 33, 29, 21, 0};

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

// On the same thumbnails, near-lossless levels 20, 40, 60 and 80 gave 40.8, 45.3, 49.9 and
// 54.0 dB, JPEG 39.4 dB at 91, 42.4 at 95, 45.3 at 97, 50.5 at 99 and 53.3 at 100: each
// quality takes the level nearest its JPEG's, for 1.0 to 1.4 times JPEG's bytes up to 95 and
// 0.7 to 0.9 times above (lossy WebP stays near 38 dB whatever its setting).
int WebpNearLosslessFor(int quality) {
    return quality <= 90 ? -1 : quality <= 95 ? 20 : quality <= 98 ? 40 : quality <= 99 ? 60 : 80;
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
