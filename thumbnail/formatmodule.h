#pragma once
// The decoders and encoders that need Debian's photo libraries (libheif with its HEVC and AV1
// codecs, libwebp, libpng, libtiff, libavif) live in a module of their own, quillet-formats.so,
// loaded on the first photo or thumbnail that needs it: a start of the window and a JPEG batch
// never map or bind those libraries. The module's one C entry point hands out this table.
// The classes it passes are this build's own, so the program takes only a module of its own
// version and interface.
#include "canvasencoder.h"
#include "imagedecoder.h"

#include <cstdint>

// Raised whenever the table or a class it passes changes shape.
inline constexpr std::uint32_t kFormatModuleInterface = 3;

struct FormatModuleTable {
    // These two come first in every interface, so any module can be told apart.
    std::uint32_t interface;
    const char *version; // of the build the module belongs to
    // A new decoder for `format` (PNG, WebP, HEIF or TIFF) over `input`, which must outlive it.
    ImageDecoder *(*makeDecoder)(PhotoFormat format, DecoderInput &input);
    // The canvas in WebP, AVIF or PNG.
    EncodedCanvas (*encode)(OutputFormat format, const Canvas &canvas,
                            const CanvasEncoding &encoding);
};

extern "C" const FormatModuleTable *quillet_format_module();
