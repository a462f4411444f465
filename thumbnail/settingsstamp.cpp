#include "settingsstamp.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A JPEG comment or the text of a PNG chunk holds the settings after this word.
constexpr std::string_view kKeyword = "Quillet settings";
constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
// Enough for the file's signature, its first segment and the stamp.
constexpr std::size_t kHeaderBytes = 4096;

std::uint32_t bigEndian(std::string_view s, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | static_cast<unsigned char>(s[at + std::size_t(i)]);
    return value;
}

std::string bigEndianBytes(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += char(value >> (8 * i) & 0xFF);
    return out;
}

std::uint32_t crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

bool isJpeg(std::string_view s) {
    return s.size() >= 4 && s.substr(0, 2) == "\xFF\xD8";
}

bool isPng(std::string_view s) {
    return s.size() >= 33 && s.substr(0, 8) == kPngSignature;
}

std::string payload(std::string_view stamp) {
    return std::string(kKeyword) + '\0' + std::string(stamp);
}

// Where the stamp goes in a JPEG: after the JFIF segment when one comes first.
std::size_t jpegInsertAt(std::string_view s) {
    if (s.size() >= 6 && static_cast<unsigned char>(s[3]) == 0xE0 && s[2] == '\xFF')
        return std::min(s.size(), 4 + std::size_t(bigEndian(s, 4, 2)));
    return 2;
}

std::string jpegStamp(std::string_view s) {
    // Segments from the SOI up to the first that is neither APP0 nor a comment.
    for (std::size_t at = 2; at + 4 <= s.size() && s[at] == '\xFF';) {
        const unsigned marker = static_cast<unsigned char>(s[at + 1]);
        const std::size_t length = bigEndian(s, at + 2, 2);
        if ((marker != 0xE0 && marker != 0xFE) || length < 2 || at + 2 + length > s.size())
            break;
        const std::string_view body = s.substr(at + 4, length - 2);
        if (marker == 0xFE && body.substr(0, kKeyword.size() + 1) == payload(""))
            return std::string(body.substr(kKeyword.size() + 1));
        at += 2 + length;
    }
    return {};
}

std::string pngStamp(std::string_view s) {
    // The chunk right after the header chunk.
    const std::size_t at = 33;
    if (s.size() < at + 12 || s.substr(at + 4, 4) != "tEXt")
        return {};
    const std::size_t length = bigEndian(s, at, 4);
    if (at + 12 + length > s.size())
        return {};
    const std::string_view body = s.substr(at + 8, length);
    if (body.substr(0, kKeyword.size() + 1) != payload(""))
        return {};
    return std::string(body.substr(kKeyword.size() + 1));
}

} // namespace

std::string AddSettingsStamp(std::string_view encoded, std::string_view stamp) {
    const std::string body = payload(stamp);
    if (isPng(encoded)) {
        const std::string chunk = "tEXt" + body;
        return std::string(encoded.substr(0, 33)) + bigEndianBytes(std::uint32_t(body.size()), 4) +
               chunk + bigEndianBytes(crc32(chunk), 4) + std::string(encoded.substr(33));
    }
    if (isJpeg(encoded) && body.size() + 2 <= 0xFFFF) {
        const std::size_t at = jpegInsertAt(encoded);
        return std::string(encoded.substr(0, at)) + "\xFF\xFE" +
               bigEndianBytes(std::uint32_t(body.size() + 2), 2) + body +
               std::string(encoded.substr(at));
    }
    return std::string(encoded);
}

std::string ReadSettingsStamp(const std::string &path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::array<char, kHeaderBytes> buffer{};
    struct stat st {};
    ssize_t got = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        got = ::pread(fd, buffer.data(), buffer.size(), 0);
    ::close(fd);
    const std::string_view head(buffer.data(), got > 0 ? std::size_t(got) : 0);
    return isPng(head) ? pngStamp(head) : isJpeg(head) ? jpegStamp(head) : std::string();
}

bool EncodedPictureSize(std::string_view s, int &width, int &height) {
    if (isPng(s)) { // the header chunk comes first: width and height open it
        width = int(bigEndian(s, 16, 4));
        height = int(bigEndian(s, 20, 4));
        return true;
    }
    // The first start-of-frame marker (SOF0 to SOF15, not DHT, JPG or DAC) holds the size.
    for (std::size_t at = 2; isJpeg(s) && at + 9 <= s.size() && s[at] == '\xFF';) {
        const unsigned marker = static_cast<unsigned char>(s[at + 1]);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            height = int(bigEndian(s, at + 5, 2));
            width = int(bigEndian(s, at + 7, 2));
            return true;
        }
        at += 2 + bigEndian(s, at + 2, 2);
    }
    return false;
}

bool ThumbnailIsCurrent(const std::string &source, const std::string &target,
                        std::string_view stamp) {
    struct stat photo {
    }, thumbnail{};
    if (::stat(source.c_str(), &photo) != 0 || ::lstat(target.c_str(), &thumbnail) != 0 ||
        !S_ISREG(thumbnail.st_mode))
        return false;
    const auto newer = [](const timespec &a, const timespec &b) {
        return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
    };
    return newer(thumbnail.st_mtim, photo.st_mtim) && !stamp.empty() &&
           ReadSettingsStamp(target) == stamp;
}
