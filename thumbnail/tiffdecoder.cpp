#include "tiffdecoder.h"

#include "jpegcodec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

TiffDecoder *decoderOf(thandle_t handle) {
    return static_cast<TiffDecoder *>(handle);
}

int onError(TIFF *, void *user, const char *module, const char *format, va_list args) {
    char text[768];
    std::vsnprintf(text, sizeof text, format, args);
    char *error = static_cast<TiffDecoder *>(user)->error_;
    // The first error is the cause; what follows is its consequence.
    if (!*error)
        std::snprintf(error, sizeof static_cast<TiffDecoder *>(user)->error_, "%s: %s",
                      module ? module : "libtiff", text);
    return 1;
}

int onWarning(TIFF *, void *, const char *, const char *, va_list) {
    return 1;
}

std::uint64_t sizeOf(const TiffDecoder *d) {
    return d->fileSize_ >= 0 ? std::uint64_t(d->fileSize_) : d->file_.size();
}

tmsize_t onRead(thandle_t handle, void *out, tmsize_t count) {
    TiffDecoder *d = decoderOf(handle);
    if (d->fileSize_ >= 0) {
        const std::size_t n = d->input_.readAt(d->position_, out, std::size_t(count));
        d->position_ += n;
        return tmsize_t(n);
    }
    const std::uint64_t left =
        d->file_.size() - std::min<std::uint64_t>(d->position_, d->file_.size());
    const std::size_t n = std::size_t(std::min<std::uint64_t>(left, std::uint64_t(count)));
    if (n == 0)
        return 0;
    std::memcpy(out, d->file_.data() + d->position_, n);
    d->position_ += n;
    return tmsize_t(n);
}

tmsize_t onWrite(thandle_t, void *, tmsize_t) {
    return 0;
}

toff_t onSeek(thandle_t handle, toff_t offset, int whence) {
    TiffDecoder *d = decoderOf(handle);
    const std::uint64_t base = whence == SEEK_CUR   ? d->position_
                               : whence == SEEK_END ? sizeOf(d)
                                                    : 0;
    d->position_ = base + offset;
    return d->position_;
}

int onClose(thandle_t) {
    return 0;
}

toff_t onSize(thandle_t handle) {
    return sizeOf(decoderOf(handle));
}

// A source held in memory is read by libtiff in place; a file is read strip by strip.
int onMap(thandle_t handle, void **base, toff_t *size) {
    if (decoderOf(handle)->fileSize_ >= 0)
        return 0;
    *base = decoderOf(handle)->file_.data();
    *size = decoderOf(handle)->file_.size();
    return 1;
}

void onUnmap(thandle_t, void *, toff_t) {}

} // namespace

TiffDecoder::~TiffDecoder() {
    if (imageStarted_)
        TIFFRGBAImageEnd(&image_);
    if (tiff_)
        TIFFClose(tiff_);
}

bool TiffDecoder::libtiffFailed(const char *fallback) {
    return fail(*error_ ? error_ : fallback);
}

bool TiffDecoder::readHeader() {
    fileSize_ = input_.fileSize();
    if (fileSize_ < 0 && !input_.readAll(file_, limit_))
        return fail("the file needs more memory than the decoder may use", true);
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, onError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onWarning, nullptr);
    // No single allocation of libtiff's may go beyond what the whole decoder may use.
    TIFFOpenOptionsSetMaxSingleMemAlloc(
        options, tmsize_t(std::min<std::uint64_t>(limit_, std::uint64_t(1) << 62)));
    tiff_ = TIFFClientOpenExt("photo", "rm", this, onRead, onWrite, onSeek, onClose, onSize, onMap,
                              onUnmap, options);
    TIFFOpenOptionsFree(options);
    if (!tiff_)
        return libtiffFailed("not a TIFF file that libtiff can read");
    if (!readInkLayout())
        return false;
    char why[1024] = {};
    if (!header_.ink && !TIFFRGBAImageOK(tiff_, why))
        return fail(*error_ ? error_ : why);
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff_, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff_, TIFFTAG_IMAGELENGTH, &height);
    if (width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff)
        return fail("the picture has no pixels");
    header_.width = int(width);
    header_.height = int(height);
    std::uint16_t extra = 0, *extraTypes = nullptr;
    header_.alpha =
        TIFFGetField(tiff_, TIFFTAG_EXTRASAMPLES, &extra, &extraTypes) && extra > 0 &&
        (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA);
    channels_ = header_.alpha ? 4 : 3;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_ORIENTATION, &orientation);
    if (orientation >= 1 && orientation <= 8)
        header_.orientation = Orientation(orientation);
    std::uint32_t profileLength = 0;
    void *profile = nullptr;
    if (TIFFGetField(tiff_, TIFFTAG_ICCPROFILE, &profileLength, &profile) && profile)
        header_.iccProfile.assign(static_cast<std::uint8_t *>(profile),
                                  static_cast<std::uint8_t *>(profile) + profileLength);
    // One band is a row of tiles or one strip; libtiff decodes one tile or strip at a time.
    std::uint64_t coded = 0;
    if (TIFFIsTiled(tiff_)) {
        std::uint32_t tileHeight = 0;
        TIFFGetField(tiff_, TIFFTAG_TILELENGTH, &tileHeight);
        bandRows_ = int(std::clamp<std::uint32_t>(tileHeight, 1, height));
        coded = TIFFTileSize64(tiff_);
    } else {
        std::uint32_t stripRows = height;
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_ROWSPERSTRIP, &stripRows);
        bandRows_ = int(std::clamp<std::uint32_t>(stripRows, 1, height));
        coded = TIFFScanlineSize64(tiff_) * std::uint64_t(bandRows_);
    }
    header_.memoryNeed = file_.size() +
                         std::uint64_t(width) * std::uint64_t(bandRows_) * (header_.ink ? 5 : 4) +
                         coded + inkOf_.size() + 256 * 1024;
    return true;
}

