#include "exiforientation.h"
#include "geometry.h"
#include "jpegfixtures.h"
#include "smoothscale.h"
#include "uthumbnail.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// The thumbnail's bytes, empty when the engine fails.
std::string Thumb(const std::string &source, int w, int h, bool keep, bool erase,
                  const ThumbnailExtras &extras, TColor fill = clNavy) {
    std::istringstream in(source);
    std::ostringstream out;
    const bool ok = CreateThumbnailStream(in, out, w, h, keep, fill, false, erase, extras);
    return ok ? out.str() : std::string();
}

struct Rgb {
    int r, g, b;
};

::testing::AssertionResult Near(const DecodedJpeg &d, int x, int y, Rgb want, int tolerance) {
    const std::uint8_t *p = d.picture.at(x, y);
    if (std::abs(p[0] - want.r) <= tolerance && std::abs(p[1] - want.g) <= tolerance &&
        std::abs(p[2] - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << x << "," << y << ") is " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
}

Picture Quarters(int width, int height, const Rgb (&colour)[4]) {
    Picture p{width, height, 3, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb &c = colour[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
            std::uint8_t *t = p.pixels.data() + (std::size_t(y) * width + x) * 3;
            t[0] = std::uint8_t(c.r), t[1] = std::uint8_t(c.g), t[2] = std::uint8_t(c.b);
        }
    return p;
}

// Upright: transpose, then mirror left-right, then top-bottom.
Picture Turned(const Picture &p, bool transpose, bool mirrorX, bool mirrorY) {
    Picture t{transpose ? p.height : p.width, transpose ? p.width : p.height, 3, {}};
    t.pixels.resize(p.pixels.size());
    for (int y = 0; y < t.height; ++y)
        for (int x = 0; x < t.width; ++x) {
            int u = mirrorX ? t.width - 1 - x : x, v = mirrorY ? t.height - 1 - y : y;
            if (transpose)
                std::swap(u, v);
            std::copy_n(p.at(u, v), 3, t.pixels.data() + (std::size_t(y) * t.width + x) * 3);
        }
    return t;
}

struct Turn {
    int orientation;
    bool transpose, mirrorX, mirrorY;
    int corners[4]; // stored quarters 0 1 / 2 3 seen upright at TL, TR, BL, BR
} const kTurns[] = {
    {1, false, false, false, {0, 1, 2, 3}}, {2, false, true, false, {1, 0, 3, 2}},
    {3, false, true, true, {3, 2, 1, 0}},   {4, false, false, true, {2, 3, 0, 1}},
    {5, true, false, false, {0, 2, 1, 3}},  {6, true, true, false, {2, 0, 3, 1}},
    {7, true, true, true, {3, 1, 2, 0}},    {8, true, false, true, {1, 3, 0, 2}},
};

TEST(Upright, every_orientation_in_both_scalings) {
    const Rgb quarter[4] = {{230, 20, 20}, {20, 200, 20}, {20, 20, 230}, {240, 240, 240}};
    const Picture detail = PatternPicture(61, 37, 3, 5);
    for (const Turn &t : kTurns) {
        JpegMetadata tag;
        tag.exifOrientation = t.orientation;
        tag.exifBigEndian = t.orientation % 2 == 0; // both byte orders
        const Picture plain = Quarters(96, 48, quarter);
        const std::string quarters = EncodeJpeg(plain, {95, false, Sampling::S444}, tag);
        std::istringstream header(quarters);
        EXPECT_EQ(ReadJpegOrientation(header), Orientation(t.orientation));
        for (bool smooth : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "orientation " << t.orientation << " smooth " << smooth);
            const DecodedJpeg d =
                DecodeJpeg(Thumb(quarters, 40, 40, true, true, {smooth, true, false}));
            EXPECT_FALSE(d.hasExif);
            ASSERT_EQ(d.picture.width, t.transpose ? 20 : 40);
            ASSERT_EQ(d.picture.height, t.transpose ? 40 : 20);
            const int w = d.picture.width, h = d.picture.height;
            const int at[4][2] = {{2, 2}, {w - 3, 2}, {2, h - 3}, {w - 3, h - 3}};
            for (int c = 0; c < 4; ++c)
                EXPECT_TRUE(Near(d, at[c][0], at[c][1], quarter[t.corners[c]], 16)) << c;
            EXPECT_EQ(Thumb(quarters, 40, 40, true, true, {smooth, false, false}),
                      Thumb(EncodeJpeg(plain, {95, false, Sampling::S444}), 40, 40, true, true,
                            {smooth, false, false})); // not asked: the tag changes nothing
        }
        // Exact: the very thumbnail of the turned pixels.
        for (bool progressive : {false, true}) {
            const std::string src = EncodeJpeg(detail, {85, progressive}, tag);
            const Picture upright =
                Turned(DecodeJpeg(src).picture, t.transpose, t.mirrorX, t.mirrorY);
            for (auto box : {std::pair{160, 180}, {7, 30}, {200, 13}})
                for (int mode = 0; mode < 3; ++mode) {
                    const ReferenceResult want = ReferenceThumbnailOf(
                        upright, progressive, box.first, box.second, mode != 0, clNavy, mode == 2);
                    const std::string got = Thumb(src, box.first, box.second, mode != 0, mode == 2,
                                                  {false, true, false});
                    ASSERT_TRUE(!got.empty() && want.ok);
                    EXPECT_TRUE(got == want.bytes) << t.orientation << " " << box.first << "x"
                                                   << box.second << " mode " << mode;
                }
        }
    }
}

TEST(Upright, missing_or_damaged_tags_leave_the_photo_as_stored) {
    const std::string exif = ExifBlock(6, true);
    const std::size_t entry = 6 + 8 + 2 + 12; // the orientation entry
    std::string wrongType = exif, notTiff = exif, farDirectory = exif;
    wrongType[entry + 3] = 4;   // a long, not a short
    notTiff[6 + 3] = 43;        // the TIFF header's 42
    farDirectory[6 + 4] = 0x7F; // the first directory beyond the block
    for (const std::string &b : {wrongType, notTiff, farDirectory, exif.substr(0, entry + 6),
                                 ExifBlock(9, false), ExifBlock(0, true), "Exif" + exif})
        EXPECT_EQ(ExifOrientation({reinterpret_cast<const std::uint8_t *>(b.data()), b.size()}),
                  Orientation::Normal);
    std::istringstream notJpeg("GIF89a"),
        cut(EncodeJpeg(SolidPicture(8, 8, 1, 2, 3)).substr(0, 30));
    EXPECT_EQ(ReadJpegOrientation(notJpeg), Orientation::Normal);
    EXPECT_EQ(ReadJpegOrientation(cut), Orientation::Normal);
}

TEST(Profile, copied_whole_only_when_asked) {
    std::string large(200000, '\0'); // spans four markers
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = char(i * 7 + i / 251);
    for (const std::string &profile : {std::string(), large.substr(0, 3000), large})
        for (bool smooth : {false, true}) {
            JpegMetadata metadata;
            metadata.iccProfile = profile;
            for (bool progressive : {false, true}) {
                const std::string src =
                    EncodeJpeg(PatternPicture(50, 40), {85, progressive}, metadata);
                const std::string kept = Thumb(src, 20, 20, true, false, {smooth, false, true});
                const std::string dropped = Thumb(src, 20, 20, true, false, {smooth, false, false});
                ASSERT_FALSE(kept.empty() || dropped.empty());
                const DecodedJpeg k = DecodeJpeg(kept);
                EXPECT_TRUE(k.iccProfile == profile) << profile.size() << " bytes";
                const DecodedJpeg d = DecodeJpeg(dropped);
                EXPECT_TRUE(d.iccProfile.empty());
                EXPECT_EQ(k.picture.pixels, d.picture.pixels);
            }
        }
}

TEST(Smooth, same_geometry_as_exact_with_full_chroma) {
    struct Case {
        int srcW, srcH, boxW, boxH;
    } const cases[] = {{800, 600, 100, 100},
                       {600, 800, 160, 180},
                       {120, 90, 300, 200},
                       {4000, 30, 10, 10},
                       {33, 17, 1, 1}};
    for (const Case &c : cases)
        for (bool progressive : {false, true}) {
            const std::string src =
                EncodeJpeg(SolidPicture(c.srcW, c.srcH, 250, 200, 40), {90, progressive});
            for (int mode = 0; mode < 3; ++mode) {
                SCOPED_TRACE(testing::Message() << c.srcW << "x" << c.srcH << " into " << c.boxW
                                                << "x" << c.boxH << " mode " << mode);
                const std::string exact = Thumb(src, c.boxW, c.boxH, mode != 0, mode == 2, {});
                const std::string smooth =
                    Thumb(src, c.boxW, c.boxH, mode != 0, mode == 2, {true, false, false});
                ASSERT_EQ(smooth.empty(), exact.empty());
                if (exact.empty())
                    continue;
                const DecodedJpeg e = DecodeJpeg(exact), s = DecodeJpeg(smooth);
                ASSERT_EQ(s.picture.width, e.picture.width);
                ASSERT_EQ(s.picture.height, e.picture.height);
                EXPECT_EQ(s.progressive, progressive);
                EXPECT_FALSE(s.subsampledChroma);
                // Fill and picture where the exact geometry puts them, away from the blur.
                const ThumbnailGeometry g =
                    ComputeGeometry(c.srcW, c.srcH, c.boxW, c.boxH, ModeOf(mode != 0, mode == 2));
                for (int y = 0; y < s.picture.height; ++y)
                    for (int x = 0; x < s.picture.width; ++x) {
                        const auto inside = [&](int margin) {
                            return x >= g.x + margin && x < g.x + g.width - margin &&
                                   y >= g.y + margin && y < g.y + g.height - margin;
                        };
                        if (inside(2)) {
                            EXPECT_TRUE(Near(s, x, y, {250, 200, 40}, 8));
                        } else if (!inside(-2)) {
                            EXPECT_TRUE(Near(s, x, y, {0, 0, 128}, 8));
                        }
                    }
            }
        }
}

TEST(Smooth, fine_texture_averages_instead_of_aliasing) {
    Picture lines{600, 400, 3, std::vector<std::uint8_t>(600 * 400 * 3)};
    for (int y = 0; y < 400; ++y)
        std::fill_n(lines.pixels.data() + std::size_t(y) * 600 * 3, 600 * 3, y % 2 ? 255 : 0);
    const std::string src = EncodeJpeg(lines, {100, false, Sampling::S444});
    const DecodedJpeg s = DecodeJpeg(Thumb(src, 60, 60, true, true, {true, false, false}));
    ASSERT_EQ(s.picture.height, 40);
    for (int y = 4; y < 36; y += 5)
        EXPECT_TRUE(Near(s, 30, y, {128, 128, 128}, 12));
}

TEST(Smooth, decodes_at_the_smallest_eighth_keeping_twice_the_size) {
    struct Case {
        int width, height, outW, outH, eighths;
    } const cases[] = {
        {6000, 4000, 160, 107, 1}, {1000, 1000, 180, 180, 3}, {640, 480, 160, 120, 4},
        {638, 480, 160, 120, 5},   {300, 200, 160, 107, 8},   {100, 100, 400, 400, 8},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SmoothDecodeEighths(c.width, c.height, c.outW, c.outH), c.eighths)
            << c.width << "x" << c.height << " to " << c.outW << "x" << c.outH;
}

} // namespace
