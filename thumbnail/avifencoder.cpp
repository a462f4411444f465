#include "canvasencoder.h"

#include <memory>

#include <avif/avif.h>

namespace {

// libaom's speed for batches: speed 8 encodes a thumbnail several times faster than the
// library's default; speed 9 is faster still but needs about 10% more bytes for the same PSNR
// (bench/quality_calibration.cpp).
constexpr int kAomSpeed = 8;

EncodedCanvas failure(const char *what, avifResult result) {
    return {{}, std::string(what) + ": " + avifResultToString(result)};
}

} // namespace

EncodedCanvas EncodeAvif(const Canvas &canvas, const CanvasEncoding &encoding) {
    const avifPixelFormat chroma =
        encoding.fullChroma ? AVIF_PIXEL_FORMAT_YUV444 : AVIF_PIXEL_FORMAT_YUV420;
    std::unique_ptr<avifImage, void (*)(avifImage *)> image(
        avifImageCreate(canvas.width, canvas.height, 8, chroma), avifImageDestroy);
    if (!image)
        return {{}, "out of memory"};
    // Said outright, not left unspecified: sRGB colours in BT.601 YUV of the full range.
    image->colorPrimaries = AVIF_COLOR_PRIMARIES_BT709;
    image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
    image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_BT601;
    image->yuvRange = AVIF_RANGE_FULL;
    if (!encoding.iccProfile.empty())
        avifImageSetProfileICC(image.get(), encoding.iccProfile.data(), encoding.iccProfile.size());
    if (!encoding.xmp.empty())
        avifImageSetMetadataXMP(image.get(),
                                reinterpret_cast<const std::uint8_t *>(encoding.xmp.data()),
                                encoding.xmp.size());
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image.get());
    rgb.format = canvas.channels == 4 ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
    rgb.pixels = const_cast<std::uint8_t *>(canvas.pixels.data());
    rgb.rowBytes = std::uint32_t(canvas.stride());
    if (const avifResult r = avifImageRGBToYUV(image.get(), &rgb); r != AVIF_RESULT_OK)
        return failure("the canvas cannot be converted for AVIF", r);

    std::unique_ptr<avifEncoder, void (*)(avifEncoder *)> encoder(avifEncoderCreate(),
                                                                  avifEncoderDestroy);
    if (!encoder)
        return {{}, "out of memory"};
    encoder->codecChoice = AVIF_CODEC_CHOICE_AOM;
    encoder->maxThreads = 1; // the batch runs one conversion per core
    encoder->speed = kAomSpeed;
    encoder->minQuantizer = encoder->maxQuantizer = int(encoding.setting);
    // Alpha is kept exactly: padding edges and a photo's own mask stay sharp.
    encoder->minQuantizerAlpha = encoder->maxQuantizerAlpha = AVIF_QUANTIZER_LOSSLESS;
    avifRWData output = AVIF_DATA_EMPTY;
    if (const avifResult r = avifEncoderWrite(encoder.get(), image.get(), &output);
        r != AVIF_RESULT_OK) {
        avifRWDataFree(&output);
        return failure("the AVIF encoder failed", r);
    }
    EncodedCanvas out{{reinterpret_cast<const char *>(output.data), output.size}, {}};
    avifRWDataFree(&output);
    return out;
}
