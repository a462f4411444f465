#include "formatfixtures.h"
#include "memorybudget.h"
#include "photoformats.h"
#include "tempfolder.h"
#include "uthumbnail.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <zlib.h>

// Designated initializers name only the options a variant sets; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

struct Made {
    ThumbnailStatus status;
    std::string bytes;
};

Made Thumb(const std::string &source, const ThumbnailExtras &extras = {}, int w = 40, int h = 30,
           bool erase = false, TColor fill = clBlack,
           std::uint64_t memory = kDefaultDecoderMemory) {
    TempFolder dir;
    const std::string path = dir.file("photo");
    WriteFile(path, source);
    DecoderMemoryBudget budget(memory);
    Made m;
    m.status = MakeThumbnailBytes(path, m.bytes, {w, h, true, fill, false, erase, extras}, &budget);
    return m;
}

// The mean difference of two decoded thumbnails of one size, per sample.
double MeanDifference(const std::string &a, const std::string &b) {
    const DecodedJpeg x = DecodeJpeg(a), y = DecodeJpeg(b);
    if (!x.ok || !y.ok || x.picture.pixels.size() != y.picture.pixels.size())
        return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < x.picture.pixels.size(); ++i)
        sum += std::abs(int(x.picture.pixels[i]) - int(y.picture.pixels[i]));
    return sum / double(x.picture.pixels.size());
}

std::uint8_t chequeredAlpha(int x, int y) {
    return (x / 8 + y / 8) % 3 == 0 ? 0 : 255;
}

using Encoder = std::string (*)(const Picture &, const FormatOptions &);
std::string Heic(const Picture &p, const FormatOptions &o) {
    return EncodeHeif(p, false, o);
}
std::string Avif(const Picture &p, const FormatOptions &o) {
    return EncodeHeif(p, true, o);
}

// A PNG whose eXIf chunk follows the picture's data, just before IEND.
std::string PngExifAtEnd(const Picture &p, const FormatOptions &o) {
    FormatOptions before = o;
    before.orientation = 0;
    std::string png = EncodePng(p, before);
    const std::string chunk = "eXIf" + ExifBlock(o.orientation, true).substr(6);
    const std::uint32_t crc =
        crc32(0, reinterpret_cast<const Bytef *>(chunk.data()), uInt(chunk.size()));
    std::string bytes;
    for (std::uint32_t v : {std::uint32_t(chunk.size() - 4), crc})
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes += char(v >> shift & 0xFF);
    png.insert(png.size() - 12, bytes.substr(0, 4) + chunk + bytes.substr(4));
    return png;
}

// An ICC profile with the header fields libpng checks and no tags, padded with text that is
// easy to find again.
std::string IccProfile() {
    std::string p(132, '\0');
    p += "a colour profile's bytes, copied as they are";
    p.resize((p.size() + 3) / 4 * 4, '.');
    const auto put = [&p](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            p[at + std::size_t(i)] = char((v >> (24 - 8 * i)) & 0xFF);
    };
    put(0, std::uint32_t(p.size()));
    put(8, 0x02100000); // version 2.1
    p.replace(12, 12, "mntrRGB XYZ ");
    p.replace(36, 4, "acsp");
    put(68, 0x0000F6D6); // the D50 white point
    put(72, 0x00010000);
    put(76, 0x0000D32D);
    return p;
}
const std::string kProfile = IccProfile();

// ---- every variant through the engine ---------------------------------------------------

struct Variant {
    const char *name;
    Encoder encode;
    FormatOptions options;
    ThumbnailExtras extras;
    bool alpha = false;
    // Lossless copies give the JPEG's own thumbnail byte for byte; lossy ones come near it.
    double tolerance = 0;
};

class Formats : public ::testing::TestWithParam<Variant> {};

