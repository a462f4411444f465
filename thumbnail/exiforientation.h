#pragma once
// The EXIF Orientation tag of a JPEG (values 1 to 8) and what it asks for: which stored pixel
// shows at each place of the upright picture. Qt-free, shared by the engine and the preview.
#include <cstdint>
#include <span>

// Values 1 to 8 as EXIF numbers them; 1 is "stored upright".
enum class Orientation : std::uint8_t {
    Normal = 1,
    MirrorHorizontal = 2,
    Rotate180 = 3,
    MirrorVertical = 4,
    Transpose = 5,  // mirrored along the top-left to bottom-right diagonal
    Rotate90 = 6,   // turned a quarter clockwise to show upright
    Transverse = 7, // mirrored along the other diagonal
    Rotate270 = 8,  // turned a quarter anticlockwise to show upright
};

// The orientation held in an APP1 segment's payload ("Exif\0\0" and a TIFF structure);
// Normal when the payload is no EXIF block, has no orientation entry or is damaged.
Orientation ExifOrientation(std::span<const std::uint8_t> app1Payload);

// Whether showing the picture upright swaps its width and height.
inline bool SwapsAxes(Orientation o) {
    return o >= Orientation::Transpose;
}

struct PixelPlace {
    int x;
    int y;
};

// The stored pixel that shows at (x, y) of the upright picture; `storedWidth` and
// `storedHeight` are the stored picture's size (the upright one has them swapped when
// SwapsAxes).
PixelPlace StoredPixel(Orientation o, int x, int y, int storedWidth, int storedHeight);
