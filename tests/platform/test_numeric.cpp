#include "colors.h"
#include "numeric.h"

#include <gtest/gtest.h>

struct MulDivCase {
    int a, b, c, expected;
};

class MulDivTest : public ::testing::TestWithParam<MulDivCase> {};

TEST_P(MulDivTest, rounds_to_nearest_with_halves_away_from_zero) {
    const auto &t = GetParam();
    EXPECT_EQ(MulDiv(t.a, t.b, t.c), t.expected) << t.a << " * " << t.b << " / " << t.c;
}

INSTANTIATE_TEST_SUITE_P(Table, MulDivTest,
                         ::testing::Values(MulDivCase{1, 401, 255, 2},     // 1.57
                                           MulDivCase{128, 401, 255, 201}, // 201.29
                                           MulDivCase{1, 1, 2, 1},         // half up
                                           MulDivCase{-1, 1, 2, -1},       // half away from 0
                                           MulDivCase{-1, 403, 255, -2},   // band k = 0 start
                                           MulDivCase{255, 255, 255, 255},
                                           MulDivCase{5, 3, 0, -1},          // no divisor
                                           MulDivCase{0x7FFFFFFF, 4, 1, -1}, // overflow
                                           MulDivCase{0x40000000, 4, 2, -1},
                                           MulDivCase{0x40000000, 2, 4, 0x20000000}));

TEST(NearestInt, halves_go_to_the_even_neighbour) {
    EXPECT_EQ(NearestInt(2.5L), 2);
    EXPECT_EQ(NearestInt(3.5L), 4);
    EXPECT_EQ(NearestInt(-2.5L), -2);
    EXPECT_EQ(NearestInt(2.4999L), 2);
    EXPECT_EQ(NearestInt(-3.6L), -4);
}

TEST(Colors, plain_colours_keep_their_bytes_and_system_colours_resolve) {
    EXPECT_EQ(redOf(clRed), 255);
    EXPECT_EQ(blueOf(clNavy), 128);
    EXPECT_EQ(ResolveColor(0x12345678), 0x00345678);
    EXPECT_TRUE(isSystemColor(clBtnFace));
    EXPECT_GE(ResolveColor(clBtnFace), 0);
    EXPECT_EQ(ResolveColor(clWindow), clWhite);
    EXPECT_EQ(ResolveColor(clWindowText), clBlack);
}
