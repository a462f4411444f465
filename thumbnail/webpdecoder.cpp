#include "webpdecoder.h"

#include <cstring>
#include <string>

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

const char *statusText(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return "VP8_STATUS_OUT_OF_MEMORY";
    case VP8_STATUS_INVALID_PARAM:
        return "VP8_STATUS_INVALID_PARAM";
    case VP8_STATUS_BITSTREAM_ERROR:
        return "VP8_STATUS_BITSTREAM_ERROR";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return "VP8_STATUS_UNSUPPORTED_FEATURE";
    case VP8_STATUS_SUSPENDED:
        return "VP8_STATUS_SUSPENDED";
    case VP8_STATUS_USER_ABORT:
        return "VP8_STATUS_USER_ABORT";
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return "VP8_STATUS_NOT_ENOUGH_DATA";
    default:
        return "VP8_STATUS_OK";
    }
}

std::vector<std::uint8_t> chunk(WebPDemuxer *demux, const char *fourcc) {
    WebPChunkIterator it;
    std::vector<std::uint8_t> bytes;
    if (WebPDemuxGetChunk(demux, fourcc, 1, &it))
        bytes.assign(it.chunk.bytes, it.chunk.bytes + it.chunk.size);
    WebPDemuxReleaseChunkIterator(&it);
    return bytes;
}

} // namespace

bool WebPDecoder::readHeader() {
    if (!input_.readAll(file_, limit_))
        return fail("the file needs more memory than the decoder may use", true);
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(file_.data(), file_.size(), &features);
    if (status != VP8_STATUS_OK)
        return fail(std::string("WebPGetFeatures: ") + statusText(status));
    header_.width = features.width;
    header_.height = features.height;
    header_.alpha = features.has_alpha;
    animated_ = features.has_animation;
    channels_ = header_.alpha ? 4 : 3;
    const WebPData data{file_.data(), file_.size()};
    if (WebPDemuxer *demux = WebPDemux(&data)) {
        header_.iccProfile = chunk(demux, "ICCP");
        const std::vector<std::uint8_t> exif = chunk(demux, "EXIF");
        header_.orientation = OrientationOfExif(exif);
        if (animated_) {
            header_.width = int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH));
            header_.height = int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT));
        }
        WebPDemuxDelete(demux);
    }
    // The output, and as much again for libwebp's own planes (a lossless picture keeps one
    // ARGB copy; an animation composes on two canvases besides).
    const std::uint64_t pixels = std::uint64_t(header_.width) * std::uint64_t(header_.height);
    header_.memoryNeed = file_.size() + pixels * (animated_ ? 12 : 8) + 256 * 1024;
    return true;
}

bool WebPDecoder::start(int, int) {
    if (failed_ || !fits(header_.memoryNeed))
        return false;
    outputWidth_ = header_.width;
    outputHeight_ = header_.height;
    const std::size_t stride = std::size_t(outputWidth_) * std::size_t(channels_);
    if (animated_) {
        // The first frame as the canvas shows it: composed from its sub-rectangle.
        WebPAnimDecoderOptions options;
        WebPAnimDecoderOptionsInit(&options);
        options.color_mode = MODE_RGBA;
        options.use_threads = 0;
        const WebPData data{file_.data(), file_.size()};
        WebPAnimDecoder *anim = WebPAnimDecoderNew(&data, &options);
        std::uint8_t *canvas = nullptr;
        int timestamp = 0;
        const bool ok = anim && WebPAnimDecoderGetNext(anim, &canvas, &timestamp);
        if (ok) {
            channels_ = 4;
            pixels_.assign(canvas, canvas + std::size_t(outputWidth_) * outputHeight_ * 4);
        }
        WebPAnimDecoderDelete(anim);
        return ok || fail("WebPAnimDecoder: the first frame could not be decoded");
    }
    pixels_.resize(stride * std::size_t(outputHeight_));
    WebPDecoderConfig config;
    WebPInitDecoderConfig(&config);
    config.output.colorspace = channels_ == 4 ? MODE_RGBA : MODE_RGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = pixels_.data();
    config.output.u.RGBA.stride = int(stride);
    config.output.u.RGBA.size = pixels_.size();
    const VP8StatusCode status = WebPDecode(file_.data(), file_.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return fail(std::string("WebPDecode: ") + statusText(status));
    file_ = {};
    return true;
}

const std::uint8_t *WebPDecoder::row(int y) {
    if (failed_ || y < 0 || y >= outputHeight_)
        return nullptr;
    return pixels_.data() + std::size_t(y) * std::size_t(outputWidth_) * std::size_t(channels_);
}
