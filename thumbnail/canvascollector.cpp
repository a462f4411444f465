#include "canvascollector.h"

#include <algorithm>
#include <cstring>

namespace {

int clampedEnd(int offset, int length, int canvasLength) {
    return int(std::clamp<long long>(static_cast<long long>(offset) + length, 0, canvasLength));
}

} // namespace

CanvasCollector::CanvasCollector(const ThumbnailGeometry &g, bool transparent, bool rgbaRows)
    : left_(std::clamp(g.x, 0, g.canvasWidth)), top_(std::clamp(g.y, 0, g.canvasHeight)),
      right_(clampedEnd(g.x, g.width, g.canvasWidth)),
      bottom_(clampedEnd(g.y, g.height, g.canvasHeight)), rgbaRows_(rgbaRows) {
    canvas_.width = g.canvasWidth;
    canvas_.height = g.canvasHeight;
    canvas_.channels = transparent || rgbaRows ? 4 : 3;
    canvas_.pixels.resize(canvas_.stride() * std::size_t(g.canvasHeight));
}

bool CanvasCollector::writeRow(const std::uint8_t *rgb) {
    if (nextRow_ >= canvas_.height)
        return false;
    std::uint8_t *out = canvas_.pixels.data() + canvas_.stride() * std::size_t(nextRow_);
    if (canvas_.channels == 3 || rgbaRows_) {
        std::memcpy(out, rgb, canvas_.stride());
    } else {
        const bool pictureRow = nextRow_ >= top_ && nextRow_ < bottom_;
        for (int x = 0; x < canvas_.width; ++x, rgb += 3, out += 4) {
            std::memcpy(out, rgb, 3);
            out[3] = pictureRow && x >= left_ && x < right_ ? 255 : 0;
        }
    }
    ++nextRow_;
    return true;
}
