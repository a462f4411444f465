#include "imagedecoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <istream>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool startsWith(std::span<const std::uint8_t> head, std::string_view magic, std::size_t at = 0) {
    return head.size() >= at + magic.size() &&
           std::memcmp(head.data() + at, magic.data(), magic.size()) == 0;
}

// An ISO base media file whose brands name a still image coded as HEVC or AV1.
bool isHeif(std::span<const std::uint8_t> head) {
    if (!startsWith(head, "ftyp", 4))
        return false;
    const std::size_t box = std::min<std::size_t>(
        head.size(), std::uint32_t(head[0]) << 24 | head[1] << 16 | head[2] << 8 | head[3]);
    static constexpr std::string_view kBrands[] = {"heic", "heix", "heim", "heis", "hevc",
                                                   "hevx", "mif1", "msf1", "avif", "avis"};
    // The major brand at 8, then the compatible ones from 16 on.
    for (std::size_t at = 8; at + 4 <= box; at += at == 8 ? 8 : 4)
        for (std::string_view brand : kBrands)
            if (startsWith(head, brand, at))
                return true;
    return false;
}

} // namespace

PhotoFormat SniffFormat(std::span<const std::uint8_t> head) {
    if (startsWith(head, "\xFF\xD8\xFF"))
        return PhotoFormat::Jpeg;
    if (startsWith(head, "\x89PNG\r\n\x1A\n"))
        return PhotoFormat::Png;
    if (startsWith(head, "RIFF") && startsWith(head, "WEBP", 8))
        return PhotoFormat::WebP;
    if (startsWith(head, {"II*\0", 4}) || startsWith(head, {"MM\0*", 4}) ||
        startsWith(head, {"II+\0", 4}) || startsWith(head, {"MM\0+", 4}))
        return PhotoFormat::Tiff;
    if (isHeif(head))
        return PhotoFormat::Heif;
    return PhotoFormat::Unknown;
}

DecoderInput::DecoderInput(std::istream &source, int file) : source_(source), file_(file) {
    auto *bytes = reinterpret_cast<char *>(head_.data());
    try {
        source_.read(bytes, std::streamsize(head_.size()));
        headLength_ = std::size_t(source_.gcount());
    } catch (...) {
        headLength_ = 0;
    }
    setg(bytes, bytes, bytes + headLength_);
}

DecoderInput::int_type DecoderInput::underflow() {
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    buffer_.resize(64 * 1024);
    std::streamsize n = 0;
    try {
        source_.read(buffer_.data(), std::streamsize(buffer_.size()));
        n = source_.gcount();
    } catch (...) {
        n = 0;
    }
    if (n <= 0)
        return traits_type::eof();
    setg(buffer_.data(), buffer_.data(), buffer_.data() + n);
    return traits_type::to_int_type(*gptr());
}

std::size_t DecoderInput::read(void *out, std::size_t count) {
    return std::size_t(sgetn(static_cast<char *>(out), std::streamsize(count)));
}

bool DecoderInput::readAll(std::vector<std::uint8_t> &out, std::uint64_t limit) {
    out.clear();
    std::size_t chunk = 256 * 1024;
    for (;;) {
        const std::size_t had = out.size();
        if (had >= limit) {
            // One byte more tells a source of exactly `limit` bytes from a larger one.
            std::uint8_t probe;
            return read(&probe, 1) == 0;
        }
        const std::size_t want = std::size_t(std::min<std::uint64_t>(chunk, limit - had));
        out.resize(had + want);
        const std::size_t got = read(out.data() + had, want);
        out.resize(had + got);
        if (got < want)
            return true;
        chunk = std::min<std::size_t>(chunk * 2, 64 << 20);
    }
}

bool DecoderInput::readTail(std::vector<std::uint8_t> &out, std::size_t most) const {
    struct stat st {};
    if (file_ < 0 || ::fstat(file_, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const std::size_t size = std::size_t(std::min<std::uint64_t>(std::uint64_t(st.st_size), most));
    out.resize(size);
    const ssize_t got = ::pread(file_, out.data(), size, off_t(st.st_size) - off_t(size));
    out.resize(got > 0 ? std::size_t(got) : 0);
    return got == ssize_t(size);
}

std::int64_t DecoderInput::fileSize() const {
    struct stat st {};
    if (file_ < 0 || ::fstat(file_, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return std::int64_t(st.st_size);
}

std::size_t DecoderInput::readAt(std::uint64_t offset, void *out, std::size_t count) const {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(file_, static_cast<char *>(out) + done, count - done, off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    return done;
}

bool ImageDecoder::fail(std::string why, bool memory) {
    if (!failed_) {
        message_ = std::move(why);
        tooLarge_ = memory;
    }
    failed_ = true;
    return false;
}

bool ImageDecoder::fits(std::uint64_t bytes) {
    return bytes <= limit_ || fail("the picture needs more memory than the decoder may use", true);
}

Orientation OrientationOfExif(std::span<const std::uint8_t> exif) {
    static constexpr std::uint8_t kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (exif.size() >= 6 && std::equal(kSignature, kSignature + 6, exif.begin()))
        return ExifOrientation(exif);
    std::vector<std::uint8_t> app1(kSignature, kSignature + 6);
    app1.insert(app1.end(), exif.begin(), exif.end());
    return ExifOrientation(app1);
}
