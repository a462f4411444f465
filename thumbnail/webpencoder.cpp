#include "canvasencoder.h"

#include <memory>

#include <webp/encode.h>
#include <webp/mux.h>

namespace {

const char *describe(WebPEncodingError error) {
    switch (error) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
        return "out of memory";
    case VP8_ENC_ERROR_BAD_DIMENSION:
        return "the picture is too large for WebP";
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW:
        return "the picture's data is too large for WebP";
    default:
        return "the WebP encoder failed";
    }
}

struct PictureGuard {
    WebPPicture *picture;
    ~PictureGuard() { WebPPictureFree(picture); }
};

// The bare WebP stream with ICCP and XMP chunks added where there are any (and the
// container's header rewritten).
EncodedCanvas withMetadata(const std::string &bare, const CanvasEncoding &encoding) {
    std::unique_ptr<WebPMux, void (*)(WebPMux *)> mux(WebPMuxNew(), WebPMuxDelete);
    const WebPData image{reinterpret_cast<const std::uint8_t *>(bare.data()), bare.size()};
    const WebPData icc{encoding.iccProfile.data(), encoding.iccProfile.size()};
    const WebPData xmp{reinterpret_cast<const std::uint8_t *>(encoding.xmp.data()),
                       encoding.xmp.size()};
    WebPData assembled{nullptr, 0};
    if (!mux || WebPMuxSetImage(mux.get(), &image, 0) != WEBP_MUX_OK ||
        (icc.size > 0 && WebPMuxSetChunk(mux.get(), "ICCP", &icc, 0) != WEBP_MUX_OK) ||
        (xmp.size > 0 && WebPMuxSetChunk(mux.get(), "XMP ", &xmp, 0) != WEBP_MUX_OK) ||
        WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK)
        return {{}, "the colour profile or settings cannot be added to the WebP file"};
    EncodedCanvas out{{reinterpret_cast<const char *>(assembled.bytes), assembled.size}, {}};
    WebPDataClear(&assembled);
    return out;
}

} // namespace

EncodedCanvas EncodeWebp(const Canvas &canvas, const CanvasEncoding &encoding) {
    WebPConfig config;
    if (!WebPConfigInit(&config))
        return {{}, "the WebP library does not match its headers"};
    config.quality = float(encoding.setting);
    // Method 4 is libwebp's own default: methods below it cost far more bytes than time saved.
    config.method = 4;
    // Sharper chroma edges where a filtered picture asks for full chroma, which WebP's lossy
    // format cannot keep.
    config.use_sharp_yuv = encoding.fullChroma ? 1 : 0;
    if (encoding.nearLossless >= 0) {
        config.lossless = 1;
        config.near_lossless = encoding.nearLossless;
        config.quality = 75; // in the lossless format, the effort: libwebp's default
    }

    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        return {{}, "the WebP library does not match its headers"};
    PictureGuard guard{&picture};
    picture.width = canvas.width;
    picture.height = canvas.height;
    picture.use_argb = config.lossless; // never by way of YUV into the lossless format
    const int stride = int(canvas.stride());
    const bool imported = canvas.channels == 4
                              ? WebPPictureImportRGBA(&picture, canvas.pixels.data(), stride)
                              : WebPPictureImportRGB(&picture, canvas.pixels.data(), stride);
    if (!imported)
        return {{}, describe(picture.error_code)};

    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    const bool encoded = WebPEncode(&config, &picture);
    EncodedCanvas out;
    if (encoded)
        out.bytes.assign(reinterpret_cast<const char *>(writer.mem), writer.size);
    else
        out.cause = describe(picture.error_code);
    WebPMemoryWriterClear(&writer);
    if (encoded && (!encoding.iccProfile.empty() || !encoding.xmp.empty()))
        return withMetadata(out.bytes, encoding);
    return out;
}
