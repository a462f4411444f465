#pragma once
// Draws the decoded source into the picture rectangle of the canvas and hands the canvas row
// by row to the encoder: exactly (nearest-neighbour sampling) or smoothly (a scaled decode
// reduced by a Lanczos-3 filter), with the stored picture turned upright first if asked.
#include "colors.h"
#include "exiforientation.h"
#include "geometry.h"
#include "rowsink.h"

#include <cstdint>
#include <span>

class ImageDecoder;
class JpegDecoder;
class SrgbTransform;

struct DrawSettings {
    bool smooth = false;
    // How the stored picture is turned to show upright; the geometry is that of the turned
    // picture.
    Orientation turn = Orientation::Normal;
    TColor fill = clBlack;
    // Takes the decoded pixels (laid out as the decoder delivers them) to sRGB; the fill
    // colour is sRGB already.
    const SrgbTransform *toSrgb = nullptr;
    // Rows of four samples: a photo's own alpha kept and the fill area transparent, instead
    // of the picture laid over the fill colour (only for decoders that deliver alpha).
    bool keepAlpha = false;
};

// Bytes the drawing of a `width` x `height` picture holds besides the decoder's and encoder's
// own: a turned picture is gathered whole (at its drawn size) before its first canvas row can
// go out, and a smooth reduction keeps its filter's rows and weights (read from libjpeg's
// scaled decode when `scaledDecode`, else from the whole picture at most).
std::uint64_t DrawingMemory(int width, int height, bool scaledDecode, const ThumbnailGeometry &g,
                            const DrawSettings &settings);

// The decoder has read the header; this starts it at the scale the drawing needs, draws every
// canvas row into the sink (a started encoder) and leaves the decoder to be finished.
bool DrawPicture(JpegDecoder &decoder, const ThumbnailGeometry &g, const DrawSettings &settings,
                 RowSink &sink);

// What DrawPictures holds for these canvases, as DrawingMemory for one.
std::uint64_t DrawingsMemory(int width, int height, std::span<const ThumbnailGeometry> geometries,
                             const DrawSettings &settings);

// Several canvases of one JPEG in one pass of the decoder: each source row is decoded once,
// whatever the number of canvases. Exact canvases come out byte for byte as DrawPicture draws
// each alone into sinks[i]. Smooth ones share the scaled decode of the canvas that needs the
// most detail: those that need as much come out as DrawPicture draws them alone, the others
// from that decode averaged k x k first (never less detail than their own scale keeps).
bool DrawPictures(JpegDecoder &decoder, std::span<const ThumbnailGeometry> geometries,
                  const DrawSettings &settings, std::span<RowSink *const> sinks);

// The same for a picture of another format whose decoder has read its header: exact sampling
// of the full picture, or the smooth filter on the decoder's cheapest picture that keeps
// twice the detail asked for; alpha is laid over the fill colour unless kept (keepAlpha, then
// the sink takes RGBA rows).
bool DrawDecodedPicture(ImageDecoder &decoder, const ThumbnailGeometry &g,
                        const DrawSettings &settings, RowSink &sink);

// Several canvases of a picture of another format from one decode, each as DrawDecodedPicture
// draws it alone from the same decoded picture (smooth: the one that keeps twice the detail
// the largest canvas asks for). Alpha is laid over the fill colour; none is kept.
bool DrawDecodedPictures(ImageDecoder &decoder, std::span<const ThumbnailGeometry> geometries,
                         const DrawSettings &settings, std::span<RowSink *const> sinks);