TEST_P(Formats, give_the_thumbnail_of_the_same_pixels_as_a_jpeg) {
    const Variant &v = GetParam();
    // Lossy codecs are judged on a picture they can hold closely: large solid areas.
    const std::uint8_t quarters[4][3] = {
        {220, 30, 30}, {30, 200, 40}, {40, 60, 210}, {240, 240, 90}};
    const Picture picture =
        v.tolerance > 0 ? QuartersPicture(96, 64, quarters) : PatternPicture(97, 61);
    JpegMetadata metadata;
    metadata.exifOrientation = v.options.orientation;
    metadata.iccProfile = v.options.iccProfile;
    const std::string jpeg = EncodeJpeg(picture, {95}, metadata);
    Picture decoded = DecodeJpeg(jpeg).picture;
    const TColor fill = 0x0040C0FF;
    if (v.alpha)
        decoded = WithAlpha(decoded, chequeredAlpha);
    const std::string copy = v.encode(decoded, v.options);
    for (bool erase : {false, true}) {
        const Made got = Thumb(copy, v.extras, 40, 30, erase, fill);
        ASSERT_TRUE(got.status) << got.status.message;
        std::string want;
        if (v.alpha) {
            ReferenceResult r = ReferenceThumbnailOf(OverColour(decoded, 0xFF, 0xC0, 0x40), false,
                                                     40, 30, true, fill, erase);
            want = r.bytes;
        } else {
            const Made m = Thumb(jpeg, v.extras, 40, 30, erase, fill);
            ASSERT_TRUE(m.status);
            want = m.bytes;
        }
        if (v.tolerance == 0) {
            EXPECT_TRUE(got.bytes == want) << "differs from the JPEG's thumbnail, erase " << erase;
        } else {
            EXPECT_LT(MeanDifference(got.bytes, want), v.tolerance) << "erase " << erase;
        }
        if (v.extras.keepProfile) {
            EXPECT_NE(got.bytes.find(kProfile), std::string::npos);
        }
    }
}

const ThumbnailExtras kUpright{false, true, false};
const ThumbnailExtras kProfileKept{false, false, true};

