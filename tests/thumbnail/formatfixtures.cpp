#include "formatfixtures.h"

#include <lcms2.h>
#include <libheif/heif.h>
#include <png.h>
#include <tiffio.h>
#include <tiffio.hxx>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <stdexcept>

// The sanitized build's leak check: libx265, under libheif's HEVC encoder, keeps two small
// buffers until the process ends. Not ours to free.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libx265\n";
}

namespace {

void check(bool ok, const char *what) {
    if (!ok)
        throw std::runtime_error(what);
}

// A TIFF structure with only its Orientation entry, as EXIF chunks hold it (big-endian).
std::string exifTiff(int orientation) {
    std::string e = ExifBlock(orientation, true);
    return e.substr(6); // without "Exif\0\0"
}

void appendPng(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string *>(png_get_io_ptr(png))->append(reinterpret_cast<char *>(data), length);
}

} // namespace

std::string EncodePng(const Picture &picture, const FormatOptions &options) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    check(png && info && !setjmp(png_jmpbuf(png)), "libpng");
    png_set_write_fn(png, &out, appendPng, nullptr);
    const int depth = options.sixteenBits ? 16 : 8;
    png_set_IHDR(png, info, png_uint_32(picture.width), png_uint_32(picture.height), depth,
                 picture.components == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!options.iccProfile.empty())
        png_set_iCCP(png, info, "icc", 0,
                     reinterpret_cast<png_const_bytep>(options.iccProfile.data()),
                     png_uint_32(options.iccProfile.size()));
    const std::string exif = options.orientation ? exifTiff(options.orientation) : "";
    if (!exif.empty())
        png_set_eXIf_1(png, info, png_uint_32(exif.size()),
                       reinterpret_cast<png_bytep>(const_cast<char *>(exif.data())));
    std::vector<std::uint8_t> pixels;
    for (std::uint8_t v : picture.pixels) {
        pixels.push_back(v);
        if (depth == 16)
            pixels.push_back(v); // v * 257, big-endian
    }
    const std::size_t stride = pixels.size() / std::size_t(picture.height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < picture.height; ++y)
        rows.push_back(pixels.data() + std::size_t(y) * stride);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string EncodeTiff(const Picture &picture, const FormatOptions &options) {
    std::ostringstream stream;
    TIFF *tiff = TIFFStreamOpen("fixture", static_cast<std::ostream *>(&stream));
    check(tiff, "libtiff");
    const int channels = picture.components;
    const int bits = options.sixteenBits ? 16 : 8;
    const int top = (1 << bits) - 1;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, picture.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, picture.height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG,
                 options.planes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, options.cmyk ? PHOTOMETRIC_SEPARATED : PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    if (channels == (options.cmyk ? 5 : 4)) {
        const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (options.inverted)
        TIFFSetField(tiff, TIFFTAG_DOTRANGE, top, 0);
    if (options.orientation)
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, options.orientation);
    if (!options.iccProfile.empty())
        TIFFSetField(tiff, TIFFTAG_ICCPROFILE, std::uint32_t(options.iccProfile.size()),
                     options.iccProfile.data());
    const std::size_t sample = std::size_t(bits / 8);
    // The samples of one plane (all of them when contiguous).
    const int planes = options.planes ? channels : 1, perPlane = options.planes ? 1 : channels;
    const auto put = [&](std::vector<std::uint8_t> &to, int x, int y, int plane) {
        for (int c = plane * perPlane; c < (plane + 1) * perPlane; ++c) {
            int v = picture.at(x, y)[c] * top / 255;
            if (options.inverted && c < 4)
                v = top - v;
            const std::uint16_t wide = std::uint16_t(v);
            if (sample == 2)
                to.insert(to.end(), reinterpret_cast<const std::uint8_t *>(&wide),
                          reinterpret_cast<const std::uint8_t *>(&wide) + 2);
            else
                to.push_back(std::uint8_t(v));
        }
    };
    for (int plane = 0; plane < planes; ++plane) {
        if (options.tiled) {
            const int side = 16;
            TIFFSetField(tiff, TIFFTAG_TILEWIDTH, side);
            TIFFSetField(tiff, TIFFTAG_TILELENGTH, side);
            for (int ty = 0; ty < picture.height; ty += side)
                for (int tx = 0; tx < picture.width; tx += side) {
                    std::vector<std::uint8_t> tile;
                    for (int y = ty; y < ty + side; ++y)
                        for (int x = tx; x < tx + side; ++x)
                            if (x < picture.width && y < picture.height)
                                put(tile, x, y, plane);
                            else
                                tile.resize(tile.size() + sample * std::size_t(perPlane));
                    check(TIFFWriteTile(tiff, tile.data(), std::uint32_t(tx), std::uint32_t(ty), 0,
                                        std::uint16_t(plane)) >= 0,
                          "TIFFWriteTile");
                }
        } else {
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 3);
            for (int y = 0; y < picture.height; ++y) {
                std::vector<std::uint8_t> row;
                for (int x = 0; x < picture.width; ++x)
                    put(row, x, y, plane);
                check(TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), std::uint16_t(plane)) >=
                          0,
                      "TIFFWriteScanline");
            }
        }
    }
    TIFFClose(tiff);
    return stream.str();
}

