#include "formatfixtures.h"
#include "jpegcodec.h"
#include "previewdecode.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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
        EXPECT_EQ(EighthsCovering(c.source.width, c.source.height, shown.width, shown.height),
                  c.eighths)
            << c.source.width << "x" << c.source.height;
    }
}

namespace {

std::string Heic(const Picture &picture, const FormatOptions &options) {
    return EncodeHeif(picture, false, options);
}

} // namespace

// Red left half, blue right half: averaging across the border, or a wrong turn, would show.
TEST(PreviewDecode, every_kind_of_photo_comes_out_at_the_shown_size_upright_when_asked) {
    TempFolder dir;
    enum Side { Left, Right, Top, Bottom };
    const struct {
        const char *name;
        int width, height;
        JpegOptions options;
        int orientation;
        bool upright;
        PixelSize shown;
        Side red;
        std::string (*encode)(const Picture &, const FormatOptions &) = nullptr; // else JPEG
    } cases[] = {
        {"baseline 4:2:0", 640, 320, {}, 0, false, {64, 32}, Left},
        {"progressive", 640, 320, {90, true}, 0, false, {64, 32}, Left},
        {"4:4:4 with restarts", 640, 320, {90, false, Sampling::S444, 1}, 0, false, {64, 32}, Left},
        {"not scaled, tag not asked for", 64, 32, {95}, 6, false, {64, 32}, Left},
        {"turned 180", 64, 32, {95}, 3, true, {64, 32}, Right},
        {"turned 90", 64, 32, {95}, 6, true, {32, 64}, Top},
        {"turned 270", 64, 32, {95}, 8, true, {32, 64}, Bottom},
        {"png turned 90", 64, 32, {}, 6, true, {32, 64}, Top, EncodePng},
        {"tiff", 640, 320, {}, 0, false, {64, 32}, Left, EncodeTiff},
        {"webp", 640, 320, {}, 0, false, {64, 32}, Left, EncodeWebP},
        {"heic", 640, 320, {}, 0, false, {64, 32}, Left, Heic},
    };
    const std::uint8_t colours[4][3] = {{220, 30, 30}, {30, 30, 220}, {220, 30, 30}, {30, 30, 220}};
    const std::uint8_t *red = colours[0], *blue = colours[1];
    for (const auto &c : cases) {
        const std::string path = dir.file(std::string(c.name) + ".jpg");
        const Picture picture = QuartersPicture(c.width, c.height, colours);
        FormatOptions options;
        options.orientation = c.orientation;
        WriteFile(path, c.encode ? c.encode(picture, options)
                                 : EncodeJpeg(picture, c.options, {c.orientation, true, {}}));
        const auto preview = DecodePreview(path, {64, 64}, c.upright);
        ASSERT_TRUE(preview) << c.name;
        ASSERT_EQ(preview->size, c.shown) << c.name;
        const bool turned = c.shown.height > c.shown.width;
        EXPECT_EQ(preview->source,
                  (PixelSize{turned ? c.height : c.width, turned ? c.width : c.height}));
        const bool across = c.red == Left || c.red == Right;
        const int half = (across ? c.shown.width : c.shown.height) / 2;
        int wrong = 0;
        for (int y = 0; y < c.shown.height; ++y)
            for (int x = 0; x < c.shown.width; ++x) {
                const int along = across ? x : y;
                if (along == half - 1 || along == half)
                    continue; // the border pixels may blend
                const std::uint8_t *want =
                    (along < half) == (c.red == Left || c.red == Top) ? red : blue;
                const std::uint8_t *px = &preview->rgb[std::size_t(y * c.shown.width + x) * 3];
                for (int k = 0; k < 3; ++k)
                    wrong += std::abs(px[k] - want[k]) > 12;
            }
        EXPECT_EQ(wrong, 0) << c.name;
    }
}

// A cut baseline file and files that are no JPEG are covered by the window's preview test.
TEST(PreviewDecode, unreadable_and_damaged_files_give_nothing) {
    TempFolder dir;
    const std::string progressive = EncodeJpeg(PatternPicture(256, 256), {85, true});
    WriteFile(dir.file("cut.jpg"), progressive.substr(0, progressive.size() * 2 / 3));
    ASSERT_EQ(mkfifo(dir.file("fifo.jpg").c_str(), 0600), 0);
    for (const char *name : {"cut.jpg", "missing.jpg", "fifo.jpg"})
        EXPECT_FALSE(DecodePreview(dir.file(name), {72, 127})) << name;
}
