#pragma once
// Where the picture lands on the thumbnail canvas, and which source pixel each canvas pixel
// takes. Pure arithmetic, shared by the engine and its tests.
#include <cstdint>

enum class ThumbnailMode { Stretched, Padded, Cropped };

ThumbnailMode ModeOf(bool keepAspect, bool eraseEmpty);

struct ThumbnailGeometry {
    int canvasWidth = 0;
    int canvasHeight = 0;
    // The picture rectangle in canvas coordinates; in the padded mode it may reach beyond
    // the canvas (negative offsets), and what falls outside is clipped.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const ThumbnailGeometry &) const = default;
};

// Box sides must be at least 1 and source sides at least 1.
ThumbnailGeometry ComputeGeometry(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight,
                                  ThumbnailMode mode);

// `g`, computed for a source of that size, kept from enlarging the picture: where the picture
// would be wider or taller than the source, the source is drawn at its own size instead,
// centred on the box canvas in the padded mode, as the whole canvas in the others (the
// stretched mode keeps each side that the box shrinks).
ThumbnailGeometry WithoutEnlarging(const ThumbnailGeometry &g, int sourceWidth, int sourceHeight,
                                   ThumbnailMode mode);

// Nearest-neighbour sampling: pixel i of a span of `target` pixels takes source pixel
// floor((2i + 1) * source / (2 * target)), the source pixel under the target pixel's centre.
inline std::uint32_t SampleIndex(std::int64_t i, std::int64_t source, std::int64_t target) {
    return std::uint32_t(((2 * i + 1) * source) / (2 * target));
}