void PressRgb(const std::uint8_t *ink, std::uint8_t *rgb) {
    const double c = ink[0] / 255.0, m = ink[1] / 255.0, y = ink[2] / 255.0, k = ink[3] / 255.0;
    const double black = 1 - 0.9 * k;
    const double shares[3] = {(1 - 0.85 * c) * black, (1 - 0.1 * c - 0.8 * m) * black,
                              (1 - 0.05 * m - 0.9 * y) * black};
    for (int i = 0; i < 3; ++i)
        rgb[i] = std::uint8_t(std::lround(shares[i] * 255));
}

std::string CmykPressProfile() {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_8, lab, TYPE_Lab_16,
                                             INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
    cmsCloseProfile(srgb);
    cmsCloseProfile(lab);
    cmsHPROFILE press = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(press, 4.3);
    cmsSetDeviceClass(press, cmsSigOutputClass);
    cmsSetColorSpace(press, cmsSigCmykData);
    cmsSetPCS(press, cmsSigLabData);
    cmsWriteTag(press, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipeline *table = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage *grid = cmsStageAllocCLut16bit(nullptr, 17, 4, 3, nullptr);
    cmsStageSampleCLut16bit(
        grid,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void *cargo) -> cmsInt32Number {
            std::uint8_t ink[4], rgb[3];
            for (int i = 0; i < 4; ++i)
                ink[i] = std::uint8_t((in[i] + 128) / 257);
            PressRgb(ink, rgb);
            cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), rgb, out, 1);
            return 1;
        },
        toLab, 0);
    // Version 4 tables take their grid between curves (here straight ones).
    cmsPipelineInsertStage(table, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(table, cmsAT_END, grid);
    cmsPipelineInsertStage(table, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(press, cmsSigAToB0Tag, table);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(press, nullptr, &size);
    std::string bytes(size, '\0');
    check(cmsSaveProfileToMem(press, bytes.data(), &size), "lcms");
    cmsPipelineFree(table);
    cmsCloseProfile(press);
    cmsDeleteTransform(toLab);
    return bytes;
}

std::string EncodeWebP(const Picture &picture, const FormatOptions &options) {
    std::uint8_t *coded = nullptr;
    const int stride = picture.width * picture.components;
    const std::uint8_t *pixels = picture.pixels.data();
    std::size_t size = 0;
    if (options.lossless)
        size = picture.components == 4
                   ? WebPEncodeLosslessRGBA(pixels, picture.width, picture.height, stride, &coded)
                   : WebPEncodeLosslessRGB(pixels, picture.width, picture.height, stride, &coded);
    else
        size = picture.components == 4
                   ? WebPEncodeRGBA(pixels, picture.width, picture.height, stride, 90, &coded)
                   : WebPEncodeRGB(pixels, picture.width, picture.height, stride, 90, &coded);
    check(size > 0, "WebPEncode");
    std::string plain(reinterpret_cast<char *>(coded), size);
    WebPFree(coded);
    if (options.iccProfile.empty() && !options.orientation)
        return plain;
    WebPMux *mux = WebPMuxNew();
    const WebPData image{reinterpret_cast<const std::uint8_t *>(plain.data()), plain.size()};
    WebPMuxSetImage(mux, &image, 1);
    const std::string exif = options.orientation ? exifTiff(options.orientation) : "";
    if (!exif.empty()) {
        const WebPData chunk{reinterpret_cast<const std::uint8_t *>(exif.data()), exif.size()};
        WebPMuxSetChunk(mux, "EXIF", &chunk, 1);
    }
    if (!options.iccProfile.empty()) {
        const WebPData chunk{reinterpret_cast<const std::uint8_t *>(options.iccProfile.data()),
                             options.iccProfile.size()};
        WebPMuxSetChunk(mux, "ICCP", &chunk, 1);
    }
    WebPData assembled;
    check(WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK, "WebPMuxAssemble");
    std::string out(reinterpret_cast<const char *>(assembled.bytes), assembled.size);
    WebPDataClear(&assembled);
    WebPMuxDelete(mux);
    return out;
}

namespace {

heif_image *heifImage(const Picture &picture) {
    heif_image *image = nullptr;
    const bool alpha = picture.components == 4;
    check(heif_image_create(picture.width, picture.height, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            &image)
                  .code == heif_error_Ok,
          "heif_image_create");
    heif_image_add_plane(image, heif_channel_interleaved, picture.width, picture.height, 8);
    int stride = 0;
    std::uint8_t *plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const std::size_t row = std::size_t(picture.width) * std::size_t(picture.components);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(plane + std::size_t(y) * std::size_t(stride), picture.at(0, y), row);
    return image;
}

heif_error appendHeif(heif_context *, const void *data, size_t size, void *out) {
    static_cast<std::string *>(out)->append(static_cast<const char *>(data), size);
    return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

} // namespace

std::string EncodeHeif(const Picture &picture, bool av1, const FormatOptions &options,
                       const Picture &thumbnail) {
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    check(heif_context_get_encoder_for_format(
              context, av1 ? heif_compression_AV1 : heif_compression_HEVC, &encoder)
                  .code == heif_error_Ok,
          "heif encoder");
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_image *image = heifImage(picture);
    if (!options.iccProfile.empty())
        heif_image_set_raw_color_profile(image, "prof", options.iccProfile.data(),
                                         options.iccProfile.size());
    heif_encoding_options *encoding = heif_encoding_options_alloc();
    if (options.orientation)
        encoding->image_orientation = heif_orientation(options.orientation);
    heif_image_handle *primary = nullptr;
    check(heif_context_encode_image(context, image, encoder, encoding, &primary).code ==
              heif_error_Ok,
          "heif_context_encode_image");
    if (!thumbnail.pixels.empty()) {
        heif_image *small = heifImage(thumbnail);
        heif_image_handle *handle = nullptr;
        // libheif stores only a thumbnail smaller than the picture it is made from.
        check(heif_context_encode_thumbnail(context, small, primary, encoder, nullptr,
                                            std::max(thumbnail.width, thumbnail.height) - 1,
                                            &handle)
                      .code == heif_error_Ok,
              "thumbnail");
        heif_image_handle_release(handle);
        heif_image_release(small);
    }
    std::string out;
    heif_writer writer{1, appendHeif};
    check(heif_context_write(context, &writer, &out).code == heif_error_Ok, "heif_context_write");
    heif_encoding_options_free(encoding);
    heif_image_handle_release(primary);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return out;
}

Picture WithAlpha(const Picture &picture, std::uint8_t (*alpha)(int x, int y)) {
    Picture out{picture.width, picture.height, 4, {}};
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t *p = picture.at(x, y);
            out.pixels.insert(out.pixels.end(), {p[0], p[1], p[2], alpha(x, y)});
        }
    return out;
}

Picture OverColour(const Picture &rgba, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    Picture out{rgba.width, rgba.height, 3, {}};
    const unsigned under[3] = {r, g, b};
    for (int y = 0; y < rgba.height; ++y)
        for (int x = 0; x < rgba.width; ++x) {
            const std::uint8_t *p = rgba.at(x, y);
            for (int c = 0; c < 3; ++c)
                out.pixels.push_back(
                    std::uint8_t((p[c] * p[3] + under[c] * (255u - p[3]) + 127) / 255));
        }
    return out;
}
