#include "tiffdecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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

tmsize_t onRead(thandle_t handle, void *out, tmsize_t count) {
    TiffDecoder *d = decoderOf(handle);
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
                               : whence == SEEK_END ? d->file_.size()
                                                    : 0;
    d->position_ = base + offset;
    return d->position_;
}

int onClose(thandle_t) {
    return 0;
}

toff_t onSize(thandle_t handle) {
    return decoderOf(handle)->file_.size();
}

// The file is in memory already: libtiff reads strips from it in place.
int onMap(thandle_t handle, void **base, toff_t *size) {
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
    if (!input_.readAll(file_, limit_))
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
    char why[1024] = {};
    if (!TIFFRGBAImageOK(tiff_, why))
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
    header_.memoryNeed =
        file_.size() + std::uint64_t(width) * std::uint64_t(bandRows_) * 4 + coded + 256 * 1024;
    return true;
}

bool TiffDecoder::start(int, int) {
    if (failed_ || !fits(header_.memoryNeed))
        return false;
    char why[1024] = {};
    if (!TIFFRGBAImageBegin(&image_, tiff_, 1, why))
        return fail(*error_ ? error_ : why);
    imageStarted_ = true;
    // Rows come as stored; the orientation tag is applied by the engine, and only when asked.
    image_.orientation = ORIENTATION_TOPLEFT;
    image_.req_orientation = ORIENTATION_TOPLEFT;
    outputWidth_ = header_.width;
    outputHeight_ = header_.height;
    band_.resize(std::size_t(outputWidth_) * std::size_t(bandRows_) * 4);
    return true;
}

bool TiffDecoder::loadBand(int first) {
    const int rows = std::min(bandRows_, outputHeight_ - first);
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