// CMYK as four inks, 8 or 16 bits a sample, goes its own way; everything else libtiff turns
// into RGBA.
bool TiffDecoder::readInkLayout() {
    std::uint16_t photometric = 0, inkSet = INKSET_CMYK, samples = 1, bits = 1,
                  planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT, extra = 0,
                  *extraTypes = nullptr;
    TIFFGetField(tiff_, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_INKSET, &inkSet);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetField(tiff_, TIFFTAG_EXTRASAMPLES, &extra, &extraTypes);
    header_.ink = photometric == PHOTOMETRIC_SEPARATED && inkSet == INKSET_CMYK &&
                  samples >= extra && samples - extra == 4;
    if (!header_.ink)
        return true;
    if ((bits != 8 && bits != 16) || format != SAMPLEFORMAT_UINT)
        return fail("CMYK of " + std::to_string(bits) +
                    "-bit or non-integer samples is not supported");
    ink_.samples = samples;
    ink_.bytes = bits / 8;
    ink_.planes = planar == PLANARCONFIG_SEPARATE;
    ink_.tiled = TIFFIsTiled(tiff_);
    if (ink_.tiled) {
        std::uint32_t tileWidth = 0;
        TIFFGetField(tiff_, TIFFTAG_TILEWIDTH, &tileWidth);
        if (tileWidth == 0 || tileWidth > 0x7fffffff)
            return fail("the tiles have no width");
        ink_.tileWidth = int(tileWidth);
    }
    ink_.associated = extra > 0 && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    // DotRange names the values of no ink and of full ink; an inverted range stores light.
    const unsigned top = (1u << bits) - 1;
    std::uint16_t none = 0, full = std::uint16_t(top);
    if (!TIFFGetField(tiff_, TIFFTAG_DOTRANGE, &none, &full) || none == full)
        none = 0, full = std::uint16_t(top);
    inkOf_.resize(std::size_t(top) + 1);
    const double scale = 255.0 / (double(full) - double(none));
    for (unsigned v = 0; v <= top; ++v)
        inkOf_[v] = std::uint8_t(std::clamp((double(v) - none) * scale + 0.5, 0.0, 255.0));
    return true;
}

bool TiffDecoder::start(int, int) {
    if (failed_ || !fits(header_.memoryNeed))
        return false;
    outputWidth_ = header_.width;
    outputHeight_ = header_.height;
    if (header_.ink) {
        channels_ = (deliverInk_ ? 4 : 3) + (header_.alpha ? 1 : 0);
        band_.resize(std::size_t(outputWidth_) * std::size_t(bandRows_) * 5);
        coded_.resize(std::size_t(ink_.tiled ? TIFFTileSize64(tiff_) : TIFFStripSize64(tiff_)));
        return true;
    }
    char why[1024] = {};
    if (!TIFFRGBAImageBegin(&image_, tiff_, 1, why))
        return fail(*error_ ? error_ : why);
    imageStarted_ = true;
    // Rows come as stored; the orientation tag is applied by the engine, and only when asked.
    image_.orientation = ORIENTATION_TOPLEFT;
    image_.req_orientation = ORIENTATION_TOPLEFT;
    band_.resize(std::size_t(outputWidth_) * std::size_t(bandRows_) * 4);
    return true;
}

