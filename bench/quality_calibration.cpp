// Calibrates the shared quality scale: for each photo the smooth thumbnail's canvas (a
// Lanczos-3 reduction) is encoded as JPEG at each quality, and as WebP and AVIF at each of
// their own settings; the PSNR of each against the canvas, averaged over the photos, gives
// the WebP and AVIF settings that match JPEG's fidelity at quality 0, 10, ..., 100 (the
// tables of thumbnail/qualityscale.cpp). Then it checks the tables as built: PSNR, bytes and
// encoding time of each format at a few qualities.
//
//   quality_calibration BOX_W BOX_H photo.jpg...
#include "canvascollector.h"
#include "canvasencoder.h"
#include "drawpicture.h"
#include "jpegcodec.h"
#include "qualityscale.h"

#include <avif/avif.h>
#include <webp/decode.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

bool canvasOf(const std::string &path, int boxWidth, int boxHeight, Canvas &out) {
    std::ifstream in(path, std::ios::binary);
    JpegDecoder decoder(in);
    if (!decoder.readHeader())
        return false;
    const ThumbnailGeometry g = ComputeGeometry(decoder.width(), decoder.height(), boxWidth,
                                                boxHeight, ThumbnailMode::Cropped);
    CanvasCollector collector(g, false);
    DrawSettings settings;
    settings.smooth = true;
    if (!DrawPicture(decoder, g, settings, collector) || !decoder.finish())
        return false;
    out = collector.canvas();
    return true;
}

std::string encodeJpeg(const Canvas &c, int quality) {
    JpegEncoder encoder;
    encoder.start(c.width, c.height, false, true, quality);
    for (int y = 0; y < c.height; ++y)
        encoder.writeRow(c.pixels.data() + std::size_t(y) * c.stride());
    encoder.finish();
    return {reinterpret_cast<const char *>(encoder.data()), encoder.size()};
}

Bytes decodeJpeg(const std::string &bytes) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    Bytes rgb(std::size_t(cinfo.output_width) * cinfo.output_height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb.data() + std::size_t(cinfo.output_scanline) * cinfo.output_width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return rgb;
}

Bytes decodeWebp(const std::string &bytes) {
    int w = 0, h = 0;
    std::uint8_t *rgb =
        WebPDecodeRGB(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size(), &w, &h);
    Bytes out(rgb, rgb + std::size_t(w) * std::size_t(h) * 3);
    WebPFree(rgb);
    return out;
}

