// The coefficients chosen for filtered (smooth) thumbnails, judged as a viewer sees them: the
// file decoded by libjpeg, in RGB, against the picture given to the encoder.
#include "jpegcodec.h"
#include "jpegfixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string EncodeFiltered(const Picture &p, int quality, bool progressive = false,
                           const std::vector<std::uint8_t> &profile = {}) {
    JpegEncoder encoder;
    EXPECT_TRUE(encoder.start(p.width, p.height, progressive, true, quality));
    if (!profile.empty()) {
        EXPECT_TRUE(encoder.writeProfile(profile));
    }
    for (int y = 0; y < p.height; ++y)
        EXPECT_TRUE(encoder.writeRow(p.at(0, y)));
    EXPECT_TRUE(encoder.finish()) << encoder.message();
    return std::string(reinterpret_cast<const char *>(encoder.data()), encoder.size());
}

// Mean squared RGB error and largest difference of the decoded file against the picture.
struct Fidelity {
    double mse = 0;
    int worst = 0;
};
Fidelity FidelityOf(const std::string &jpeg, const Picture &p) {
    const DecodedJpeg d = DecodeJpeg(jpeg);
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.picture.width, p.width);
    EXPECT_EQ(d.picture.height, p.height);
    Fidelity f;
    if (!d.ok || d.picture.pixels.size() != p.pixels.size())
        return {1e9, 255};
    for (std::size_t i = 0; i < p.pixels.size(); ++i) {
        const int e = int(d.picture.pixels[i]) - int(p.pixels[i]);
        f.mse += double(e * e);
        f.worst = std::max(f.worst, std::abs(e));
    }
    f.mse /= double(p.pixels.size());
    return f;
}

Picture WithBlackBand(Picture p, int rows) {
    std::fill_n(p.pixels.begin(), std::size_t(rows) * std::size_t(p.width) * 3, 0);
    return p;
}

Picture Clipped(Picture p) {
    for (std::uint8_t &v : p.pixels)
        v = v > 180 ? 255 : v < 50 ? 0 : v;
    return p;
}

struct TexturedCase {
    const char *name;
    Picture picture;
    int quality;
};

// Textured pictures: a tenth less RGB error than libjpeg's own rounding of each component, for
// no more bytes worth speaking of.
TEST(FilteredJpeg, textured_pictures_decode_nearer_than_rounding_each_component) {
    const TexturedCase cases[] = {
        {"pattern", PatternPicture(48, 40, 3, 7), 90},
        {"black band above, not on a block edge", WithBlackBand(PatternPicture(40, 38), 13), 90},
        {"clipped shadows and highlights", Clipped(PatternPicture(40, 32, 3, 3)), 90},
        {"partial blocks at the edges", PatternPicture(13, 21, 3, 5), 90},
        {"low quality", PatternPicture(48, 40, 3, 9), 50},
    };
    for (const TexturedCase &c : cases) {
        JpegOptions plain;
        plain.quality = c.quality;
        plain.sampling = Sampling::S444;
        const std::string theirs = EncodeJpeg(c.picture, plain);
        const std::string ours = EncodeFiltered(c.picture, c.quality);
        const Fidelity a = FidelityOf(ours, c.picture), b = FidelityOf(theirs, c.picture);
        EXPECT_LT(a.mse, 0.9 * b.mse) << c.name;
        EXPECT_LT(double(ours.size()), 1.03 * double(theirs.size())) << c.name;
    }
}

struct FlatCase {
    std::uint8_t r, g, b;
    int worst; // largest difference allowed in any channel
};

// A flat picture comes back flat, black and white exactly, in blocks cut by the edges too.
TEST(FilteredJpeg, flat_pictures_keep_their_colour) {
    const FlatCase cases[] = {
        {0, 0, 0, 0}, {255, 255, 255, 0}, {12, 130, 251, 2}, {255, 0, 0, 2}, {128, 128, 128, 1},
    };
    for (const FlatCase &c : cases) {
        const Picture p = SolidPicture(19, 11, c.r, c.g, c.b);
        const DecodedJpeg d = DecodeJpeg(EncodeFiltered(p, 90));
        ASSERT_TRUE(d.ok);
        const std::uint8_t *first = d.picture.pixels.data();
        for (std::size_t i = 0; i < d.picture.pixels.size(); i += 3)
            ASSERT_EQ(0, std::memcmp(first, d.picture.pixels.data() + i, 3)) << int(c.r);
        EXPECT_LE(std::abs(int(first[0]) - c.r), c.worst) << int(c.r);
        EXPECT_LE(std::abs(int(first[1]) - c.g), c.worst) << int(c.r);
        EXPECT_LE(std::abs(int(first[2]) - c.b), c.worst) << int(c.r);
    }
}

// The hardest picture at the finest steps stays within what baseline JPEG can code;
// progressive files and colour profiles come out as asked.
TEST(FilteredJpeg, extremes_progression_and_profile) {
    Picture board = SolidPicture(24, 17, 0, 0, 0);
    for (int y = 0; y < board.height; ++y)
        for (int x = 0; x < board.width; ++x)
            if ((x + y) % 2)
                std::fill_n(board.pixels.begin() + (std::ptrdiff_t(y) * board.width + x) * 3, 3,
                            255);
    EXPECT_LE(FidelityOf(EncodeFiltered(board, 100), board).worst, 2);

    const std::vector<std::uint8_t> profile(300, 0x5a);
    const Picture p = PatternPicture(30, 20);
    const DecodedJpeg d = DecodeJpeg(EncodeFiltered(p, 90, true, profile));
    ASSERT_TRUE(d.ok);
    EXPECT_TRUE(d.progressive);
    EXPECT_FALSE(d.subsampledChroma);
    EXPECT_EQ(d.iccProfile, std::string(profile.begin(), profile.end()));
}

} // namespace