bool TiffDecoder::loadBand(int first) {
    const int rows = std::min(bandRows_, outputHeight_ - first);
    if (header_.ink)
        return loadInkBand(first, rows);
    image_.row_offset = first;
    image_.col_offset = 0;
    if (!TIFFRGBAImageGet(&image_, reinterpret_cast<std::uint32_t *>(band_.data()),
                          std::uint32_t(outputWidth_), std::uint32_t(rows)))
        return libtiffFailed("libtiff could not decode the picture");
    bandFirst_ = first;
    if (!header_.alpha) {
        // RGBA as libtiff packs it; the opaque alpha is dropped in place.
        const std::size_t pixels = std::size_t(outputWidth_) * std::size_t(rows);
        for (std::size_t i = 0; i < pixels; ++i)
            std::memmove(&band_[i * 3], &band_[i * 4], 3);
        return true;
    }
    // libtiff premultiplies alpha; rows go out with straight alpha like every decoder's.
    for (std::size_t i = 0; i < band_.size(); i += 4) {
        const unsigned a = band_[i + 3];
        if (a != 0 && a != 255)
            for (int c = 0; c < 3; ++c)
                band_[i + c] = std::uint8_t(std::min(255u, (band_[i + c] * 255u + a / 2) / a));
    }
    return true;
}

const std::uint8_t *TiffDecoder::row(int y) {
    if (failed_ || y < 0 || y >= outputHeight_)
        return nullptr;
    const int first = y / bandRows_ * bandRows_;
    if (first != bandFirst_ && !loadBand(first))
        return nullptr;
    return band_.data() +
           std::size_t(y - first) * std::size_t(outputWidth_) * std::size_t(channels_);
}

bool TiffDecoder::loadInkBand(int first, int rows) {
    const int planes = ink_.planes ? ink_.samples : 1;
    const std::size_t pixelBytes =
        std::size_t(ink_.planes ? 1 : ink_.samples) * std::size_t(ink_.bytes);
    // A tile's rows are tileWidth wide; a strip's are the picture's width.
    const int across = ink_.tiled ? ink_.tileWidth : outputWidth_;
    const std::size_t needed = std::size_t(rows - 1) * std::size_t(across) * pixelBytes +
                               std::size_t(std::min(across, outputWidth_)) * pixelBytes;
    for (int plane = 0; plane < planes; ++plane)
        for (int left = 0; left < outputWidth_; left += across) {
            const tmsize_t got =
                ink_.tiled ? TIFFReadEncodedTile(tiff_,
                                                 TIFFComputeTile(tiff_, std::uint32_t(left),
                                                                 std::uint32_t(first), 0,
                                                                 std::uint16_t(plane)),
                                                 coded_.data(), tmsize_t(coded_.size()))
                           : TIFFReadEncodedStrip(tiff_,
                                                  TIFFComputeStrip(tiff_, std::uint32_t(first),
                                                                   std::uint16_t(plane)),
                                                  coded_.data(), tmsize_t(coded_.size()));
            if (got < 0 || std::size_t(got) < needed)
                return libtiffFailed("a strip or tile holds less than the picture needs");
            const int right = std::min(outputWidth_, left + across);
            for (int r = 0; r < rows; ++r) {
                const std::uint8_t *from =
                    coded_.data() + std::size_t(r) * std::size_t(across) * pixelBytes;
                for (int x = left; x < right; ++x, from += pixelBytes)
                    putInk(from, x, r, plane);
            }
        }
    bandFirst_ = first;
    if (!deliverInk_)
        inkToRgb(rows);
    return true;
}

void TiffDecoder::putInk(const std::uint8_t *from, int x, int row, int plane) {
    const int stride = header_.alpha ? 5 : 4;
    std::uint8_t *to =
        band_.data() +
        (std::size_t(row) * std::size_t(outputWidth_) + std::size_t(x)) * std::size_t(stride);
    const int first = ink_.planes ? plane : 0, end = ink_.planes ? plane + 1 : ink_.samples;
    for (int s = first; s < end; ++s, from += ink_.bytes) {
        if (s >= stride)
            continue; // extra samples that are not the alpha
        unsigned v = from[0];
        if (ink_.bytes == 2) {
            std::uint16_t wide;
            std::memcpy(&wide, from, 2); // libtiff delivers samples in the host's order
            v = wide;
        }
        to[s] = s < 4 ? inkOf_[v] : std::uint8_t(ink_.bytes == 2 ? (v * 255 + 32767) / 65535 : v);
    }
    // Premultiplied ink is divided once the pixel's last sample is in.
    if (ink_.associated && end >= stride && to[4] != 0)
        for (int c = 0; c < 4; ++c)
            to[c] = std::uint8_t(std::min(255u, (to[c] * 255u + to[4] / 2u) / to[4]));
}

// A plain conversion for a photo without a profile to go through: (1 - ink) * (1 - black).
void TiffDecoder::inkToRgb(int rows) {
    const std::size_t pixels = std::size_t(outputWidth_) * std::size_t(rows);
    const std::size_t in = header_.alpha ? 5 : 4, out = header_.alpha ? 4 : 3;
    std::uint8_t pixel[5];
    for (std::size_t i = 0; i < pixels; ++i) {
        std::memcpy(pixel, &band_[i * in], in);
        PixelToRgb(&band_[i * out], pixel, PixelLayout::Cmyk);
        if (header_.alpha)
            band_[i * out + 3] = pixel[4];
    }
}
