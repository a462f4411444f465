#include "canvasencoder.h"

#include "qualityscale.h"

EncodedCanvas EncodeCanvas(OutputFormat format, const Canvas &canvas, int quality, bool fullChroma,
                           std::vector<std::uint8_t> iccProfile) {
    const CanvasEncoding encoding{EncoderSettingFor(format, quality), fullChroma,
                                  std::move(iccProfile)};
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
