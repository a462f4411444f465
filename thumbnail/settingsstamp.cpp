#include "settingsstamp.h"

#include "geometry.h"
#include "outputformat.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A JPEG comment or the text of a PNG chunk holds the settings after this word.
constexpr std::string_view kKeyword = "Quillet settings";
// In XMP, the settings are this attribute's value.
constexpr std::string_view kXmpAttribute = "quillet:settings=\"";
constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
// Enough for the file's signature, its first segment and the stamp (AVIF: its header boxes,
// a kept profile among them, and the XMP that libavif puts first in the data).
constexpr std::size_t kHeaderBytes = 16384;

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

bool isWebp(std::string_view s) {
    return s.size() >= 12 && s.substr(0, 4) == "RIFF" && s.substr(8, 4) == "WEBP";
}

bool isAvif(std::string_view s) {
    return s.size() >= 12 && s.substr(4, 8) == "ftypavif";
}

std::uint32_t littleEndian(const char *s) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(s[i]);
    return value;
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

// The attribute's value in an XMP packet, its five entities replaced.
std::string xmpStamp(std::string_view xmp) {
    const std::size_t start = xmp.find(kXmpAttribute);
    if (start == std::string_view::npos)
        return {};
    const std::size_t from = start + kXmpAttribute.size(), end = xmp.find('"', from);
    if (end == std::string_view::npos)
        return {};
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t at = from; at < end; ++at) {
        const auto entity =
            std::find_if(std::begin(kEntities), std::end(kEntities),
                         [&](const auto &e) { return xmp.substr(at, e.first.size()) == e.first; });
        if (entity == std::end(kEntities)) {
            out += xmp[at];
        } else {
            out += entity->second;
            at += entity->first.size() - 1;
        }
    }
    return out;
}

// WebP keeps XMP after the picture: the chunks' headers lead there without reading the rest.
std::string webpStamp(int fd) {
    off_t at = 12;
    for (int chunk = 0; chunk < 8; ++chunk) {
        char header[8];
        if (::pread(fd, header, 8, at) != 8)
            return {};
        const std::uint32_t size = littleEndian(header + 4);
        if (std::string_view(header, 4) == "XMP ") {
            std::string xmp(std::min<std::size_t>(size, kHeaderBytes), '\0');
            const ssize_t got = ::pread(fd, xmp.data(), xmp.size(), at + 8);
            return got == ssize_t(xmp.size()) ? xmpStamp(xmp) : std::string();
        }
        at += 8 + off_t(size) + off_t(size & 1);
    }
    return {};
}

} // namespace

std::string SettingsStampOf(const ThumbnailRequest &s) {
    static const char *const modes[] = {"stretched", "padded", "cropped"};
    char text[200];
    std::snprintf(text, sizeof text,
                  "1 %dx%d %s fill=%06X transparent=%d smooth=%d upright=%d profile=%d shrink=%d "
                  "%s quality=%d srgb=%d",
                  s.width, s.height, modes[int(ModeOf(s.keepAspect, s.eraseEmpty))],
                  unsigned(s.fill) & 0xFFFFFFu, s.transparent, s.extras.smooth, s.extras.upright,
                  s.extras.keepProfile, s.extras.onlyShrink,
                  std::string(FormatName(s.format)).c_str(), s.quality, s.srgb);
    return text;
}

std::string SettingsXmp(std::string_view stamp) {
    std::string value;
    for (const char c : stamp)
        value += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '"' ? "&quot;" : std::string(1, c);
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
           "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
           "<rdf:Description rdf:about=\"\" "
           "xmlns:quillet=\"https://github.com/quillet/quillet/ns/1/\" " +
           std::string(kXmpAttribute) + value + "\"/></rdf:RDF></x:xmpmeta><?xpacket end=\"r\"?>";
}

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
    const std::string_view head(buffer.data(), got > 0 ? std::size_t(got) : 0);
    std::string stamp = isPng(head)    ? pngStamp(head)
                        : isJpeg(head) ? jpegStamp(head)
                        : isWebp(head) ? webpStamp(fd)
                        : isAvif(head) ? xmpStamp(head)
                                       : std::string();
    ::close(fd);
    return stamp;
}

bool EncodedPictureSize(std::string_view s, int &width, int &height) {
    if (isPng(s)) { // the header chunk comes first: width and height open it
        width = int(bigEndian(s, 16, 4));
        height = int(bigEndian(s, 20, 4));
        return true;
    }
    // WebP's first chunk: the extended header's canvas (24 bits each, less one), the lossy
    // frame's header (14 bits each) or the lossless one's (14 bits each, less one).
    const auto byte = [&s](std::size_t at) { return std::uint32_t(std::uint8_t(s[at])); };
    const auto little = [&](std::size_t at, int bytes) {
        std::uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value << 8 | byte(at + std::size_t(i));
        return value;
    };
    if (isWebp(s) && s.size() >= 30) {
        const std::string_view chunk = s.substr(12, 4);
        if (chunk == "VP8X") {
            width = int(little(24, 3) + 1);
            height = int(little(27, 3) + 1);
        } else if (chunk == "VP8 ") {
            width = int(little(26, 2) & 0x3FFF);
            height = int(little(28, 2) & 0x3FFF);
        } else if (chunk == "VP8L") {
            const std::uint32_t bits = little(21, 4);
            width = int((bits & 0x3FFF) + 1);
            height = int((bits >> 14 & 0x3FFF) + 1);
        }
        return chunk == "VP8X" || chunk == "VP8 " || chunk == "VP8L";
    }
    // AVIF: the first image spatial extents property, the primary picture's as libavif writes.
    if (const std::size_t at = s.find("ispe");
        isAvif(s) && at != std::string_view::npos && at + 16 <= s.size()) {
        width = int(bigEndian(s, at + 8, 4));
        height = int(bigEndian(s, at + 12, 4));
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
