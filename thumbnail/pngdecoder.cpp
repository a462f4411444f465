#include "pngdecoder.h"

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

PngDecoder *decoderOf(png_structp png) {
    return static_cast<PngDecoder *>(png_get_error_ptr(png));
}

void onError(png_structp png, png_const_charp message) {
    std::snprintf(decoderOf(png)->error_, sizeof decoderOf(png)->error_, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onRead(png_structp png, png_bytep out, png_size_t count) {
    if (decoderOf(png)->input_.read(out, count) != count)
        png_error(png, "Read Error: the file ends before the picture does");
}

std::uint32_t bigEndian(const std::uint8_t *at) {
    return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 |
           at[3];
}

// Whether the chunks from `at` follow each other to an IEND that ends `tail` exactly: what
// makes a chunk found by its name in the tail a real one, not bytes of the picture's data.
bool chunksEndAtIend(std::span<const std::uint8_t> tail, std::size_t at) {
    for (int chunk = 0; chunk < 64 && at + 12 <= tail.size(); ++chunk) {
        const std::uint32_t length = bigEndian(&tail[at]);
        if (std::memcmp(&tail[at + 4], "IEND", 4) == 0)
            return length == 0 && at + 12 == tail.size();
        if (length > tail.size() ||
            !std::all_of(&tail[at + 4], &tail[at + 8], [](auto c) { return std::isalpha(c) != 0; }))
            return false;
        at += 12 + std::size_t(length);
    }
    return false;
}

} // namespace

PngDecoder::PngDecoder(DecoderInput &input) : input_(input) {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
    if (png_)
        info_ = png_create_info_struct(png_);
    if (!png_ || !info_) {
        fail("libpng could not start", true);
        return;
    }
    png_set_read_fn(png_, this, onRead);
    // A damaged ancillary chunk costs only that chunk, as in other viewers.
    png_set_benign_errors(png_, 1);
}

PngDecoder::~PngDecoder() {
    png_destroy_read_struct(&png_, &info_, nullptr);
}

bool PngDecoder::failed(bool ok) {
    return ok || fail(*error_ ? error_ : "libpng failed");
}

// The trapped steps keep no C++ object alive of their own: libpng's error leaves by longjmp.
bool PngDecoder::trappedHeader() {
    if (setjmp(png_jmpbuf(png_)))
        return false;
    png_read_info(png_, info_);
    png_set_expand(png_); // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(png_);
    png_set_gray_to_rgb(png_);
    interlaced_ = png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE;
    if (interlaced_)
        png_set_interlace_handling(png_);
    png_bytep profile = nullptr;
    png_charp name = nullptr;
    png_uint_32 length = 0;
    int compression = 0;
    if (png_get_iCCP(png_, info_, &name, &compression, &profile, &length) && profile)
        header_.iccProfile.assign(profile, profile + length);
    png_bytep exif = nullptr;
    png_uint_32 exifLength = 0;
    if (png_get_eXIf_1(png_, info_, &exifLength, &exif) && exif)
        header_.orientation = OrientationOfExif({exif, exifLength});
    png_read_update_info(png_, info_);
    return true;
}

// An eXIf chunk may also follow the picture's data, where libpng finds it only after the last
// row; the orientation must be known before the first is drawn, so the file's end is looked
// at first (one read, of a file only).
Orientation PngDecoder::orientationAtEnd() {
    std::vector<std::uint8_t> tail;
    if (!input_.readTail(tail, 64 * 1024))
        return Orientation::Normal;
    for (std::size_t at = 0; at + 12 <= tail.size(); ++at)
        if (std::memcmp(&tail[at + 4], "eXIf", 4) == 0 && chunksEndAtIend(tail, at))
            return OrientationOfExif({&tail[at + 8], bigEndian(&tail[at])});
    return Orientation::Normal;
}

bool PngDecoder::readHeader() {
    if (failed_ || !failed(trappedHeader()))
        return false;
    png_bytep exif = nullptr;
    png_uint_32 exifLength = 0;
    if (!png_get_eXIf_1(png_, info_, &exifLength, &exif))
        header_.orientation = orientationAtEnd();
    header_.width = int(png_get_image_width(png_, info_));
    header_.height = int(png_get_image_height(png_, info_));
    channels_ = png_get_channels(png_, info_);
    header_.alpha = channels_ == 4;
    stride_ = png_get_rowbytes(png_, info_);
    if (channels_ != 3 && channels_ != 4)
        return fail("unexpected PNG pixel layout");
    // libpng holds the raw row and the one above it (up to 8 bytes a pixel each) and zlib's
    // window; an interlaced picture is held whole besides.
    const std::uint64_t raw = std::uint64_t(header_.width) * 8 + 1;
    header_.memoryNeed = 2 * raw + stride_ + 256 * 1024 +
                         (interlaced_ ? std::uint64_t(stride_) * std::uint64_t(header_.height) : 0);
    return true;
}

bool PngDecoder::trappedReadImage() {
    if (setjmp(png_jmpbuf(png_)))
        return false;
    png_read_image(png_, rowPointers_.data());
    return true;
}

bool PngDecoder::start(int, int) {
    if (failed_ || !fits(header_.memoryNeed))
        return false;
    outputWidth_ = header_.width;
    outputHeight_ = header_.height;
    if (!interlaced_) {
        rows_.resize(stride_);
        return true;
    }
    rows_.resize(stride_ * std::size_t(header_.height));
    rowPointers_.resize(std::size_t(header_.height));
    for (std::size_t y = 0; y < rowPointers_.size(); ++y)
        rowPointers_[y] = rows_.data() + y * stride_;
    return failed(trappedReadImage());
}

bool PngDecoder::trappedReadRow() {
    if (setjmp(png_jmpbuf(png_)))
        return false;
    png_read_row(png_, rows_.data(), nullptr);
    return true;
}

const std::uint8_t *PngDecoder::row(int y) {
    if (failed_ || y < currentRow_ || y >= outputHeight_)
        return nullptr;
    if (interlaced_)
        return rows_.data() + std::size_t(y) * stride_;
    // Every row in between is decompressed: a PNG row depends on the one above it.
    for (; currentRow_ < y; ++currentRow_)
        if (!failed(trappedReadRow()))
            return nullptr;
    return rows_.data();
}

bool PngDecoder::trappedEnd() {
    if (setjmp(png_jmpbuf(png_)))
        return false;
    png_read_end(png_, nullptr);
    return true;
}

bool PngDecoder::finish() {
    if (failed_ || (!interlaced_ && !row(outputHeight_ - 1)))
        return false;
    return failed(trappedEnd());
}
