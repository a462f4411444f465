#pragma once
// One small interface for the photo formats read through Debian's libraries (PNG, WebP,
// HEIF/AVIF, TIFF); JPEG keeps its own streaming route in jpegcodec.h. A decoder is chosen by
// the file's first bytes, never by its name. It reads the header first (size, alpha, EXIF
// orientation, ICC profile and what decoding will take), so that nothing a hostile header
// announces is allocated before the caller has weighed it, then delivers 8-bit rows top down.
#include "exiforientation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <span>
#include <streambuf>
#include <string>
#include <vector>

enum class PhotoFormat { Unknown, Jpeg, Png, WebP, Heif, Tiff };

// How many leading bytes SniffFormat looks at (a HEIF file names its brands there).
inline constexpr std::size_t kSniffBytes = 64;

PhotoFormat SniffFormat(std::span<const std::uint8_t> head);

// The bytes of a source from its stream's current position, the first of them read ahead
// for sniffing and handed out again: JPEG's decoder reads it as a stream, the others through
// read and readAll.
class DecoderInput : public std::streambuf {
public:
    // `file`, when not -1, is the same source as an open file read from its start: a decoder
    // may then look at the file's end before reading through to it.
    explicit DecoderInput(std::istream &source, int file = -1);
    // Up to kSniffBytes first bytes (fewer in a shorter source).
    std::span<const std::uint8_t> head() const { return {head_.data(), headLength_}; }
    // Up to `count` bytes; fewer only at the end (or when the stream fails).
    std::size_t read(void *out, std::size_t count);
    // Everything left into `out`; false when there is more than `limit` bytes of it.
    bool readAll(std::vector<std::uint8_t> &out, std::uint64_t limit);
    // The file's last `most` bytes (all of a shorter file) into `out`, the stream untouched;
    // false for a source that is not a file.
    bool readTail(std::vector<std::uint8_t> &out, std::size_t most) const;
    // The size of the file behind the source; -1 for a source that is not a regular file.
    std::int64_t fileSize() const;
    // Up to `count` bytes of that file from `offset`, the stream untouched; fewer only at
    // its end or on a read error.
    std::size_t readAt(std::uint64_t offset, void *out, std::size_t count) const;

protected:
    int_type underflow() override;

private:
    std::istream &source_;
    int file_;
    std::array<std::uint8_t, kSniffBytes> head_{};
    std::size_t headLength_ = 0;
    std::vector<char> buffer_;
};

struct DecodedHeader {
    int width = 0; // of the picture as stored (HEIF: its rotation and mirror applied)
    int height = 0;
    bool alpha = false;
    // What the EXIF block asks for; applied only when the user asks for upright photos.
    Orientation orientation = Orientation::Normal;
    std::vector<std::uint8_t> iccProfile;
    // Stored as CMYK ink (TIFF): delivered as RGB by a plain conversion unless asked for as ink.
    bool ink = false;
    // What decoding the full picture takes, estimated from the header.
    std::uint64_t memoryNeed = 0;
};

class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;

    // The most the decoder may hold, the source's own bytes included; set before readHeader.
    void setMemoryLimit(std::uint64_t bytes) { limit_ = bytes; }
    virtual bool readHeader() = 0;
    const DecodedHeader &header() const { return header_; }

    // Starts decoding. A smooth reduction may pass the size it needs covered: a format with a
    // cheaper picture of at least that size (HEIF's embedded thumbnail) delivers that instead.
    virtual bool start(int coverWidth = 0, int coverHeight = 0) = 0;
    // Before start, for a header with ink: rows of the ink itself (255 is full ink), for the
    // photo's own profile to convert.
    void deliverInk() { deliverInk_ = header_.ink; }
    // What row() delivers after start: its size, and 3 (RGB) or 4 (RGBA, straight alpha)
    // bytes a pixel; with ink delivered, 4 (CMYK) or 5 (CMYK and straight alpha).
    int outputWidth() const { return outputWidth_; }
    int outputHeight() const { return outputHeight_; }
    int channels() const { return channels_; }
    // Row `y`, rows only moving forward; null after a failure.
    virtual const std::uint8_t *row(int y) = 0;
    // Checks what is left of the source after the last row.
    virtual bool finish() { return !failed_; }

    // After a failure: the library's own words, and whether memory rather than data failed.
    const std::string &message() const { return message_; }
    bool tooLarge() const { return tooLarge_; }

protected:
    bool fail(std::string why, bool memory = false);
    // Refuses a picture whose estimate is beyond the limit, before anything is allocated.
    bool fits(std::uint64_t bytes);

    DecodedHeader header_;
    std::uint64_t limit_ = 0;
    int outputWidth_ = 0;
    int outputHeight_ = 0;
    int channels_ = 3;
    bool deliverInk_ = false;
    bool failed_ = false;
    std::string message_;
    bool tooLarge_ = false;
};

// The decoder for `format` (not Jpeg or Unknown) over `input`, which must outlive it, from the
// format module (formatloader.h); without the module, one that fails with the reason.
std::unique_ptr<ImageDecoder> MakeImageDecoder(PhotoFormat format, DecoderInput &input);

// The orientation in an EXIF block as the containers hold it, with or without the "Exif\0\0"
// that JPEG's APP1 puts before the TIFF structure.
Orientation OrientationOfExif(std::span<const std::uint8_t> exif);
