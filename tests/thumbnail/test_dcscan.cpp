// The eighth-size picture read from the DC coefficients against libjpeg's own 1/8 scaled
// decode of the same file: equal where libjpeg also uses the DC alone (full-rate components),
// close where it makes half-rate chroma from four coefficients.
#include "dcscan.h"
#include "jpegcodec.h"
#include "jpegfixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace {

// libjpeg's 1/8 decode as RGB rows.
Picture LibjpegEighth(const std::string &bytes) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
    jpeg_read_header(&d, TRUE);
    d.scale_num = 1;
    d.scale_denom = 8;
    jpeg_start_decompress(&d);
    Picture p{int(d.output_width), int(d.output_height), 3, {}};
    std::vector<std::uint8_t> row(std::size_t(d.output_width) * std::size_t(d.output_components));
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        for (std::size_t x = 0; x < d.output_width; ++x)
            for (int c = 0; c < 3; ++c)
                p.pixels.push_back(row[x * std::size_t(d.output_components) +
                                       std::size_t(d.output_components == 3 ? c : 0)]);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return p;
}

Picture DcEighth(const std::string &bytes) {
    std::istringstream in(bytes);
    JpegDecoder decoder(in);
    EXPECT_TRUE(decoder.readHeader());
    EXPECT_TRUE(DcScan::Suits(decoder));
    DcScan scan(decoder);
    Picture p{scan.width(), scan.height(), 3, {}};
    for (int y = 0; y < scan.height(); ++y) {
        const std::uint8_t *row = scan.row(y);
        p.pixels.insert(p.pixels.end(), row, row + std::size_t(scan.width()) * 3);
    }
    return p;
}

// The mean of each 8x8 block of the full decode: what an eighth-size picture stands for.
Picture BlockMeans(const std::string &bytes) {
    const DecodedJpeg full = DecodeJpeg(bytes);
    const Picture &f = full.picture;
    Picture p{(f.width + 7) / 8, (f.height + 7) / 8, 3, {}};
    for (int by = 0; by < p.height; ++by)
        for (int bx = 0; bx < p.width; ++bx)
            for (int c = 0; c < 3; ++c) {
                int sum = 0, n = 0;
                for (int y = by * 8; y < std::min(f.height, by * 8 + 8); ++y)
                    for (int x = bx * 8; x < std::min(f.width, bx * 8 + 8); ++x, ++n)
                        sum += f.at(x, y)[f.components == 3 ? c : 0];
                p.pixels.push_back(std::uint8_t((sum + n / 2) / n));
            }
    return p;
}

double MeanDifference(const Picture &a, const Picture &b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / double(a.pixels.size());
}

TEST(DcScan, matches_libjpegs_eighth_size_decode) {
    const struct {
        const char *name;
        int width, height, components;
        JpegOptions options;
        bool exact; // full-rate components only
    } cases[] = {
        {"grey", 203, 97, 1, {85, false, Sampling::S444}, true},
        {"444", 203, 97, 3, {85, false, Sampling::S444}, true},
        {"444 restarts", 203, 97, 3, {85, false, Sampling::S444, 1}, true},
        {"420", 333, 251, 3, {85, false, Sampling::S420}, false},
        {"422", 250, 333, 3, {85, false, Sampling::S422}, false},
        {"420 restarts", 321, 211, 3, {92, false, Sampling::S420, 1}, false},
        // Codes longer than a lookup and extra bits running past a stride's window.
        {"444 quality 100", 203, 97, 3, {100, false, Sampling::S444}, true},
    };
    for (const auto &c : cases) {
        const std::string bytes =
            EncodeJpeg(PatternPicture(c.width, c.height, c.components, 3), c.options);
        const Picture want = LibjpegEighth(bytes), got = DcEighth(bytes);
        ASSERT_EQ(got.width, want.width) << c.name;
        ASSERT_EQ(got.height, want.height) << c.name;
        if (c.exact) {
            EXPECT_TRUE(got.pixels == want.pixels) << c.name;
            continue;
        }
        // Half-rate chroma: about as close to the true block means as libjpeg's (far off for
        // 4:2:2, where it upsamples the chroma's DC alone).
        const Picture means = BlockMeans(bytes);
        EXPECT_LE(MeanDifference(got, means), MeanDifference(want, means) + 0.5) << c.name;
    }
}

TEST(DcScan, data_that_ends_early_leaves_the_rest_mid_grey) {
    std::string bytes = EncodeJpeg(PatternPicture(203, 197, 1, 3), {85, false, Sampling::S444});
    bytes.resize(bytes.size() / 2);
    const Picture got = DcEighth(bytes);
    const Picture full =
        LibjpegEighth(EncodeJpeg(PatternPicture(203, 197, 1, 3), {85, false, Sampling::S444}));
    for (int x = 0; x < got.width; ++x) {
        EXPECT_EQ(got.at(x, 0)[0], full.at(x, 0)[0]) << x; // before the cut: the picture
        EXPECT_EQ(got.at(x, got.height - 1)[0], 128) << x;
    }
}

} // namespace
