#include "geometry.h"

#include "numeric.h"

#include <algorithm>

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

ThumbnailGeometry WithoutEnlarging(const ThumbnailGeometry &g, int sourceWidth, int sourceHeight,
                                   ThumbnailMode mode) {
    switch (mode) {
    case ThumbnailMode::Stretched: {
        const int width = std::min(g.width, sourceWidth), height = std::min(g.height, sourceHeight);
        return {width, height, 0, 0, width, height};
    }
    case ThumbnailMode::Padded:
        if (g.width <= sourceWidth && g.height <= sourceHeight)
            return g;
        return {g.canvasWidth,
                g.canvasHeight,
                (g.canvasWidth - sourceWidth) / 2,
                (g.canvasHeight - sourceHeight) / 2,
                sourceWidth,
                sourceHeight};
    case ThumbnailMode::Cropped:
        break;
    }
    if (g.width <= sourceWidth && g.height <= sourceHeight)
        return g;
    return {sourceWidth, sourceHeight, 0, 0, sourceWidth, sourceHeight};
}
