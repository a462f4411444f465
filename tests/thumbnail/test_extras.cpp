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
                  const ThumbnailExtras &extras) {
    std::istringstream in(source);
    std::ostringstream out;
    const bool ok = bool(MakeThumbnailStream(in, out, {w, h, keep, clNavy, false, erase, extras}));
    return ok ? out.str() : std::string();
}

// The picture as seen upright for an EXIF orientation: transposed for 5 to 8, then mirrored.
Picture Turned(const Picture &p, int orientation) {
    const bool transpose = orientation >= 5;
    const bool mirrorX = orientation % 4 == 2 || orientation % 4 == 3; // 2, 3, 6, 7
    const bool mirrorY = orientation % 4 == 3 || orientation % 4 == 0; // 3, 4, 7, 8
    Picture t{transpose ? p.height : p.width, transpose ? p.width : p.height, 3, {}};
    for (int y = 0; y < t.height; ++y)
        for (int x = 0; x < t.width; ++x) {
            int u = mirrorX ? t.width - 1 - x : x, v = mirrorY ? t.height - 1 - y : y;
            if (transpose)
                std::swap(u, v);
            t.pixels.insert(t.pixels.end(), p.at(u, v), p.at(u, v) + 3);
        }
    return t;
}

TEST(Upright, every_orientation_in_both_scalings) {
    const JpegOptions solid{95, false, Sampling::S444};
    const Picture quarters =
        QuartersPicture(96, 48, {{230, 20, 20}, {20, 200, 20}, {20, 20, 230}, {240, 240, 240}});
    const Picture detail = PatternPicture(61, 37, 3, 5);
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(testing::Message() << "orientation " << o);
        const JpegMetadata tag{o, o % 2 == 0, {}}; // both byte orders
        // Smooth: as the turned pixels would give (solid 8x8 blocks survive JPEG unchanged),
        // with no tag left in the thumbnail.
        const DecodedJpeg got = DecodeJpeg(
            Thumb(EncodeJpeg(quarters, solid, tag), 40, 40, true, true, {true, true, false}));
        const DecodedJpeg want = DecodeJpeg(Thumb(EncodeJpeg(Turned(quarters, o), solid), 40, 40,
                                                  true, true, {true, false, false}));
        EXPECT_FALSE(got.hasExif);
        ASSERT_EQ(got.picture.width, want.picture.width);
        ASSERT_EQ(got.picture.height, want.picture.height);
        for (std::size_t i = 0; i < want.picture.pixels.size(); ++i)
            ASSERT_NEAR(got.picture.pixels.at(i), want.picture.pixels[i], 8) << i;
        // Exact: the very thumbnail of the turned pixels; not asked, of the stored ones.
        const bool progressive = o % 4 < 2;
        const std::string src = EncodeJpeg(detail, {85, progressive}, tag);
        const Picture upright = Turned(DecodeJpeg(src).picture, o);
        for (auto [w, h] : {std::pair{160, 180}, {7, 30}, {200, 13}})
            for (int mode = 0; mode < 3; ++mode) {
                SCOPED_TRACE(testing::Message() << w << "x" << h << " mode " << mode);
                const bool keep = mode != 0, erase = mode == 2;
                EXPECT_TRUE(
                    Thumb(src, w, h, keep, erase, {false, true, false}) ==
                    ReferenceThumbnailOf(upright, progressive, w, h, keep, clNavy, erase).bytes);
                EXPECT_TRUE(Thumb(src, w, h, keep, erase, {}) ==
                            ReferenceThumbnail(src, w, h, keep, clNavy, erase).bytes);
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
}

TEST(Profile, copied_whole_only_when_asked) {
    const std::vector<std::uint8_t> noise = PatternPicture(400, 200).pixels;
    const std::string large(noise.begin(), noise.end()); // spans four markers
    for (const std::string &profile : {std::string(), large.substr(0, 3000), large}) {
        const std::string src = EncodeJpeg(PatternPicture(50, 40), {}, {0, true, profile});
        const DecodedJpeg kept = DecodeJpeg(Thumb(src, 20, 20, true, false, {false, false, true}));
        const DecodedJpeg dropped = DecodeJpeg(Thumb(src, 20, 20, true, false, {}));
        ASSERT_TRUE(kept.ok && dropped.ok);
        EXPECT_TRUE(kept.iccProfile == profile) << profile.size() << " bytes";
        EXPECT_TRUE(dropped.iccProfile.empty());
        EXPECT_EQ(kept.picture.pixels, dropped.picture.pixels);
    }
}

TEST(Smooth, same_geometry_as_exact_with_full_chroma) {
    const std::uint8_t paint[3] = {250, 200, 40}, navy[3] = {0, 0, 128};
    const struct {
        int srcW, srcH, boxW, boxH;
        bool progressive;
    } cases[] = {{800, 600, 100, 100, true}, // reduced
                 {120, 90, 300, 200, false}, // enlarged
                 {4000, 30, 10, 10, true},   // a sliver: no canvas without the fill
                 {33, 17, 1, 1, false}};
    for (const auto &c : cases) {
        const std::string src = EncodeJpeg(
            SolidPicture(c.srcW, c.srcH, paint[0], paint[1], paint[2]), {90, c.progressive});
        for (int mode = 0; mode < 3; ++mode) {
            SCOPED_TRACE(testing::Message() << c.srcW << "x" << c.srcH << " into " << c.boxW << "x"
                                            << c.boxH << " mode " << mode);
            const ThumbnailGeometry g =
                ComputeGeometry(c.srcW, c.srcH, c.boxW, c.boxH, ModeOf(mode != 0, mode == 2));
            const DecodedJpeg s =
                DecodeJpeg(Thumb(src, c.boxW, c.boxH, mode != 0, mode == 2, {true, false, false}));
            ASSERT_EQ(s.ok, g.canvasWidth * g.canvasHeight > 0); // as in exact: no empty canvas
            if (!s.ok)
                continue;
            ASSERT_EQ(s.picture.width, g.canvasWidth);
            ASSERT_EQ(s.picture.height, g.canvasHeight);
            EXPECT_EQ(s.progressive, c.progressive);
            EXPECT_FALSE(s.subsampledChroma);
            // Fill and picture where the exact geometry puts them.
            for (int y = 0; y < s.picture.height; ++y)
                for (int x = 0; x < s.picture.width; ++x) {
                    const auto inside = [&](int margin) {
                        return x >= g.x + margin && x < g.x + g.width - margin &&
                               y >= g.y + margin && y < g.y + g.height - margin;
                    };
                    if (inside(-2) && !inside(2))
                        continue; // the blur at the picture's edge
                    for (int k = 0; k < 3; ++k)
                        EXPECT_NEAR(s.picture.at(x, y)[k], (inside(2) ? paint : navy)[k], 8)
                            << x << "," << y;
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
        EXPECT_NEAR(s.picture.at(30, y)[0], 128, 12) << y; // grey: one channel tells
}

TEST(Smooth, decodes_at_the_smallest_eighth_keeping_three_times_the_size) {
    const struct {
        int width, height, outW, outH, eighths;
    } cases[] = {
        {6000, 4000, 160, 107, 1}, {1000, 1000, 180, 180, 5}, {640, 480, 160, 120, 6},
        {638, 480, 160, 120, 7},   {100, 100, 400, 400, 8},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SmoothDecodeEighths(c.width, c.height, c.outW, c.outH), c.eighths)
            << c.width << "x" << c.height << " to " << c.outW << "x" << c.outH;
}

} // namespace
