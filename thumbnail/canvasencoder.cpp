#include "canvasencoder.h"

#include "formatloader.h"
#include "formatmodule.h"
#include "qualityscale.h"

std::uint64_t CanvasEncodingMemory(OutputFormat format, std::uint64_t pixels) {
    constexpr std::uint64_t kAv1EncoderState = 32u << 20;
    return pixels * 4 * 4 + (format == OutputFormat::Avif ? kAv1EncoderState : 0);
}

EncodedCanvas EncodeCanvas(OutputFormat format, const Canvas &canvas, int quality, bool fullChroma,
                           std::vector<std::uint8_t> iccProfile, std::string xmp) {
    const CanvasEncoding encoding{EncoderSettingFor(format, quality), fullChroma,
                                  std::move(iccProfile), std::move(xmp),
                                  format == OutputFormat::Webp ? WebpNearLosslessFor(quality) : -1};
    const FormatModule &module = LoadedFormatModule();
    if (!module.table)
        return {{}, module.problem};
    return module.table->encode(format, canvas, encoding);
}
