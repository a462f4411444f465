// Properties of the reduction filter on plain RGB rows, over a table of geometries: reducing
// hard, barely, enlarging, one row, and producing only part of the output.
#include "smoothscale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

struct Geometry {
    int inW, inH, outW, outH;
    int firstX, endX, firstY, endY; // the produced part
};

const Geometry kGeometries[] = {
    {600, 400, 60, 40, 0, 60, 0, 40},     {750, 500, 160, 107, 0, 160, 0, 107},
    {331, 217, 300, 200, 0, 300, 0, 200}, {37, 23, 160, 120, 0, 160, 0, 120},
    {1000, 3, 7, 1, 0, 7, 0, 1},          {750, 500, 200, 133, 20, 150, 10, 90},
};

// Output pixels (RGB, produced part only, row after row) of `input`, an inW x inH RGB picture.
std::vector<std::uint8_t> Reduce(const Geometry &g, const std::vector<std::uint8_t> &input) {
    SmoothScaler scaler({g.inW, double(g.inW), g.outW, g.firstX, g.endX},
                        {g.inH, double(g.inH), g.outH, g.firstY, g.endY});
    std::vector<std::uint8_t> out;
    for (int y = g.firstY; y < g.endY; ++y) {
        const std::uint8_t *row = scaler.row(
            y, [&](int n) { return input.data() + std::size_t(n) * std::size_t(g.inW) * 3; });
        out.insert(out.end(), row, row + std::size_t(g.endX - g.firstX) * 3);
    }
    return out;
}

TEST(SmoothFilter, constant_picture_keeps_its_value) {
    for (const Geometry &g : kGeometries) {
        std::vector<std::uint8_t> input(std::size_t(g.inW) * std::size_t(g.inH) * 3);
        for (std::size_t i = 0; i < input.size(); i += 3) {
            input[i] = 12;
            input[i + 1] = 130;
            input[i + 2] = 251;
        }
        const std::vector<std::uint8_t> out = Reduce(g, input);
        for (std::size_t i = 0; i < out.size(); i += 3)
            ASSERT_TRUE(out[i] == 12 && out[i + 1] == 130 && out[i + 2] == 251)
                << g.inW << "x" << g.inH << " to " << g.outW << "x" << g.outH << " at " << i / 3;
    }
}

// A vertical edge from 60 to 190 halfway across: the flat sides stay flat beyond the kernel's
// reach, and the ringing at the edge stays within an eighth of the step.
TEST(SmoothFilter, step_stays_flat_away_from_the_edge_and_overshoots_little) {
    for (const Geometry &g : kGeometries) {
        std::vector<std::uint8_t> input(std::size_t(g.inW) * std::size_t(g.inH) * 3);
        for (int y = 0; y < g.inH; ++y)
            for (int x = 0; x < g.inW; ++x)
                std::fill_n(input.data() +
                                (std::size_t(y) * std::size_t(g.inW) + std::size_t(x)) * 3,
                            3, x < g.inW / 2 ? 60 : 190);
        const std::vector<std::uint8_t> out = Reduce(g, input);
        const double scale = double(g.inW) / g.outW;
        const double reach = 3 * std::max(scale, 1.0) / scale + 1; // in output pixels
        const double edge = g.outW / 2.0;
        const int width = g.endX - g.firstX;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double x = g.firstX + int(i / 3 % std::size_t(width)) + 0.5;
            const std::string where = std::to_string(g.inW) + " to " + std::to_string(g.outW) +
                                      " at x " + std::to_string(x);
            if (x < edge - reach)
                ASSERT_EQ(out[i], 60) << where;
            else if (x > edge + reach)
                ASSERT_EQ(out[i], 190) << where;
            else
                ASSERT_TRUE(out[i] >= 60 - 16 && out[i] <= 190 + 16)
                    << where << ": " << int(out[i]);
        }
    }
}

} // namespace
