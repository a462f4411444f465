#include "uthumbnail.h"

#include "jpegfixtures.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct SizesCase {
    const char *what;
    std::string photo;
    std::vector<ThumbnailBox> boxes;
    bool keepAspect, eraseEmpty;
    ThumbnailExtras extras = {};
};

class ThumbnailSizes : public ::testing::TestWithParam<SizesCase> {};

// One reading of the photo for all boxes, each thumbnail the bytes of a run of its box alone.
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
    EXPECT_EQ(opened, c.extras.smooth ? int(c.boxes.size()) : 1) << c.what;
    ASSERT_EQ(thumbnails.size(), c.boxes.size());
    for (std::size_t i = 0; i < c.boxes.size(); ++i) {
        std::string alone;
        request.width = c.boxes[i].width;
        request.height = c.boxes[i].height;
        ASSERT_TRUE(MakeThumbnailBytes(photo, alone, request, nullptr));
        EXPECT_TRUE(statuses[i]) << c.what << " box " << i;
        EXPECT_EQ(thumbnails[i], alone) << c.what << " box " << i;
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
                      SizesCase{"smooth: one reading per size",
                                EncodeJpeg(PatternPicture(800, 600)),
                                {{64, 64}, {200, 150}},
                                true,
                                false,
                                {.smooth = true}}));
