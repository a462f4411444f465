#include "canvasencoder.h"

#include <csetjmp>
#include <cstdio>
#include <new>

#include <png.h>

namespace {

// Everything the trapped write touches; libpng's longjmp crosses only plain code and this.
struct PngWrite {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const Canvas *canvas = nullptr;
    const CanvasEncoding *encoding = nullptr;
    std::string *out = nullptr;
    char message[160] = "the PNG encoder failed";
};

void onError(png_structp png, png_const_charp text) {
    auto *w = static_cast<PngWrite *>(png_get_error_ptr(png));
    std::snprintf(w->message, sizeof w->message, "%s", text);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onData(png_structp png, png_bytep data, png_size_t length) {
    auto *w = static_cast<PngWrite *>(png_get_io_ptr(png));
    bool appended = true;
    try {
        w->out->append(reinterpret_cast<const char *>(data), length);
    } catch (const std::bad_alloc &) {
        appended = false;
    }
    // Raised once the handler has ended, so no exception is alive when libpng jumps.
    if (!appended)
        png_error(png, "out of memory");
}

void onFlush(png_structp) {}

bool writeTrapped(PngWrite *w) {
    if (setjmp(png_jmpbuf(w->png)))
        return false;
    const Canvas &c = *w->canvas;
    png_set_write_fn(w->png, w, onData, onFlush);
    png_set_IHDR(w->png, w->info, png_uint_32(c.width), png_uint_32(c.height), 8,
                 c.channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const std::vector<std::uint8_t> &icc = w->encoding->iccProfile;
    if (!icc.empty())
        png_set_iCCP(w->png, w->info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, icc.data(),
                     png_uint_32(icc.size()));
    png_write_info(w->png, w->info);
    for (int y = 0; y < c.height; ++y)
        png_write_row(w->png, c.pixels.data() + std::size_t(y) * c.stride());
    png_write_end(w->png, w->info);
    return true;
}

} // namespace

EncodedCanvas EncodePng(const Canvas &canvas, const CanvasEncoding &encoding) {
    EncodedCanvas result;
    PngWrite w;
    w.canvas = &canvas;
    w.encoding = &encoding;
    w.out = &result.bytes;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w, onError, onWarning);
    if (w.png)
        w.info = png_create_info_struct(w.png);
    if (!w.info) {
        png_destroy_write_struct(&w.png, nullptr);
        return {{}, "out of memory"};
    }
    // A profile libpng finds faulty is left out rather than failing the thumbnail.
    png_set_benign_errors(w.png, 1);
    if (!writeTrapped(&w))
        result = {{}, w.message};
    png_destroy_write_struct(&w.png, &w.info);
    return result;
}
