#include "geometry.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct GeometryCase {
    int srcW, srcH, boxW, boxH;
    ThumbnailGeometry padded;
    int croppedW, croppedH;
};

std::ostream &operator<<(std::ostream &os, const GeometryCase &c) {
    return os << c.srcW << "x" << c.srcH << " into " << c.boxW << "x" << c.boxH;
}

class WorkedExamples : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(WorkedExamples, padded_mode_places_the_picture_as_listed) {
    const GeometryCase &c = GetParam();
    EXPECT_EQ(ComputeGeometry(c.srcW, c.srcH, c.boxW, c.boxH, ThumbnailMode::Padded), c.padded);
}

TEST_P(WorkedExamples, cropped_mode_gives_the_listed_canvas_within_the_box) {
    const GeometryCase &c = GetParam();
    const ThumbnailGeometry g =
        ComputeGeometry(c.srcW, c.srcH, c.boxW, c.boxH, ThumbnailMode::Cropped);
    EXPECT_EQ(g, (ThumbnailGeometry{c.croppedW, c.croppedH, 0, 0, c.croppedW, c.croppedH}));
    EXPECT_LE(g.canvasWidth, c.boxW);
    EXPECT_LE(g.canvasHeight, c.boxH);
}

TEST_P(WorkedExamples, stretched_mode_fills_the_box) {
    const GeometryCase &c = GetParam();
    EXPECT_EQ(ComputeGeometry(c.srcW, c.srcH, c.boxW, c.boxH, ThumbnailMode::Stretched),
              (ThumbnailGeometry{c.boxW, c.boxH, 0, 0, c.boxW, c.boxH}));
}

// Canvas width, height; picture x, y, width, height.
INSTANTIATE_TEST_SUITE_P(
    Table, WorkedExamples,
    ::testing::Values(GeometryCase{800, 600, 100, 100, {100, 100, 0, 12, 100, 75}, 100, 75},
                      GeometryCase{600, 800, 100, 100, {100, 100, 12, 0, 75, 100}, 75, 100},
                      // 50 / 1.333... is 37.5000...02 in extended precision: 38
                      GeometryCase{640, 480, 50, 50, {50, 50, 0, 6, 50, 38}, 50, 38},
                      // exactly 2.5 goes to the even 2, exactly 3.5 to the even 4
                      GeometryCase{800, 400, 5, 5, {5, 5, 0, 1, 5, 2}, 5, 2},
                      GeometryCase{800, 400, 7, 7, {7, 7, 0, 1, 7, 4}, 7, 4},
                      GeometryCase{800, 600, 100, 200, {100, 200, 0, 62, 100, 75}, 100, 75},
                      // a difference of -50 halves to -25: rows cut off at both edges
                      GeometryCase{800, 600, 200, 100, {200, 100, 0, -25, 200, 150}, 133, 100},
                      GeometryCase{640, 480, 160, 180, {160, 180, 0, 30, 160, 120}, 160, 120},
                      GeometryCase{480, 640, 160, 180, {160, 180, 12, 0, 135, 180}, 135, 180},
                      GeometryCase{1000, 1000, 160, 180, {160, 180, -10, 0, 180, 180}, 160, 160},
                      GeometryCase{3000, 2000, 160, 180, {160, 180, 0, 36, 160, 107}, 160, 107},
                      GeometryCase{2000, 3000, 160, 180, {160, 180, 20, 0, 120, 180}, 120, 180},
                      GeometryCase{4000, 30, 10, 10, {10, 10, 0, 5, 10, 0}, 10, 0}));

TEST(Geometry, odd_differences_put_the_odd_pixel_on_the_far_side) {
    // 800 x 600 into 100 x 100: 25 spare rows give 12 above and 13 below.
    const ThumbnailGeometry g = ComputeGeometry(800, 600, 100, 100, ThumbnailMode::Padded);
    EXPECT_EQ(g.y, 12);
    EXPECT_EQ(g.canvasHeight - g.y - g.height, 13);
    // -51 halves toward zero to -25.
    EXPECT_EQ(ComputeGeometry(1000, 1000, 100, 151, ThumbnailMode::Padded).x, -25);
}

TEST(Geometry, cropped_output_never_exceeds_the_box) {
    const int sources[][2] = {{1, 1}, {1, 65500}, {65500, 1}, {3, 2}, {1999, 1001}, {4000, 30}};
    const int boxes[][2] = {{1, 1}, {7, 3}, {160, 180}, {200, 100}, {65535, 1}, {1, 1000}};
    for (auto &s : sources)
        for (auto &b : boxes) {
            const ThumbnailGeometry g =
                ComputeGeometry(s[0], s[1], b[0], b[1], ThumbnailMode::Cropped);
            EXPECT_LE(g.canvasWidth, b[0])
                << s[0] << "x" << s[1] << " into " << b[0] << "x" << b[1];
            EXPECT_LE(g.canvasHeight, b[1])
                << s[0] << "x" << s[1] << " into " << b[0] << "x" << b[1];
            EXPECT_GE(g.canvasWidth, 0);
            EXPECT_GE(g.canvasHeight, 0);
        }
}

TEST(Sampling, takes_the_source_pixel_under_each_centre) {
    // Halving: every other pixel, starting with the second.
    EXPECT_EQ(SampleIndex(0, 8, 4), 1u);
    EXPECT_EQ(SampleIndex(3, 8, 4), 7u);
    // Enlarging 1 to 5 repeats the single pixel.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(SampleIndex(i, 1, 5), 0u);
    // The last pixel of a large reduction stays inside the source.
    EXPECT_EQ(SampleIndex(159, 6000, 160), 5981u);
    EXPECT_LT(SampleIndex(65499, 65500, 65500), 65500u);
}

} // namespace

struct ShrinkCase {
    int srcW, srcH, boxW, boxH;
    ThumbnailMode mode;
    ThumbnailGeometry expected;
};

class OnlyShrink : public ::testing::TestWithParam<ShrinkCase> {};

TEST_P(OnlyShrink, never_draws_the_picture_larger_than_the_photo) {
    const ShrinkCase &c = GetParam();
    const ThumbnailGeometry g = ComputeGeometry(c.srcW, c.srcH, c.boxW, c.boxH, c.mode);
    EXPECT_EQ(WithoutEnlarging(g, c.srcW, c.srcH, c.mode), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OnlyShrink,
    ::testing::Values(
        // photos that fit: drawn at their own size
        ShrinkCase{100, 50, 160, 180, ThumbnailMode::Padded, {160, 180, 30, 65, 100, 50}},
        ShrinkCase{100, 50, 160, 180, ThumbnailMode::Cropped, {100, 50, 0, 0, 100, 50}},
        ShrinkCase{100, 50, 160, 180, ThumbnailMode::Stretched, {100, 50, 0, 0, 100, 50}},
        // wider than the box, shorter: the stretch still narrows it, keeps its height
        ShrinkCase{300, 50, 160, 180, ThumbnailMode::Stretched, {160, 50, 0, 0, 160, 50}},
        // the padded mode's landscape rule would widen 150 x 100 to 160 in a 160 x 50 box
        ShrinkCase{150, 100, 160, 50, ThumbnailMode::Padded, {160, 50, 5, -25, 150, 100}},
        // photos larger than the box: as ever
        ShrinkCase{800, 600, 100, 100, ThumbnailMode::Padded, {100, 100, 0, 12, 100, 75}},
        ShrinkCase{800, 600, 100, 100, ThumbnailMode::Cropped, {100, 75, 0, 0, 100, 75}}));
