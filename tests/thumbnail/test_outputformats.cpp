// Every output format with and without transparency and sRGB conversion, each decoded by its
// own library: size, alpha, transparent padding, converted colours and the profile carried.
#include "canvasencoder.h"
#include "jpegfixtures.h"
#include "srgbtransform.h"
#include "uthumbnail.h"

#include <avif/avif.h>
#include <gtest/gtest.h>
#include <lcms2.h>
#include <png.h>
#include <webp/decode.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

namespace {

struct Decoded {
    int width = 0;
    int height = 0;
    bool alpha = false;
    std::vector<std::uint8_t> rgba; // always four samples a pixel
    std::string icc;

    const std::uint8_t *at(int x, int y) const {
        return rgba.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4;
    }
};

// The WebP container's chunk `tag`, read from the RIFF structure.
std::string riffChunk(const std::string &file, const char *tag) {
    for (std::size_t at = 12; at + 8 <= file.size();) {
        std::uint32_t size = 0;
        std::memcpy(&size, file.data() + at + 4, 4); // little-endian, as x86-64
        if (file.compare(at, 4, tag) == 0)
            return file.substr(at + 8, size);
        at += 8 + size + (size & 1);
    }
    return {};
}

Decoded decodeWebp(const std::string &file) {
    Decoded d;
    const auto *data = reinterpret_cast<const std::uint8_t *>(file.data());
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data, file.size(), &features) != VP8_STATUS_OK)
        return d;
    d.alpha = features.has_alpha;
    std::uint8_t *pixels = WebPDecodeRGBA(data, file.size(), &d.width, &d.height);
    d.rgba.assign(pixels, pixels + std::size_t(d.width) * std::size_t(d.height) * 4);
    WebPFree(pixels);
    d.icc = riffChunk(file, "ICCP");
    return d;
}

Decoded decodeAvif(const std::string &file) {
    Decoded d;
    avifDecoder *decoder = avifDecoderCreate();
    avifImage *image = avifImageCreateEmpty();
    if (avifDecoderReadMemory(decoder, image, reinterpret_cast<const std::uint8_t *>(file.data()),
                              file.size()) == AVIF_RESULT_OK) {
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, image);
        rgb.format = AVIF_RGB_FORMAT_RGBA;
        avifRGBImageAllocatePixels(&rgb);
        avifImageYUVToRGB(image, &rgb);
        d.width = int(image->width);
        d.height = int(image->height);
        d.alpha = image->alphaPlane != nullptr;
        d.rgba.assign(rgb.pixels, rgb.pixels + std::size_t(rgb.rowBytes) * rgb.height);
        d.icc.assign(reinterpret_cast<const char *>(image->icc.data), image->icc.size);
        avifRGBImageFreePixels(&rgb);
    }
    avifImageDestroy(image);
    avifDecoderDestroy(decoder);
    return d;
}

Decoded decodePng(const std::string &file) {
    Decoded d;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::istringstream in(file);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &in, [](png_structp p, png_bytep out, png_size_t n) {
            static_cast<std::istream *>(png_get_io_ptr(p))
                ->read(reinterpret_cast<char *>(out), std::streamsize(n));
        });
        png_read_png(png, info, PNG_TRANSFORM_EXPAND, nullptr);
        d.width = int(png_get_image_width(png, info));
        d.height = int(png_get_image_height(png, info));
        d.alpha = png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB_ALPHA;
        const int channels = d.alpha ? 4 : 3;
        png_bytepp rows = png_get_rows(png, info);
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x) {
                const png_bytep p = rows[y] + x * channels;
                d.rgba.insert(d.rgba.end(), {p[0], p[1], p[2], d.alpha ? p[3] : png_byte(255)});
            }
        png_charp name;
        int compression;
        png_bytep profile;
        png_uint_32 length;
        if (png_get_iCCP(png, info, &name, &compression, &profile, &length))
            d.icc.assign(reinterpret_cast<const char *>(profile), length);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return d;
}

Decoded decodeJpeg(const std::string &file) {
    const DecodedJpeg jpeg = DecodeJpeg(file);
    Decoded d{jpeg.picture.width, jpeg.picture.height, false, {}, jpeg.iccProfile};
    for (std::size_t i = 0; i < jpeg.picture.pixels.size(); i += 3)
        d.rgba.insert(d.rgba.end(), {jpeg.picture.pixels[i], jpeg.picture.pixels[i + 1],
                                     jpeg.picture.pixels[i + 2], 255});
    return d;
}

Decoded decode(OutputFormat format, const std::string &file) {
    switch (format) {
    case OutputFormat::Webp:
        return decodeWebp(file);
    case OutputFormat::Avif:
        return decodeAvif(file);
    case OutputFormat::Png:
        return decodePng(file);
    case OutputFormat::Jpeg:
        break;
    }
    return decodeJpeg(file);
}