Bytes decodeAvif(const std::string &bytes) {
    std::unique_ptr<avifDecoder, void (*)(avifDecoder *)> decoder(avifDecoderCreate(),
                                                                  avifDecoderDestroy);
    avifImage *image = avifImageCreateEmpty();
    avifDecoderReadMemory(decoder.get(), image,
                          reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.format = AVIF_RGB_FORMAT_RGB;
    avifRGBImageAllocatePixels(&rgb);
    avifImageYUVToRGB(image, &rgb);
    Bytes out(rgb.pixels, rgb.pixels + std::size_t(rgb.rowBytes) * rgb.height);
    avifRGBImageFreePixels(&rgb);
    avifImageDestroy(image);
    return out;
}

double psnr(const Canvas &reference, const Bytes &decoded) {
    double sum = 0;
    for (std::size_t i = 0; i < reference.pixels.size(); ++i) {
        const double d = double(reference.pixels[i]) - (i < decoded.size() ? decoded[i] : 0);
        sum += d * d;
    }
    const double mse = sum / double(reference.pixels.size());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

struct Measure {
    double psnr = 0, bytes = 0, seconds = 0;
};

// A format's encoder at one of its own settings, averaged over the canvases.
using Encode = std::function<std::string(const Canvas &, double setting)>;
using Decode = std::function<Bytes(const std::string &)>;

Measure measure(const std::vector<Canvas> &canvases, const Encode &encode, const Decode &decode,
                double setting) {
    Measure m;
    for (const Canvas &c : canvases) {
        const auto start = std::chrono::steady_clock::now();
        const std::string bytes = encode(c, setting);
        m.seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        m.psnr += psnr(c, decode(bytes));
        m.bytes += double(bytes.size());
    }
    const double n = double(canvases.size());
    return {m.psnr / n, m.bytes / n, m.seconds / n};
}

// The setting in [low, high] whose mean PSNR is `target`, interpolated between the measured
// whole settings (PSNR rises with the setting when `rising`).
double settingFor(double target, const std::map<int, double> &curve, bool rising) {
    auto previous = curve.begin();
    for (auto it = curve.begin(); it != curve.end(); previous = it++) {
        const bool past = rising ? it->second >= target : it->second <= target;
        if (!past)
            continue;
        if (it == curve.begin())
            return it->first;
        const double span = it->second - previous->second;
        const double part = span == 0 ? 0 : (target - previous->second) / span;
        return previous->first + (it->first - previous->first) * part;
    }
    return curve.rbegin()->first;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s BOX_W BOX_H photo.jpg...\n", argv[0]);
        return 2;
    }
    const int boxWidth = std::atoi(argv[1]), boxHeight = std::atoi(argv[2]);
    std::vector<Canvas> canvases;
    for (int i = 3; i < argc; ++i) {
        Canvas c;
        if (canvasOf(argv[i], boxWidth, boxHeight, c))
            canvases.push_back(std::move(c));
        else
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
    }
    const Encode jpeg = [](const Canvas &c, double q) { return encodeJpeg(c, int(q)); };
    const Encode webp = [](const Canvas &c, double s) {
        return EncodeWebp(c, {s, true, {}}).bytes;
    };
    const Encode avif = [](const Canvas &c, double s) {
        return EncodeAvif(c, {s, true, {}}).bytes;
    };

    std::map<int, double> webpCurve, avifCurve;
    for (int s = 0; s <= 100; s += 2)
        webpCurve[s] = measure(canvases, webp, decodeWebp, s).psnr;
    for (int s = 63; s >= 0; --s)
        avifCurve[-s] = measure(canvases, avif, decodeAvif, s).psnr; // rising with -quantizer
    std::printf("%zu photos, box %dx%d, smooth (4:4:4 where the format has it)\n", canvases.size(),
                boxWidth, boxHeight);
    std::printf("calibration at quality 0, 10, ..., 100 (JPEG PSNR -> WebP quality, AVIF "
                "quantizer):\n");
    std::string webpTable, avifTable;
    for (int q = 0; q <= 100; q += 10) {
        const double target = measure(canvases, jpeg, decodeJpeg, std::max(q, 1)).psnr;
        const double w = settingFor(target, webpCurve, true);
        const double a = -settingFor(target, avifCurve, true);
        std::printf("  quality %3d  JPEG %6.2f dB  WebP %5.1f  AVIF %4.1f\n", q, target, w, a);
        char cell[32];
        std::snprintf(cell, sizeof cell, "%s%.0f", q ? ", " : "", w);
        webpTable += cell;
        std::snprintf(cell, sizeof cell, "%s%.0f", q ? ", " : "", a);
        avifTable += cell;
    }
    std::printf("tables: WebP {%s}  AVIF {%s}\n", webpTable.c_str(), avifTable.c_str());

    std::printf("as built: mean PSNR, bytes and encoding time per thumbnail\n");
    for (int q : {50, 75, 90, 95}) {
        const Measure j = measure(canvases, jpeg, decodeJpeg, q);
        const Measure w = measure(canvases, webp, decodeWebp, WebpSettingFor(q));
        const Measure a = measure(canvases, avif, decodeAvif, AvifSettingFor(q));
        std::printf("  quality %3d  JPEG %6.2f dB %7.0f B %5.2f ms | WebP %+5.2f dB %.2fx %5.2f ms"
                    " | AVIF %+5.2f dB %.2fx %5.2f ms\n",
                    q, j.psnr, j.bytes, j.seconds * 1e3, w.psnr - j.psnr, w.bytes / j.bytes,
                    w.seconds * 1e3, a.psnr - j.psnr, a.bytes / j.bytes, a.seconds * 1e3);
    }
    return 0;
}
