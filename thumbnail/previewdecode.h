#pragma once
// A photo decoded for an on-screen preview, at the size it is shown: for a JPEG, libjpeg's
// scaled IDCT brings the picture to the smallest of its eighths that still covers that size
// (for HEIF, an embedded thumbnail that covers it), and a box filter takes it the rest of the
// way while the rows arrive. Memory stays near one scaled row plus the result for JPEG, PNG
// and TIFF (a progressive or interlaced file aside); WebP and HEIF are decoded whole.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(PixelSize, PixelSize) = default;
};

// Where a picture goes in a box: its own size when it fits, else the largest size of the same
// aspect that fits (at least one pixel a side); never enlarged.
PixelSize FitInBox(PixelSize picture, PixelSize box);

struct PreviewPicture {
    PixelSize source;              // the photo's own size, as shown (turned when upright)
    PixelSize size;                // of rgb: FitInBox(source, box)
    std::vector<std::uint8_t> rgb; // size.width * 3 bytes per row, top row first
};

// Decodes the file for a box of `box` device pixels; `upright` turns the picture as its EXIF
// orientation asks. Nothing for a file that cannot be opened (a FIFO or device is refused
// unopened), is no photo in a format the engine reads, or is damaged: a decoding error, or data
// that ends before the picture does. Nothing either once `stop` turns true (from any thread): the
// decode then ends within a buffer of data or a row.
std::optional<PreviewPicture> DecodePreview(const std::string &path, PixelSize box,
                                            bool upright = false,
                                            const std::atomic<bool> *stop = nullptr);
