// The format module's entry point: its decoders and encoders behind one table.
#include "formatmodule.h"
#include "heifdecoder.h"
#include "pngdecoder.h"
#include "tiffdecoder.h"
#include "webpdecoder.h"

namespace {

ImageDecoder *makeDecoder(PhotoFormat format, DecoderInput &input) {
    switch (format) {
    case PhotoFormat::Png:
        return new PngDecoder(input);
    case PhotoFormat::WebP:
        return new WebPDecoder(input);
    case PhotoFormat::Heif:
        return new HeifDecoder(input);
    case PhotoFormat::Tiff:
        return new TiffDecoder(input);
    case PhotoFormat::Jpeg:
    case PhotoFormat::Unknown:
        break;
    }
    return nullptr;
}

EncodedCanvas encode(OutputFormat format, const Canvas &canvas, const CanvasEncoding &encoding) {
    switch (format) {
    case OutputFormat::Webp:
        return EncodeWebp(canvas, encoding);
    case OutputFormat::Avif:
        return EncodeAvif(canvas, encoding);
    case OutputFormat::Png:
        return EncodePng(canvas, encoding);
    case OutputFormat::Jpeg:
        break;
    }
    return {{}, "JPEG is encoded row by row, not from a canvas"};
}

constexpr FormatModuleTable kTable{kFormatModuleInterface, QUILLET_FORMATS_VERSION, makeDecoder,
                                   encode};

} // namespace

extern "C" __attribute__((visibility("default"))) const FormatModuleTable *quillet_format_module() {
    return &kTable;
}
