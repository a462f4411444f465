#include "jpegfixtures.h"

#include "geometry.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <jpeglib.h>

namespace {

struct Trap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void trapExit(j_common_ptr c) {
    std::longjmp(reinterpret_cast<Trap *>(c->err)->jump, 1);
}
void trapMessage(j_common_ptr, int) {}

} // namespace

Picture PatternPicture(int width, int height, int components, unsigned seed) {
    Picture p{width, height, components, {}};
    p.pixels.resize(std::size_t(width) * std::size_t(height) * std::size_t(components));
    unsigned state = seed * 2654435761u + 12345u;
    std::size_t i = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c) {
                state = state * 1103515245u + 12345u;
                // Smooth gradients plus some noise: photo-like, every row distinct.
                int v = (x * (37 + 11 * c) + y * (53 - 7 * c)) / 3 + int((state >> 16) % 24);
                p.pixels[i++] = std::uint8_t(v & 0xFF);
            }
    return p;
}

Picture SolidPicture(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    Picture p{width, height, 3, {}};
    p.pixels.resize(std::size_t(width) * std::size_t(height) * 3);
    for (std::size_t i = 0; i < p.pixels.size(); i += 3) {
        p.pixels[i] = r;
        p.pixels[i + 1] = g;
        p.pixels[i + 2] = b;
    }
    return p;
}

Picture QuartersPicture(int width, int height, const std::uint8_t (&rgb)[4][3]) {
    Picture p{width, height, 3, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t *c = rgb[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)];
            p.pixels.insert(p.pixels.end(), c, c + 3);
        }
    return p;
}

std::string EncodeJpeg(const Picture &picture, const JpegOptions &options,
                       const JpegMetadata &metadata) {
    jpeg_compress_struct c{};
    Trap trap{};
    c.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = trapExit;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&c);
        std::free(buffer);
        throw std::runtime_error("fixture encoding failed");
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(picture.width);
    c.image_height = JDIMENSION(picture.height);
    c.input_components = picture.components;
    c.in_color_space = picture.components == 1   ? JCS_GRAYSCALE
                       : picture.components == 3 ? JCS_RGB
                                                 : JCS_CMYK;
    jpeg_set_defaults(&c);
    if (picture.components == 4)
        jpeg_set_colorspace(&c, options.ycck ? JCS_YCCK : JCS_CMYK);
    c.write_Adobe_marker = options.adobeMarker ? TRUE : FALSE;
    jpeg_set_quality(&c, options.quality, TRUE);
    if (picture.components == 3) {
        int h = options.sampling == Sampling::S444 ? 1 : 2;
        int v = options.sampling == Sampling::S420 ? 2 : 1;
        c.comp_info[0].h_samp_factor = h;
        c.comp_info[0].v_samp_factor = v;
    }
    if (picture.components == 1 && options.greyDoubleSampled)
        c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 2;
    c.restart_in_rows = options.restartRows;
    if (options.progressive)
        jpeg_simple_progression(&c);
    std::vector<jpeg_scan_info> scans;
    if (options.everyBitItsOwnScan) {
        const int lowestBit = 10; // the deepest successive approximation 8-bit data allows
        scans.push_back({c.num_components, {0, 1, 2, 3}, 0, 0, 0, 0});
        for (int component = 0; component < c.num_components; ++component)
            for (int k = 1; k < 64; ++k) {
                scans.push_back({1, {component}, k, k, 0, lowestBit});
                for (int bit = lowestBit; bit > 0; --bit)
                    scans.push_back({1, {component}, k, k, bit, bit - 1});
            }
        c.scan_info = scans.data();
        c.num_scans = int(scans.size());
    }
    jpeg_start_compress(&c, TRUE);
    if (metadata.exifOrientation != 0) {
        const std::string exif = ExifBlock(metadata.exifOrientation, metadata.exifBigEndian);
        jpeg_write_marker(&c, JPEG_APP0 + 1, reinterpret_cast<const JOCTET *>(exif.data()),
                          unsigned(exif.size()));
    }
    if (!metadata.iccProfile.empty())
        jpeg_write_icc_profile(&c, reinterpret_cast<const JOCTET *>(metadata.iccProfile.data()),
                               unsigned(metadata.iccProfile.size()));
    for (int y = 0; y < picture.height; ++y) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.at(0, y));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string bytes(reinterpret_cast<char *>(buffer), size);
    std::free(buffer);
    return bytes;
}

std::string ExifBlock(int orientation, bool bigEndian) {
    std::string b = std::string("Exif\0\0", 6) + (bigEndian ? "MM" : "II");
    const auto put = [&b, bigEndian](unsigned value, int size) {
        for (int i = 0; i < size; ++i)
            b += char(value >> 8 * (bigEndian ? size - 1 - i : i));
    };
    put(42, 2), put(8, 4), put(3, 2); // the TIFF header; three entries in its directory
    put(0x010E, 2), put(2, 2), put(4, 4), put(0, 4); // an image description before the tag
    put(0x0112, 2), put(3, 2), put(1, 4), put(unsigned(orientation), 2), put(0, 2);
    put(0x0128, 2), put(3, 2), put(1, 4), put(2, 2), put(0, 2); // a resolution unit after it
    put(0, 4);                                                  // no next directory
    return b;
}

