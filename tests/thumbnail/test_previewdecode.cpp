#include "jpegfixtures.h"
#include "previewdecode.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Red left half, blue right half: averaging across the border would show.
Picture TwoHalves(int width, int height) {
    Picture p = SolidPicture(width, height, 220, 30, 30);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            std::swap(p.pixels[(std::size_t(y) * width + x) * 3],
                      p.pixels[(std::size_t(y) * width + x) * 3 + 2]);
    return p;
}

bool Near(const std::uint8_t *px, int r, int g, int b, int tolerance = 12) {
    return std::abs(px[0] - r) <= tolerance && std::abs(px[1] - g) <= tolerance &&
           std::abs(px[2] - b) <= tolerance;
}

} // namespace

TEST(PreviewSize, fit_and_scale_for_the_box) {
    struct Case {
        PixelSize source, box, shown;
        int eighths;
    } cases[] = {
        {{8256, 5504}, {72, 127}, {72, 48}, 1},  // a 45 MP photo in the main window's box
        {{300, 200}, {72, 127}, {72, 48}, 2},    // 1/8 would be 38 wide
        {{640, 480}, {640, 480}, {640, 480}, 8}, // exactly the box: decoded whole
        {{50, 40}, {72, 127}, {50, 40}, 8},      // never enlarged
        {{10000, 10}, {72, 127}, {72, 1}, 1},    // a sliver keeps one row
        {{100, 4000}, {72, 127}, {3, 127}, 1},   // tall: the height decides
    };
    for (const Case &c : cases) {
        const PixelSize shown = FitInBox(c.source, c.box);
        EXPECT_EQ(shown, c.shown) << c.source.width << "x" << c.source.height;
        EXPECT_EQ(PreviewScaleEighths(c.source, shown), c.eighths)
            << c.source.width << "x" << c.source.height;
    }
}

TEST(PreviewDecode, every_kind_of_jpeg_comes_out_at_the_shown_size_in_its_colours) {
    TempFolder dir;
    struct Case {
        const char *name;
        Picture picture;
        JpegOptions options;
    } cases[] = {
        {"baseline 4:2:0", TwoHalves(640, 320), {}},
        {"progressive", TwoHalves(640, 320), {90, true}},
        {"4:4:4 with restarts", TwoHalves(640, 320), {90, false, Sampling::S444, 1}},
        {"not scaled", TwoHalves(64, 32), {95}},
    };
    for (const Case &c : cases) {
        const std::string path = dir.file(std::string(c.name) + ".jpg");
        WriteFile(path, EncodeJpeg(c.picture, c.options));
        const auto preview = DecodePreview(path, {64, 64});
        ASSERT_TRUE(preview) << c.name;
        EXPECT_EQ(preview->source, (PixelSize{c.picture.width, c.picture.height})) << c.name;
        ASSERT_EQ(preview->size, (PixelSize{64, 32})) << c.name;
        ASSERT_EQ(preview->rgb.size(), 64u * 32 * 3) << c.name;
        for (int y : {0, 31})
            for (int x : {0, 30, 33, 63})
                EXPECT_TRUE(
                    Near(&preview->rgb[(y * 64 + x) * 3], x < 32 ? 220 : 30, 30, x < 32 ? 30 : 220))
                    << c.name << " " << x << "," << y;
    }
}

TEST(PreviewDecode, unreadable_and_damaged_files_give_nothing) {
    TempFolder dir;
    const std::string whole = EncodeJpeg(PatternPicture(256, 256), {});
    const std::string progressive = EncodeJpeg(PatternPicture(256, 256), {85, true});
    ASSERT_EQ(mkfifo(dir.file("fifo.jpg").c_str(), 0600), 0);
    struct Case {
        const char *name;
        std::string bytes; // not written when empty
    } cases[] = {
        {"truncated", whole.substr(0, whole.size() / 2)},
        {"truncated progressive", progressive.substr(0, progressive.size() * 2 / 3)},
        {"not a jpeg", "not a picture at all"},
        {"missing", ""},
        {"fifo", ""},
    };
    for (const Case &c : cases) {
        const std::string path = dir.file(std::string(c.name) + ".jpg");
        if (!c.bytes.empty())
            WriteFile(path, c.bytes);
        EXPECT_FALSE(DecodePreview(path, {72, 127})) << c.name;
    }
}

TEST(PreviewDecode, upright_turns_the_picture_as_its_exif_orientation_asks) {
    TempFolder dir;
    struct Case {
        int orientation;
        bool upright;
        PixelSize size;
        bool redFirst; // red at the top-left corner, blue at the bottom-right one
    } cases[] = {
        {6, false, {64, 32}, true},
        {3, true, {64, 32}, false},
        {6, true, {32, 64}, true},
        {8, true, {32, 64}, false},
    };
    for (const Case &c : cases) {
        const std::string path = dir.file("turned" + std::to_string(c.orientation) + ".jpg");
        JpegMetadata exif;
        exif.exifOrientation = c.orientation;
        WriteFile(path, EncodeJpeg(TwoHalves(64, 32), {95}, exif));
        const auto preview = DecodePreview(path, {100, 100}, c.upright);
        ASSERT_TRUE(preview) << c.orientation;
        ASSERT_EQ(preview->size, c.size) << c.orientation << " " << c.upright;
        EXPECT_EQ(preview->source, c.size);
        const std::uint8_t *first = &preview->rgb[0], *last = &*(preview->rgb.end() - 3);
        EXPECT_TRUE(Near(c.redFirst ? first : last, 220, 30, 30)) << c.orientation;
        EXPECT_TRUE(Near(c.redFirst ? last : first, 30, 30, 220)) << c.orientation;
    }
}
