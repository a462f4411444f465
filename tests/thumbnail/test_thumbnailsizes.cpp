#include "uthumbnail.h"

#include "formatfixtures.h"
#include "jpegfixtures.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

// Designated initializers name only the options that matter to a case.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

struct SizesCase {
    const char *what;
    std::string photo;
    std::vector<ThumbnailBox> boxes;
    bool keepAspect, eraseEmpty;
    ThumbnailExtras extras = {};
    // Smooth boxes, from the first, that need less detail than the largest: drawn from its
    // decode, so alike to each alone but not the same bytes.
    std::size_t alike = 0;
};

// The mean difference of two thumbnails' samples, in levels; -1 when their sizes differ.
double MeanDifference(const std::string &a, const std::string &b) {
    const DecodedJpeg x = DecodeJpeg(a), y = DecodeJpeg(b);
    if (!x.ok || !y.ok || x.picture.width != y.picture.width ||
        x.picture.height != y.picture.height || x.picture.pixels.size() != y.picture.pixels.size())
        return -1;
    double sum = 0;
    for (std::size_t i = 0; i < x.picture.pixels.size(); ++i)
        sum += std::abs(int(x.picture.pixels[i]) - int(y.picture.pixels[i]));
    return sum / double(x.picture.pixels.size());
}

class ThumbnailSizes : public ::testing::TestWithParam<SizesCase> {};

// One reading of the photo for all boxes, each thumbnail the bytes of a run of its box alone
// (or, for a smooth one drawn from a larger decode, alike to them).
TEST_P(ThumbnailSizes, read_once_and_equal_to_each_size_alone) {
    const SizesCase &c = GetParam();
    TempFolder folder;
    const std::string photo = folder.file("p.jpg");
    WriteFile(photo, c.photo);
    int opened = 0;
    ThumbnailRequest request;
    request.keepAspect = c.keepAspect;
    request.fill = clTeal;
    request.eraseEmpty = c.eraseEmpty;
    request.extras = c.extras;
    std::vector<std::string> thumbnails;
    const std::vector<ThumbnailStatus> statuses = MakeThumbnailSizes(
        photo, request, c.boxes, thumbnails, nullptr, [&opened](const SharedReadFile &) {
            ++opened;
            return ThumbnailStatus{};
        });
    EXPECT_EQ(opened, 1) << c.what;
    ASSERT_EQ(thumbnails.size(), c.boxes.size());
    for (std::size_t i = 0; i < c.boxes.size(); ++i) {
        std::string alone;
        request.width = c.boxes[i].width;
        request.height = c.boxes[i].height;
        ASSERT_TRUE(MakeThumbnailBytes(photo, alone, request, nullptr));
        EXPECT_TRUE(statuses[i]) << c.what << " box " << i;
        if (i >= c.alike) {
            EXPECT_EQ(thumbnails[i], alone) << c.what << " box " << i;
            continue;
        }
        const double difference = MeanDifference(thumbnails[i], alone);
        EXPECT_TRUE(difference >= 0 && difference < 1.5)
            << c.what << " box " << i << ": " << difference;
    }
}

const std::vector<ThumbnailBox> kThree{{160, 180}, {320, 320}, {1024, 1024}};

INSTANTIATE_TEST_SUITE_P(
    Table, ThumbnailSizes,
    ::testing::Values(SizesCase{"baseline, padded", EncodeJpeg(PatternPicture(1200, 900)), kThree,
                                true, false},
                      SizesCase{"progressive, cropped",
                                EncodeJpeg(PatternPicture(700, 1100), {80, true}),
                                {{90, 90}, {33, 200}},
                                true,
                                true},
                      SizesCase{"grey, dithered, stretched",
                                EncodeJpeg(PatternPicture(640, 480, 1)),
                                {{50, 20}, {300, 301}},
                                false,
                                false},
                      SizesCase{"turned upright, only shrinking",
                                EncodeJpeg(PatternPicture(400, 300), {}, {6, true, ""}),
                                kThree,
                                true,
                                false,
                                {.upright = true, .onlyShrink = true}},
                      SizesCase{"smooth, the smaller from the larger's decode",
                                EncodeJpeg(PatternPicture(800, 600)),
                                {{64, 64}, {200, 150}},
                                true,
                                false,
                                {.smooth = true},
                                1},
                      SizesCase{"smooth, three scales, turned upright",
                                EncodeJpeg(PatternPicture(1200, 900), {}, {6, true, ""}),
                                {{40, 40}, {100, 100}, {300, 300}},
                                true,
                                true,
                                {.smooth = true, .upright = true},
                                2},
                      SizesCase{"smooth, grey, one scale: the eighth-size DC scan",
                                EncodeJpeg(PatternPicture(1600, 1200, 1)),
                                {{50, 40}, {66, 50}, {40, 30}},
                                false,
                                false,
                                {.smooth = true}},
                      SizesCase{"smooth, data ending early, one scale",
                                EncodeJpeg(PatternPicture(1600, 1200)).substr(0, 30000),
                                {{60, 60}, {50, 40}},
                                true,
                                false,
                                {.smooth = true}},
                      SizesCase{"smooth, progressive at one scale",
                                EncodeJpeg(PatternPicture(1600, 1200), {80, true}),
                                {{60, 60}, {50, 40}},
                                true,
                                false,
                                {.smooth = true}},
                      SizesCase{"PNG, turned upright",
                                EncodePng(PatternPicture(900, 600), {.orientation = 6}),
                                kThree,
                                true,
                                false,
                                {.upright = true}},
                      SizesCase{"TIFF tiles, smooth",
                                EncodeTiff(PatternPicture(1200, 800), {.tiled = true}),
                                kThree,
                                true,
                                true,
                                {.smooth = true}},
                      SizesCase{"WebP with alpha over the fill, smooth",
                                EncodeWebP(PatternPicture(700, 500, 4)),
                                {{60, 60}, {300, 200}},
                                true,
                                false,
                                {.smooth = true}}));
