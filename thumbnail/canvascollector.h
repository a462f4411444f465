#pragma once
// Gathers the drawn rows into a whole canvas for the encoders that take one. With
// transparency the canvas gets an alpha channel: opaque where the picture shows, fully
// transparent in the fill area around it.
#include "canvasencoder.h"
#include "geometry.h"
#include "rowsink.h"

class CanvasCollector : public RowSink {
public:
    // `rgbaRows`: the drawing delivers RGBA rows with their own alpha (implies transparent).
    CanvasCollector(const ThumbnailGeometry &g, bool transparent, bool rgbaRows = false);

    bool writeRow(const std::uint8_t *rgb) override;
    const Canvas &canvas() const { return canvas_; }

private:
    Canvas canvas_;
    // The part of the canvas the picture covers (half-open).
    int left_, top_, right_, bottom_;
    bool rgbaRows_;
    int nextRow_ = 0;
};
