#include "geometry.h"

#include "numeric.h"

ThumbnailMode ModeOf(bool keepAspect, bool eraseEmpty) {
    if (!keepAspect)
        return ThumbnailMode::Stretched;
    return eraseEmpty ? ThumbnailMode::Cropped : ThumbnailMode::Padded;
}

namespace {

// The side is formed in extended precision from the integer box side and the double
// aspect, then brought to the nearest integer with halves to even.
int divideByAspect(int side, double aspect) {
    return int(NearestInt(static_cast<long double>(side) / static_cast<long double>(aspect)));
}

int multiplyByAspect(int side, double aspect) {
    return int(NearestInt(static_cast<long double>(side) * static_cast<long double>(aspect)));
}

} // namespace

ThumbnailGeometry ComputeGeometry(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight,
                                  ThumbnailMode mode) {
    const double aspect = double(sourceWidth) / double(sourceHeight);
    const double boxRatio = double(boxWidth) / double(boxHeight);
    ThumbnailGeometry g;
    switch (mode) {
    case ThumbnailMode::Stretched:
        g = {boxWidth, boxHeight, 0, 0, boxWidth, boxHeight};
        break;
    case ThumbnailMode::Padded:
        g.canvasWidth = boxWidth;
        g.canvasHeight = boxHeight;
        // Landscape or not decides the axis, not the box's own ratio.
        if (aspect > 1) {
            g.width = boxWidth;
            g.height = divideByAspect(boxWidth, aspect);
            g.y = (boxHeight - g.height) / 2;
        } else {
            g.height = boxHeight;
            g.width = multiplyByAspect(boxHeight, aspect);
            g.x = (boxWidth - g.width) / 2;
        }
        break;
    case ThumbnailMode::Cropped:
        if (aspect >= boxRatio) {
            g.width = boxWidth;
            g.height = divideByAspect(boxWidth, aspect);
        } else {
            g.height = boxHeight;
            g.width = multiplyByAspect(boxHeight, aspect);
        }
        g.canvasWidth = g.width;
        g.canvasHeight = g.height;
        break;
    }
    return g;
}
