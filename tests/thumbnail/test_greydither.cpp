// The grey dithering against libjpeg's own one-pass quantiser (236 levels, Floyd-Steinberg),
// with each kind of vectors, over widths around the vectors' sizes: the same output grey for
// every pixel of every row.
#include "greydither.h"
#include "jpegfixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

#include <string>
#include <vector>

namespace {

// Every row of a grey JPEG as libjpeg decodes it, plain or quantised to its greys.
std::vector<std::vector<std::uint8_t>> Rows(const std::string &jpeg, bool quantised) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr errors{};
    d.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char *>(jpeg.data()),
                 static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    if (quantised) {
        d.quantize_colors = TRUE;
        d.desired_number_of_colors = 236;
    }
    jpeg_start_decompress(&d);
    std::vector<std::vector<std::uint8_t>> rows;
    while (d.output_scanline < d.output_height) {
        std::vector<std::uint8_t> &row = rows.emplace_back(d.output_width);
        JSAMPROW at = row.data();
        jpeg_read_scanlines(&d, &at, 1);
        if (quantised)
            for (std::uint8_t &v : row)
                v = d.colormap[0][v];
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return rows;
}

TEST(GreyDither, equals_libjpegs_quantiser_with_either_vectors) {
    const int widths[] = {1, 2, 15, 16, 17, 31, 32, 33, 63, 65, 257, 1001};
    for (int width : widths) {
        const std::string jpeg = EncodeJpeg(PatternPicture(width, 40, 1, unsigned(width)));
        const auto plain = Rows(jpeg, false), want = Rows(jpeg, true);
        for (DitherVectors vectors : {DitherVectors::Widest, DitherVectors::Portable}) {
            GreyDither dither(width, vectors);
            std::vector<std::uint8_t> out(static_cast<std::size_t>(width));
            for (std::size_t y = 0; y < plain.size(); ++y) {
                dither.row(plain[y].data(), out.data());
                ASSERT_EQ(out, want[y])
                    << "width " << width << ", row " << y << ", vectors " << int(vectors);
            }
        }
    }
}

} // namespace