namespace {

// Decodes every row into `out`; returns false on a libjpeg error. Kept free of C++ objects
// with destructors between setjmp and the library calls.
bool decodeAll(const std::string *bytes, DecodedJpeg *out, std::vector<std::uint8_t> *raw) {
    jpeg_decompress_struct d{};
    Trap trap{};
    d.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = trapExit;
    trap.manager.emit_message = trapMessage;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char *>(bytes->data()),
                 static_cast<unsigned long>(bytes->size()));
    jpeg_save_markers(&d, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&d, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&d, TRUE);
    out->progressive = jpeg_has_multiple_scans(&d);
    out->subsampledChroma = d.comp_info[0].h_samp_factor * d.comp_info[0].v_samp_factor > 1;
    for (jpeg_saved_marker_ptr m = d.marker_list; m; m = m->next)
        out->hasExif |= m->marker == JPEG_APP0 + 1;
    JOCTET *profile = nullptr;
    unsigned profileLength = 0;
    if (jpeg_read_icc_profile(&d, &profile, &profileLength)) {
        out->iccProfile.assign(reinterpret_cast<const char *>(profile), profileLength);
        std::free(profile);
    }
    out->inputComponents = d.num_components;
    d.do_block_smoothing = TRUE;
    if (d.out_color_space == JCS_GRAYSCALE) {
        d.quantize_colors = TRUE;
        d.desired_number_of_colors = 236;
    }
    jpeg_start_decompress(&d);
    const int n = d.output_components;
    out->components = n;
    raw->resize(std::size_t(d.output_width) * d.output_height * std::size_t(n));
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = raw->data() + std::size_t(d.output_scanline) * d.output_width * n;
        jpeg_read_scanlines(&d, &row, 1);
    }
    out->picture.width = int(d.output_width);
    out->picture.height = int(d.output_height);
    const bool grey = d.out_color_space == JCS_GRAYSCALE;
    const bool adobe = d.saw_Adobe_marker;
    const std::size_t count = std::size_t(d.output_width) * d.output_height;
    out->picture.components = 3;
    out->picture.pixels.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t *s = raw->data() + i * std::size_t(n);
        std::uint8_t *t = out->picture.pixels.data() + i * 3;
        for (int k = 0; k < 3; ++k) {
            if (grey)
                t[k] = d.colormap[0][s[0]];
            else if (n == 3)
                t[k] = s[k];
            else if (adobe)
                t[k] = std::uint8_t((s[k] * s[3] + 127) / 255);
            else
                t[k] = std::uint8_t(((255 - s[k]) * (255 - s[3]) + 127) / 255);
        }
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return true;
}

} // namespace

DecodedJpeg DecodeJpeg(const std::string &bytes) {
    DecodedJpeg out;
    std::vector<std::uint8_t> raw;
    out.ok = decodeAll(&bytes, &out, &raw);
    return out;
}

ReferenceResult ReferenceThumbnail(const std::string &source, int width, int height,
                                   bool keepAspect, TColor fill, bool eraseEmpty) {
    ReferenceResult result;
    if (width < 1 || height < 1)
        return result;
    DecodedJpeg decoded = DecodeJpeg(source);
    if (!decoded.ok)
        return result;
    return ReferenceThumbnailOf(decoded.picture, decoded.progressive, width, height, keepAspect,
                                fill, eraseEmpty);
}

ReferenceResult ReferenceThumbnailOf(const Picture &src, bool progressive, int width, int height,
                                     bool keepAspect, TColor fill, bool eraseEmpty) {
    ReferenceResult result;
    const ThumbnailGeometry g =
        ComputeGeometry(src.width, src.height, width, height, ModeOf(keepAspect, eraseEmpty));
    // A canvas without pixels is no thumbnail: the engine fails.
    result.ok = g.canvasWidth > 0 && g.canvasHeight > 0;
    if (!result.ok)
        return result;
    const TColor rgb = ResolveColor(fill);
    std::vector<std::uint8_t> canvas(std::size_t(g.canvasWidth) * g.canvasHeight * 3);
    for (int cy = 0; cy < g.canvasHeight; ++cy)
        for (int cx = 0; cx < g.canvasWidth; ++cx) {
            std::uint8_t *t = canvas.data() + (std::size_t(cy) * g.canvasWidth + cx) * 3;
            const int i = cx - g.x, j = cy - g.y;
            if (i >= 0 && i < g.width && j >= 0 && j < g.height) {
                const std::uint8_t *s = src.at(int(SampleIndex(i, src.width, g.width)),
                                               int(SampleIndex(j, src.height, g.height)));
                t[0] = s[0];
                t[1] = s[1];
                t[2] = s[2];
            } else {
                t[0] = std::uint8_t(redOf(rgb));
                t[1] = std::uint8_t(greenOf(rgb));
                t[2] = std::uint8_t(blueOf(rgb));
            }
        }
    // The engine's encoder settings: quality 90, the library's default sampling.
    JpegOptions options;
    options.quality = 90;
    options.progressive = progressive;
    try {
        result.bytes = EncodeJpeg({g.canvasWidth, g.canvasHeight, 3, std::move(canvas)}, options);
    } catch (const std::runtime_error &) {
        result.ok = false;
    }
    return result;
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}