// Display P3: its own primaries, D65 and the sRGB tone curve.
std::string displayP3Profile() {
    const cmsCIExyY white{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE primaries{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve *curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve *curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::string bytes(size, '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);
    return bytes;
}

struct OutputCase {
    OutputFormat format;
    bool transparent;
    bool srgb;
};

class OutputFormats : public ::testing::TestWithParam<OutputCase> {};

// A 64 x 48 photo of one Display P3 colour, padded into 40 x 40: the picture covers rows 5 to
// 34, green fill (or nothing) above and below.
TEST_P(OutputFormats, decode_to_the_box_with_alpha_padding_and_colours_asked_for) {
    const OutputCase &c = GetParam();
    const std::string profile = displayP3Profile();
    JpegOptions options;
    options.quality = 95;
    options.sampling = Sampling::S444;
    std::istringstream source(
        EncodeJpeg(SolidPicture(64, 48, 200, 100, 50), options, {0, true, profile}));
    ThumbnailRequest request{40,
                             40,
                             true,
                             rgbColor(0, 255, 0),
                             c.transparent,
                             false,
                             ThumbnailExtras{true, false, true}};
    request.format = c.format;
    request.srgb = c.srgb;
    std::ostringstream out;
    ASSERT_TRUE(MakeThumbnailStream(source, out, request));

    const Decoded d = decode(c.format, out.str());
    ASSERT_EQ(d.width, 40);
    ASSERT_EQ(d.height, 40);
    const bool alpha = c.transparent && c.format != OutputFormat::Jpeg;
    EXPECT_EQ(d.alpha, alpha);
    // The photo's colour as sRGB: (215, 93, 31) worked out from the two colour spaces' primaries.
    const int expected[3] = {c.srgb ? 215 : 200, c.srgb ? 93 : 100, c.srgb ? 31 : 50};
    for (int y : {12, 20, 27})
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_NEAR(d.at(20, y)[ch], expected[ch], 6) << "row " << y << " channel " << ch;
    for (int y : {0, 1, 38, 39}) {
        EXPECT_EQ(d.at(20, y)[3], alpha ? 0 : 255) << "row " << y;
        if (!alpha) {
            EXPECT_NEAR(d.at(20, y)[1], 255, 6) << "row " << y;
        }
    }
    EXPECT_EQ(d.at(20, 20)[3], 255);
    const std::vector<std::uint8_t> &compact = CompactSrgbProfile();
    EXPECT_EQ(d.icc, c.srgb ? std::string(compact.begin(), compact.end()) : profile);
}

// A photo with alpha of its own (left half opaque red, right half half-transparent blue) keeps
// it in a transparent thumbnail, exact or smooth; without transparency it lies on the fill.
TEST(OutputFormats, a_photos_own_alpha_is_kept_when_transparent) {
    Canvas photo{64, 48, 4, {}};
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            photo.pixels.insert(photo.pixels.end(),
                                {std::uint8_t(x < 32 ? 255 : 0), 0, std::uint8_t(x < 32 ? 0 : 255),
                                 std::uint8_t(x < 32 ? 255 : 128)});
    const std::string png = EncodePng(photo, {}).bytes;
    for (bool smooth : {false, true})
        for (bool transparent : {false, true}) {
            std::istringstream source(png);
            ThumbnailRequest request{40,
                                     40,
                                     true,
                                     rgbColor(0, 255, 0),
                                     transparent,
                                     false,
                                     ThumbnailExtras{smooth, false, false}};
            request.format = OutputFormat::Png;
            std::ostringstream out;
            ASSERT_TRUE(MakeThumbnailStream(source, out, request));
            const Decoded d = decodePng(out.str());
            const std::uint8_t *left = d.at(5, 20), *right = d.at(35, 20), *pad = d.at(20, 1);
            EXPECT_EQ(std::vector<int>(left, left + 4), (std::vector<int>{255, 0, 0, 255}));
            const std::vector<int> expected =
                transparent ? std::vector<int>{0, 0, 255, 128} : std::vector<int>{0, 127, 128, 255};
            EXPECT_EQ(std::vector<int>(right, right + 4), expected) << smooth;
            EXPECT_EQ(pad[3], transparent ? 0 : 255);
        }
}

std::vector<OutputCase> everyCombination() {
    std::vector<OutputCase> cases;
    for (OutputFormat f :
         {OutputFormat::Jpeg, OutputFormat::Webp, OutputFormat::Avif, OutputFormat::Png})
        for (bool transparent : {false, true})
            for (bool srgb : {false, true})
                cases.push_back({f, transparent, srgb});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Table, OutputFormats, ::testing::ValuesIn(everyCombination()),
                         [](const auto &info) {
                             return std::string(FormatName(info.param.format)) +
                                    (info.param.transparent ? "_transparent" : "_opaque") +
                                    (info.param.srgb ? "_srgb" : "_asis");
                         });

} // namespace

// Above 90 WebP switches to its near-lossless format to keep up with JPEG's fidelity, which
// its lossy format (chroma halved) cannot on a picture of fine detail.
TEST(OutputFormats, webp_keeps_up_with_jpeg_above_quality_90) {
    const struct {
        int quality;
        const char *format; // the chunk of the picture's data
    } cases[] = {{90, "VP8 "}, {91, "VP8L"}, {95, "VP8L"}, {100, "VP8L"}};
    const std::string source = EncodeJpeg(PatternPicture(640, 480), {95});
    const auto make = [&](OutputFormat format, int quality) {
        std::istringstream in(source);
        ThumbnailRequest request{160, 120, true, clBlack, false, false, {true, false, false}};
        request.format = format;
        request.quality = quality;
        std::ostringstream out;
        EXPECT_TRUE(MakeThumbnailStream(in, out, request));
        return out.str();
    };
    const Decoded canvas = decodePng(make(OutputFormat::Png, 90));
    const auto psnr = [&](const Decoded &d) {
        double sum = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x)
                for (int c = 0; c < 3; ++c)
                    sum += std::pow(d.at(x, y)[c] - canvas.at(x, y)[c], 2);
        return 10 * std::log10(255.0 * 255.0 / std::max(sum / (160 * 120 * 3), 1e-9));
    };
    for (const auto &c : cases) {
        const std::string webp = make(OutputFormat::Webp, c.quality);
        EXPECT_FALSE(riffChunk(webp, c.format).empty()) << c.quality;
        if (c.quality > 90) {
            EXPECT_GT(psnr(decodeWebp(webp)),
                      psnr(decodeJpeg(make(OutputFormat::Jpeg, c.quality))) - 2)
                << c.quality;
        }
    }
}