INSTANTIATE_TEST_SUITE_P(
    Variants, Formats,
    ::testing::Values(
        Variant{"png", EncodePng, {}, {}},
        Variant{"png_interlaced", EncodePng, {.interlaced = true}, {}},
        Variant{"png_16_bits", EncodePng, {.sixteenBits = true}, {}},
        Variant{"png_exif_turned_upright", EncodePng, {.orientation = 6}, kUpright},
        Variant{"png_exif_left_as_stored", EncodePng, {.orientation = 6}, {}},
        Variant{
            "png_exif_after_the_data_turned_upright", PngExifAtEnd, {.orientation = 6}, kUpright},
        Variant{"png_profile_kept", EncodePng, {.iccProfile = kProfile}, kProfileKept},
        Variant{"png_alpha", EncodePng, {}, {}, true}, Variant{"tiff_strips", EncodeTiff, {}, {}},
        Variant{"tiff_tiles", EncodeTiff, {.tiled = true}, {}},
        Variant{"tiff_16_bits_tiles", EncodeTiff, {.sixteenBits = true, .tiled = true}, {}},
        Variant{"tiff_orientation_turned_upright", EncodeTiff, {.orientation = 8}, kUpright},
        Variant{"tiff_profile_kept", EncodeTiff, {.iccProfile = kProfile}, kProfileKept},
        Variant{"tiff_alpha", EncodeTiff, {}, {}, true},
        Variant{"webp_lossless", EncodeWebP, {}, {}},
        Variant{"webp_exif_and_profile",
                EncodeWebP,
                {.orientation = 3, .iccProfile = kProfile},
                {false, true, true}},
        Variant{"webp_alpha", EncodeWebP, {}, {}, true},
        Variant{"webp_lossy", EncodeWebP, {.lossless = false}, {}, false, 4},
        Variant{"heic", Heic, {.lossless = false}, {}, false, 4},
        Variant{"heic_rotation_always_applied",
                Heic,
                {.lossless = false, .orientation = 6},
                kUpright,
                false,
                4},
        Variant{"heic_profile_kept",
                Heic,
                {.lossless = false, .iccProfile = kProfile},
                kProfileKept,
                false,
                4},
        Variant{"avif", Avif, {.lossless = false}, {}, false, 4},
        Variant{"avif_mirror_always_applied",
                Avif,
                {.lossless = false, .orientation = 2},
                kUpright,
                false,
                4}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- CMYK TIFF: through its profile when asked for sRGB, else the plain conversion --------

struct InkVariant {
    const char *name;
    FormatOptions options;
    bool alpha = false;
    bool profile = false;
    bool srgb = false;
};

class InkTiffs : public ::testing::TestWithParam<InkVariant> {};

TEST_P(InkTiffs, give_the_thumbnail_of_the_inks_colours) {
    const InkVariant &v = GetParam();
    const Picture pattern = PatternPicture(67, 45, 4, 7);
    Picture ink{pattern.width, pattern.height, v.alpha ? 5 : 4, {}};
    Picture rgb{pattern.width, pattern.height, v.alpha ? 4 : 3, {}};
    for (int y = 0; y < ink.height; ++y)
        for (int x = 0; x < ink.width; ++x) {
            const std::uint8_t *p = pattern.at(x, y), a = chequeredAlpha(x, y);
            std::uint8_t out[3];
            if (v.profile && v.srgb) {
                PressRgb(p, out);
            } else {
                for (int c = 0; c < 3; ++c)
                    out[c] = std::uint8_t(std::lround((255 - p[c]) * (255 - p[3]) / 255.0));
            }
            ink.pixels.insert(ink.pixels.end(), p, p + 4);
            rgb.pixels.insert(rgb.pixels.end(), out, out + 3);
            if (v.alpha) {
                ink.pixels.push_back(a);
                rgb.pixels.push_back(a);
            }
        }
    FormatOptions options = v.options;
    options.cmyk = true;
    if (v.profile)
        options.iccProfile = CmykPressProfile();
    TempFolder dir;
    WriteFile(dir.file("photo"), EncodeTiff(ink, options));
    const TColor fill = 0x0040C0FF;
    // Kept, a profile of ink goes out only converted, as the sRGB one.
    ThumbnailRequest request{40, 30, true, fill, false, false, {.keepProfile = true}};
    request.srgb = v.srgb;
    Made got;
    got.status = MakeThumbnailBytes(dir.file("photo"), got.bytes, request, nullptr);
    ASSERT_TRUE(got.status) << got.status.message;
    const ReferenceResult want = ReferenceThumbnailOf(
        v.alpha ? OverColour(rgb, 0xFF, 0xC0, 0x40) : rgb, false, 40, 30, true, fill, false);
    // The plain conversion is exact. The profile's perceptual rendering lifts its blacks a
    // little from the colours its table holds, while the plain conversion is 12 levels away.
    if (v.profile && v.srgb) {
        EXPECT_LT(MeanDifference(got.bytes, want.bytes), 6);
        EXPECT_NE(got.bytes.find("ICC_PROFILE"), std::string::npos);
    } else {
        EXPECT_TRUE(got.bytes == want.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, InkTiffs,
    ::testing::Values(
        InkVariant{"strips", {}}, InkVariant{"profile_unconverted_not_carried", {}, false, true},
        InkVariant{"profile_converted", {}, false, true, true},
        InkVariant{"no_profile_converted_plainly", {}, false, false, true},
        InkVariant{"planes_16_bits", {.sixteenBits = true, .planes = true}},
        InkVariant{"planes_tiles_converted", {.tiled = true, .planes = true}, false, true, true},
        InkVariant{
            "tiles_16_bits_converted", {.sixteenBits = true, .tiled = true}, false, true, true},
        InkVariant{"inverted_by_dot_range", {.inverted = true}},
        InkVariant{
            "inverted_planes_converted", {.planes = true, .inverted = true}, false, true, true},
        InkVariant{"alpha", {}, true},
        InkVariant{"alpha_planes_converted", {.planes = true}, true, true, true}),
    [](const auto &info) { return std::string(info.param.name); });

// A profile that cannot take the photo to sRGB leaves its colours and says why.
TEST(Formats, an_unusable_profile_is_named_in_the_status_of_the_thumbnail) {
    const struct {
        std::string profile;
        bool srgb;
        const char *note;
    } cases[] = {
        {kProfile, true, "the colour profile cannot be converted to sRGB"},
        {CmykPressProfile(), true, "the colour profile is not for the photo's colour space"},
        {kProfile, false, ""},
    };
    const Picture picture = PatternPicture(40, 30);
    const std::string plain = Thumb(EncodeTiff(picture)).bytes;
    for (const auto &c : cases) {
        TempFolder dir;
        WriteFile(dir.file("photo"), EncodeTiff(picture, {.iccProfile = c.profile}));
        ThumbnailRequest request{40, 30, true, clBlack, false, false, {}};
        request.srgb = c.srgb;
        std::string bytes;
        const ThumbnailStatus status =
            MakeThumbnailBytes(dir.file("photo"), bytes, request, nullptr);
        ASSERT_TRUE(status);
        EXPECT_EQ(status.message,
                  *c.note ? c.note + std::string(": the colours are left as stored") : "");
        EXPECT_EQ(bytes, plain);
    }
}

TEST(Formats, heif_embedded_thumbnail_serves_smooth_mode_only_when_twice_as_large) {
    const std::string heic = EncodeHeif(SolidPicture(256, 192, 20, 40, 230), false, {},
                                        SolidPicture(64, 48, 230, 20, 20));
    const ThumbnailExtras smooth{true, false, false};
    // 30 x 23 needs 60 x 46 covered: the 63 x 47 thumbnail does; 40 x 30 needs 80 x 60.
    const struct {
        ThumbnailExtras extras;
        int box;
        bool red;
    } cases[] = {{smooth, 30, true}, {smooth, 40, false}, {{}, 30, false}};
    for (const auto &c : cases) {
        const Made m = Thumb(heic, c.extras, c.box, c.box);
        ASSERT_TRUE(m.status) << m.status.message;
        const DecodedJpeg d = DecodeJpeg(m.bytes);
        const std::uint8_t *centre = d.picture.at(d.picture.width / 2, d.picture.height / 2);
        EXPECT_EQ(centre[0] > centre[2], c.red) << "box " << c.box;
    }
}

TEST(Formats, folders_take_photo_extensions_in_any_case) {
    for (const char *name : {"a.jpg", "b.JPEG", "c.jpe", "d.HeIc", "e.heif", "f.avif", "g.webp",
                             "h.PNG", "i.tif", "j.tiff"})
        EXPECT_TRUE(HasPhotoExtension(name)) << name;
    for (const char *name : {"a.gif", "jpg", "a.jpg.txt", "a.tiffx", "a."})
        EXPECT_FALSE(HasPhotoExtension(name)) << name;
}

// ---- hostile and damaged files ----------------------------------------------------------

std::string PngChunk(const char *type, const std::string &data) {
    std::string chunk;
    for (int shift = 24; shift >= 0; shift -= 8)
        chunk += char((data.size() >> shift) & 0xFF);
    chunk += type;
    chunk += data;
    const std::uint32_t crc = std::uint32_t(
        crc32(0, reinterpret_cast<const Bytef *>(chunk.data() + 4), uInt(chunk.size() - 4)));
    for (int shift = 24; shift >= 0; shift -= 8)
        chunk += char((crc >> shift) & 0xFF);
    return chunk;
}

// A PNG signature and a header announcing width x height of 8-bit RGB, and no pixels.
std::string PngHeaderOnly(std::uint32_t width, std::uint32_t height, bool interlaced) {
    std::string ihdr;
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            ihdr += char((v >> shift) & 0xFF);
    ihdr += std::string{8, 2, 0, 0, char(interlaced ? 1 : 0)};
    return std::string("\x89PNG\r\n\x1A\n", 8) + PngChunk("IHDR", ihdr) +
           PngChunk("IDAT", "\x78\x9C") + PngChunk("IEND", "");
}

// Every occurrence of a 32-bit big-endian box field pair after `tag` set to `value`.
std::string WithBoxSize(std::string bytes, const std::string &tag, std::uint32_t value) {
    for (std::size_t at = bytes.find(tag); at != std::string::npos; at = bytes.find(tag, at + 1))
        for (std::size_t field = at + 8; field < at + 16 && field + 4 <= bytes.size(); field += 4)
            for (int i = 0; i < 4; ++i)
                bytes[field + std::size_t(i)] = char((value >> (24 - 8 * i)) & 0xFF);
    return bytes;
}

// A lossless WebP whose header announces the largest size the format allows.
std::string WebPOfLargestSize() {
    std::string bytes = EncodeWebP(PatternPicture(16, 16));
    bytes[21] = bytes[22] = bytes[23] = char(0xFF);
    bytes[24] = char((bytes[24] & 0xF0) | 0x0F);
    return bytes;
}

// The TIFF (little-endian, as libtiff writes here) with the value of entry `tag` replaced,
// cut to what the entry's type holds.
std::string WithTiffEntry(std::string bytes, std::uint16_t tag, std::uint32_t value) {
    std::uint32_t ifd;
    std::memcpy(&ifd, bytes.data() + 4, 4);
    std::uint16_t count;
    std::memcpy(&count, bytes.data() + ifd, 2);
    for (std::uint16_t i = 0; i < count; ++i) {
        char *entry = bytes.data() + ifd + 2 + 12 * i;
        std::uint16_t entryTag, type;
        std::memcpy(&entryTag, entry, 2);
        std::memcpy(&type, entry + 2, 2);
        if (entryTag != tag)
            continue;
        const std::uint32_t fitted = type == 3 ? std::min<std::uint32_t>(value, 0xFFFF) : value;
        std::memcpy(entry + 8, &fitted, type == 3 ? 2 : 4);
    }
    return bytes;
}

// One strip announcing a huge picture.
std::string TiffOfHugeSize() {
    std::string bytes = EncodeTiff(PatternPicture(32, 32));
    for (std::uint16_t tag : {256, 257, 278})
        bytes = WithTiffEntry(bytes, tag, 4000000);
    return bytes;
}

std::string Cut(const std::string &bytes) {
    return bytes.substr(0, bytes.size() / 2);
}

// The second quarter of the file overwritten: the picture's data of a TIFF, whose directory
// libtiff writes at the end.
std::string Damaged(std::string bytes) {
    std::fill(bytes.begin() + long(bytes.size() / 4), bytes.begin() + long(bytes.size() / 2),
              '\xFF');
    return bytes;
}

struct Hostile {
    const char *name;
    std::string (*bytes)();
    ThumbnailError error;
    std::uint64_t memory = 64 << 20;
};

class HostileFiles : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileFiles, fail_with_their_cause_within_the_budget) {
    const Hostile &h = GetParam();
    const Made m = Thumb(h.bytes(), {}, 40, 30, false, clBlack, h.memory);
    EXPECT_EQ(m.status.error, h.error) << m.status.message;
    if (h.error == ThumbnailError::TooLarge) {
        EXPECT_GT(m.status.memoryNeeded, h.memory);
    } else if (h.error != ThumbnailError::None) {
        EXPECT_FALSE(m.status.message.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, HostileFiles,
    ::testing::Values(
        Hostile{"png_interlaced_announcing_a_terapixel",
                [] { return PngHeaderOnly(1000000, 1000000, true); }, ThumbnailError::TooLarge},
        Hostile{"png_without_pixels", [] { return PngHeaderOnly(1000000, 1000000, false); },
                ThumbnailError::NotDecodable},
        Hostile{"png_cut_short", [] { return Cut(EncodePng(PatternPicture(64, 64))); },
                ThumbnailError::NotDecodable},
        Hostile{"png_wide_rows_read_one_by_one_in_a_small_budget",
                [] { return EncodePng(PatternPicture(3000, 400)); }, ThumbnailError::None, 1 << 20},
        Hostile{"webp_of_the_largest_size", WebPOfLargestSize, ThumbnailError::TooLarge},
        Hostile{"webp_cut_short", [] { return Cut(EncodeWebP(PatternPicture(64, 64))); },
                ThumbnailError::NotDecodable},
        Hostile{"tiff_file_larger_than_the_budget_read_in_place",
                [] { return EncodeTiff(PatternPicture(3000, 1000)); }, ThumbnailError::None,
                1 << 20},
        Hostile{"tiff_of_a_huge_size", TiffOfHugeSize, ThumbnailError::TooLarge},
        Hostile{"tiff_cut_short", [] { return Cut(EncodeTiff(PatternPicture(64, 64))); },
                ThumbnailError::NotDecodable},
        Hostile{"tiff_cmyk_planes_damaged",
                [] {
                    return Damaged(
                        EncodeTiff(PatternPicture(64, 64, 4), {.cmyk = true, .planes = true}));
                },
                ThumbnailError::NotDecodable},
        Hostile{"tiff_cmyk_16_bit_tiles_damaged",
                [] {
                    return Damaged(EncodeTiff(PatternPicture(64, 64, 4),
                                              {.sixteenBits = true, .tiled = true, .cmyk = true}));
                },
                ThumbnailError::NotDecodable},
        Hostile{
            "heic_announcing_a_huge_size",
            [] { return WithBoxSize(EncodeHeif(PatternPicture(64, 64), false), "ispe", 30000); },
            ThumbnailError::TooLarge},
        Hostile{"heic_cut_short", [] { return Cut(EncodeHeif(PatternPicture(64, 64), false)); },
                ThumbnailError::NotDecodable},
        Hostile{"avif_cut_short", [] { return Cut(EncodeHeif(PatternPicture(64, 64), true)); },
                ThumbnailError::NotDecodable}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
