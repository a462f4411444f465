#pragma once
// Where the drawing puts the canvas, one RGB row after the other from the top: the JPEG
// encoder streams them, a collector keeps them for the encoders that want the whole canvas.
#include <cstdint>

class RowSink {
public:
    virtual ~RowSink() = default;
    // Takes the next canvas row (width x RGB); false when it cannot, with the cause kept by
    // the sink.
    virtual bool writeRow(const std::uint8_t *rgb) = 0;
};
