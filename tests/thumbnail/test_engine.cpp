#include "jpegfixtures.h"
#include "memorybudget.h"
#include "tempfolder.h"
#include "uthumbnail.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <sstream>

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

namespace fs = std::filesystem;

namespace {

struct Made {
    bool ok;
    std::string bytes;
};

Made Thumb(const std::string &source, int w, int h, bool keep, TColor fill = clBlack,
           bool erase = false, bool transparent = false) {
    std::istringstream in(source);
    std::ostringstream out;
    bool ok = CreateThumbnailStream(in, out, w, h, keep, fill, transparent, erase);
    return {ok, out.str()};
}

// The colour at (x, y) of a decoded thumbnail.
struct Rgb {
    int r, g, b;
};
Rgb PixelAt(const DecodedJpeg &d, int x, int y) {
    const std::uint8_t *p = d.picture.at(x, y);
    return {p[0], p[1], p[2]};
}

::testing::AssertionResult Near(Rgb got, Rgb want, int tolerance = 6) {
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got (" << got.r << "," << got.g << "," << got.b << ") want (" << want.r << ","
           << want.g << "," << want.b << ")";
}

// Sets the frame size that a JPEG's header declares.
std::string WithDeclaredSize(std::string bytes, int width, int height) {
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i)
        if (std::uint8_t(bytes[i]) == 0xFF &&
            (std::uint8_t(bytes[i + 1]) == 0xC0 || std::uint8_t(bytes[i + 1]) == 0xC2)) {
            bytes[i + 5] = char(height >> 8);
            bytes[i + 6] = char(height & 0xFF);
            bytes[i + 7] = char(width >> 8);
            bytes[i + 8] = char(width & 0xFF);
            return bytes;
        }
    return bytes;
}

// ---- pixels ------------------------------------------------------------------------------

TEST(Pixels, solid_sources_keep_their_colour_in_every_mode) {
    const Rgb colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {40, 90, 200}};
    for (const Rgb &c : colours) {
        const std::string src = EncodeJpeg(
            SolidPicture(64, 48, std::uint8_t(c.r), std::uint8_t(c.g), std::uint8_t(c.b)), {95});
        for (int mode = 0; mode < 3; ++mode) {
            Made m = Thumb(src, 20, 20, mode != 0, clBlack, mode == 2);
            ASSERT_TRUE(m.ok);
            DecodedJpeg d = DecodeJpeg(m.bytes);
            ASSERT_TRUE(d.ok);
            EXPECT_TRUE(Near(PixelAt(d, d.picture.width / 2, d.picture.height / 2), c, 8))
                << "mode " << mode;
        }
    }
}

TEST(Pixels, one_pixel_source_and_one_pixel_thumbnail) {
    const std::string one =
        EncodeJpeg(SolidPicture(1, 1, 200, 30, 30), {95, false, Sampling::S444});
    Made enlarged = Thumb(one, 9, 5, false);
    ASSERT_TRUE(enlarged.ok);
    DecodedJpeg d = DecodeJpeg(enlarged.bytes);
    ASSERT_EQ(d.picture.width, 9);
    ASSERT_EQ(d.picture.height, 5);
    EXPECT_TRUE(Near(PixelAt(d, 8, 4), {200, 30, 30}, 8));

    Made tiny = Thumb(EncodeJpeg(SolidPicture(300, 200, 10, 120, 250)), 1, 1, false);
    ASSERT_TRUE(tiny.ok);
    DecodedJpeg t = DecodeJpeg(tiny.bytes);
    ASSERT_EQ(t.picture.width, 1);
    ASSERT_EQ(t.picture.height, 1);
    EXPECT_TRUE(Near(PixelAt(t, 0, 0), {10, 120, 250}, 8));
}

TEST(Pixels, padded_box_shows_fill_bands_of_12_and_13_rows) {
    const std::string src = EncodeJpeg(SolidPicture(800, 600, 255, 255, 255), {95});
    Made m = Thumb(src, 100, 100, true, clBlue);
    ASSERT_TRUE(m.ok);
    DecodedJpeg d = DecodeJpeg(m.bytes);
    ASSERT_EQ(d.picture.width, 100);
    ASSERT_EQ(d.picture.height, 100);
    // Rows 0-11 and 87-99 are fill; 12-86 the picture. Sample away from the edges, where
    // JPEG's 8 x 8 blocks blur the boundary.
    for (int y : {0, 5, 8, 91, 95, 99})
        EXPECT_TRUE(Near(PixelAt(d, 50, y), {0, 0, 255}, 12)) << "row " << y;
    for (int y : {16, 40, 80})
        EXPECT_TRUE(Near(PixelAt(d, 50, y), {255, 255, 255}, 12)) << "row " << y;
}

TEST(Pixels, square_source_in_a_tall_box_covers_the_whole_canvas) {
    const std::string src = EncodeJpeg(SolidPicture(1000, 1000, 0, 200, 0));
    Made m = Thumb(src, 160, 180, true, clRed);
    ASSERT_TRUE(m.ok);
    DecodedJpeg d = DecodeJpeg(m.bytes);
    for (int x : {0, 80, 159})
        for (int y : {0, 90, 179})
            EXPECT_TRUE(Near(PixelAt(d, x, y), {0, 200, 0}, 12)) << x << "," << y;
}

TEST(Pixels, four_component_sources_come_out_as_rgb) {
    // Cyan ink only: plain CMYK stores ink, Adobe files store its inverse.
    Picture ink{16, 16, 4, std::vector<std::uint8_t>(16 * 16 * 4, 0)};
    Picture inverted = ink;
    for (std::size_t i = 0; i < ink.pixels.size(); i += 4) {
        ink.pixels[i] = 255;
        inverted.pixels[i] = 0;
        inverted.pixels[i + 1] = inverted.pixels[i + 2] = inverted.pixels[i + 3] = 255;
    }
    struct Case {
        const char *name;
        Picture picture;
        JpegOptions options;
    } cases[] = {
        {"CMYK", ink, {95}},
        {"Adobe CMYK", inverted, {95, false, Sampling::S420, 0, true, false}},
        {"Adobe YCCK", inverted, {95, false, Sampling::S420, 0, true, true}},
    };
    for (const Case &c : cases) {
        Made m = Thumb(EncodeJpeg(c.picture, c.options), 8, 8, false);
        ASSERT_TRUE(m.ok) << c.name;
        DecodedJpeg d = DecodeJpeg(m.bytes);
        EXPECT_TRUE(Near(PixelAt(d, 4, 4), {0, 255, 255}, 10)) << c.name;
    }
}

// ---- format ------------------------------------------------------------------------------

TEST(Format, progressive_in_gives_progressive_out_and_baseline_gives_baseline) {
    const Picture p = PatternPicture(90, 70);
    for (bool progressive : {false, true}) {
        Made m = Thumb(EncodeJpeg(p, {85, progressive}), 30, 30, true);
        ASSERT_TRUE(m.ok);
        DecodedJpeg d = DecodeJpeg(m.bytes);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.progressive, progressive);
    }
}

TEST(Format, greyscale_source_gives_three_grey_components) {
    Made m = Thumb(EncodeJpeg(PatternPicture(64, 64, 1)), 16, 16, false);
    ASSERT_TRUE(m.ok);
    DecodedJpeg d = DecodeJpeg(m.bytes);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.inputComponents, 3);
    for (int y = 0; y < 16; y += 5)
        for (int x = 0; x < 16; x += 5) {
            Rgb c = PixelAt(d, x, y);
            EXPECT_LE(std::abs(c.r - c.g) + std::abs(c.g - c.b), 4) << x << "," << y;
        }
}

TEST(Format, transparent_flag_changes_no_byte) {
    const std::string src = EncodeJpeg(PatternPicture(120, 80));
    for (bool erase : {false, true}) {
        Made a = Thumb(src, 50, 50, true, clRed, erase, false);
        Made b = Thumb(src, 50, 50, true, clRed, erase, true);
        ASSERT_TRUE(a.ok && b.ok);
        EXPECT_EQ(a.bytes, b.bytes);
    }
}

TEST(Format, quantisation_tables_are_quality_90_baseline) {
    // The standard tables scaled to 20 % and rounded, as quality 90 asks.
    const int luminance[8] = {16, 11, 10, 16, 24, 40, 51, 61};
    const int chrominance[8] = {17, 18, 24, 47, 99, 99, 99, 99};
    Made m = Thumb(EncodeJpeg(PatternPicture(64, 64)), 32, 32, false);
    ASSERT_TRUE(m.ok);
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char *>(m.bytes.data()), m.bytes.size());
    ASSERT_EQ(jpeg_read_header(&d, TRUE), JPEG_HEADER_OK);
    ASSERT_NE(d.quant_tbl_ptrs[0], nullptr);
    ASSERT_NE(d.quant_tbl_ptrs[1], nullptr);
    // libjpeg keeps the tables in natural order: the first eight entries are the top row.
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(d.quant_tbl_ptrs[0]->quantval[i], (luminance[i] * 20 + 50) / 100) << i;
        EXPECT_EQ(d.quant_tbl_ptrs[1]->quantval[i], (chrominance[i] * 20 + 50) / 100) << i;
    }
    EXPECT_EQ(d.num_components, 3);
    EXPECT_TRUE(d.saw_JFIF_marker);
    jpeg_destroy_decompress(&d);
}

// ---- failures ----------------------------------------------------------------------------

TEST(Failures, a_box_below_one_touches_neither_stream) {
    const std::string src = EncodeJpeg(PatternPicture(20, 20));
    const int boxes[][2] = {{0, 10}, {10, 0}, {-1, 10}, {10, -5}, {0, 0}};
    for (auto &b : boxes) {
        std::istringstream in(src);
        std::ostringstream out;
        EXPECT_FALSE(CreateThumbnailStream(in, out, b[0], b[1], true, clBlack, false, false));
        EXPECT_EQ(in.tellg(), 0);
        EXPECT_TRUE(out.str().empty());
    }
}

TEST(Failures, empty_and_foreign_sources_fail_and_write_nothing) {
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    for (const std::string &src :
         {std::string(), png, std::string("hello"), std::string("\xFF\xD8\xFF\xD9", 4)}) {
        Made m = Thumb(src, 10, 10, true);
        EXPECT_FALSE(m.ok);
        EXPECT_TRUE(m.bytes.empty());
    }
}

TEST(Failures, engine_reports_success_for_a_truncated_source_and_grey_for_its_tail) {
    const std::string full = EncodeJpeg(SolidPicture(64, 64, 250, 20, 20), {95});
    // Keep the headers and about the first half of the scan data.
    const std::size_t scan = full.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    const std::string cut = full.substr(0, scan + (full.size() - scan) / 2);
    Made m = Thumb(cut, 64, 64, false);
    ASSERT_TRUE(m.ok);
    DecodedJpeg d = DecodeJpeg(m.bytes);
    EXPECT_TRUE(Near(PixelAt(d, 32, 4), {250, 20, 20}, 10));
    EXPECT_TRUE(Near(PixelAt(d, 32, 60), {128, 128, 128}, 10));
}

TEST(Failures, an_error_after_the_last_needed_row_still_fails) {
    // A second scan header behind the only scan of a sequential file is an error that a
    // full decode meets only at the very end.
    const std::string good = EncodeJpeg(PatternPicture(64, 480), {85});
    const std::size_t sos = good.find("\xFF\xDA");
    ASSERT_NE(sos, std::string::npos);
    const std::size_t length = (std::uint8_t(good[sos + 2]) << 8) | std::uint8_t(good[sos + 3]);
    std::string bad = good;
    bad.insert(bad.size() - 2, good.substr(sos, 2 + length) + std::string(16, '\0'));
    ASSERT_FALSE(DecodeJpeg(bad).ok);
    for (int mode = 0; mode < 3; ++mode)
        EXPECT_FALSE(Thumb(bad, 8, 8, mode != 0, clBlack, mode == 2).ok) << "mode " << mode;
    EXPECT_TRUE(Thumb(good, 8, 8, true).ok);
}

TEST(Failures, zero_size_canvas_fails_and_writes_nothing) {
    const std::string src = EncodeJpeg(PatternPicture(4000, 30), {50});
    Made m = Thumb(src, 10, 10, true, clBlack, true);
    EXPECT_FALSE(m.ok);
    EXPECT_TRUE(m.bytes.empty());
}

TEST(Failures, a_failing_target_stream_reports_false) {
    std::istringstream in(EncodeJpeg(PatternPicture(40, 40)));
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_FALSE(CreateThumbnailStream(in, out, 10, 10, true, clBlack, false, false));
}

// ---- files -------------------------------------------------------------------------------

class Files : public ::testing::Test {
protected:
    TempFolder dir;
    std::string source = dir.file("photo.jpg");
    std::string bytes = EncodeJpeg(PatternPicture(96, 64));

    void SetUp() override { WriteFile(source, bytes); }
    bool Make(const std::string &from, const std::string &to, int w = 40, int h = 40) {
        return CreateThumbnail(from, to, w, h, true, clBlack, false, false);
    }
};

TEST_F(Files, converts_one_file_into_another) {
    const std::string target = dir.file("photo.jpg.thumb.jpg");
    ASSERT_TRUE(Make(source, target));
    ReferenceResult want = ReferenceThumbnail(bytes, 40, 40, true, clBlack, false);
    EXPECT_EQ(ReadFile(target), want.bytes);
    EXPECT_EQ(ReadFile(source), bytes);
}

TEST_F(Files, replaces_a_longer_existing_target) {
    const std::string target = dir.file("old.jpg");
    WriteFile(target, std::string(100000, 'x'));
    ASSERT_TRUE(Make(source, target));
    EXPECT_EQ(ReadFile(target), ReferenceThumbnail(bytes, 40, 40, true, clBlack, false).bytes);
}

TEST_F(Files, a_missing_source_leaves_no_target) {
    const std::string target = dir.file("t.jpg");
    EXPECT_FALSE(Make(dir.file("missing.jpg"), target));
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(Files, a_folder_as_source_or_target_fails) {
    EXPECT_FALSE(Make(dir.path(), dir.file("t.jpg")));
    EXPECT_FALSE(fs::exists(dir.file("t.jpg")));
    EXPECT_FALSE(Make(source, dir.path()));
}

TEST_F(Files, a_missing_folder_fails) {
    EXPECT_FALSE(Make(source, dir.file("no/such/folder/t.jpg")));
}

TEST_F(Files, failures_leave_no_target_or_the_previous_one_untouched) {
    const std::string target = dir.file("t.jpg");
    const std::string junk = dir.file("junk.jpg");
    const std::string thin = dir.file("thin.jpg");
    WriteFile(junk, "not a picture");
    WriteFile(thin, EncodeJpeg(PatternPicture(4000, 30), {50}));
    struct Case {
        const char *name;
        std::string source;
        int width;
        bool erase;
        ThumbnailError error;
    } cases[] = {
        {"box below one", source, 0, false, ThumbnailError::InvalidBox},
        {"not a picture", junk, 40, false, ThumbnailError::NotDecodable},
        {"empty canvas", thin, 10, true, ThumbnailError::EmptyThumbnail},
        {"missing source", dir.file("missing.jpg"), 40, false, ThumbnailError::Source},
    };
    for (const Case &c : cases) {
        fs::remove(target);
        EXPECT_EQ(
            MakeThumbnailFile(c.source, target, {c.width, 10, true, clBlack, false, c.erase, {}})
                .error,
            c.error)
            << c.name;
        EXPECT_FALSE(fs::exists(target)) << c.name;
        WriteFile(target, "previous thumbnail");
        EXPECT_FALSE(CreateThumbnail(c.source, target, c.width, 10, true, clBlack, false, c.erase))
            << c.name;
        EXPECT_EQ(ReadFile(target), "previous thumbnail") << c.name;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4);
}

TEST_F(Files, special_files_are_refused_at_once) {
    const std::string fifo = dir.file("fifo.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    struct Case {
        std::string from, to;
        ThumbnailError error;
    } cases[] = {{fifo, dir.file("t.jpg"), ThumbnailError::Source},
                 {source, fifo, ThumbnailError::Target},
                 {"/dev/zero", dir.file("t.jpg"), ThumbnailError::Source},
                 {source, "/dev/null", ThumbnailError::Target}};
    for (const Case &c : cases) {
        auto made = std::async(std::launch::async, [&] {
            return MakeThumbnailFile(c.from, c.to, {40, 40, true, clBlack, false, false, {}});
        });
        ASSERT_EQ(made.wait_for(std::chrono::seconds(5)), std::future_status::ready) << c.from;
        const ThumbnailStatus status = made.get();
        EXPECT_EQ(status.error, c.error) << c.from << " -> " << c.to;
        EXPECT_EQ(status.systemError, kErrorSpecialFile) << c.from << " -> " << c.to;
    }
    EXPECT_FALSE(fs::exists(dir.file("t.jpg")));
}

TEST_F(Files, a_source_locked_by_a_writer_is_refused_but_readers_share) {
    const int writer = ::open(source.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);
    const ThumbnailStatus locked =
        MakeThumbnailFile(source, dir.file("t.jpg"), {40, 40, true, clBlack, false, false, {}});
    EXPECT_EQ(locked.error, ThumbnailError::Source);
    EXPECT_EQ(locked.systemError, EWOULDBLOCK);
    ASSERT_EQ(::flock(writer, LOCK_SH), 0);
    EXPECT_TRUE(Make(source, dir.file("t.jpg")));
    ::close(writer);
}

// The only size limit is decoder memory, and every refusal says what the library said or
// what the photo needs.
TEST_F(Files, every_outcome_carries_its_cause) {
    constexpr std::uint64_t MiB = 1024 * 1024;
    const std::string tiny = EncodeJpeg(PatternPicture(16, 16), {50, false});
    const struct {
        const char *name;
        std::string bytes;
        std::uint64_t budget; // 0: none, the engine's own cap
        ThumbnailError error;
        const char *words;       // in the status's message
        std::uint64_t needAbove; // the status's memory need is above this
    } cases[] = {
        {"smallest limit, progressive", EncodeJpeg(PatternPicture(64, 48), {80, true}), 1 * MiB,
         ThumbnailError::None, "", 0},
        // 280 MP, far beyond any pixel cap, needs a few MB row by row (its data is missing,
        // so the rows come out mid-grey).
        {"huge baseline", WithDeclaredSize(tiny, 20000, 14000), 0, ThumbnailError::None, "", 0},
        {"progressive beyond a budget",
         WithDeclaredSize(EncodeJpeg(PatternPicture(16, 16), {50, true}), 4000, 4000), 16 * MiB,
         ThumbnailError::TooLarge, "", 16 * MiB},
        {"progressive beyond the cap",
         WithDeclaredSize(EncodeJpeg(PatternPicture(16, 16), {50, true, Sampling::S444}), 16000,
                          16000),
         0, ThumbnailError::TooLarge, "", 1024 * MiB},
        {"beyond the largest JPEG side", WithDeclaredSize(tiny, 65535, 16), 0,
         ThumbnailError::NotDecodable, "Maximum supported image dimension is 65500 pixels", 0},
        {"empty file", "", 0, ThumbnailError::NotDecodable, "Empty input file", 0},
    };
    for (const auto &c : cases) {
        WriteFile(dir.file("in.jpg"), c.bytes);
        DecoderMemoryBudget budget(c.budget);
        const ThumbnailStatus got = MakeThumbnailFile(dir.file("in.jpg"), dir.file("out.jpg"),
                                                      {40, 40, true, clBlack, false, false, {}},
                                                      c.budget ? &budget : nullptr);
        EXPECT_EQ(got.error, c.error) << c.name << ": " << got.message;
        EXPECT_EQ(got.message, c.words) << c.name;
        if (c.needAbove) {
            EXPECT_GT(got.memoryNeeded, c.needAbove) << c.name;
        }
        EXPECT_EQ(fs::exists(dir.file("out.jpg")), c.error == ThumbnailError::None) << c.name;
        fs::remove(dir.file("out.jpg"));
    }
}

// A smooth reduction's filter rows and weights count against the budget besides the decoder's
// own: a budget of one byte refuses each conversion with what it needs.
TEST_F(Files, the_smooth_filter_counts_against_the_memory_budget) {
    WriteFile(dir.file("in.jpg"), WithDeclaredSize(EncodeJpeg(PatternPicture(16, 16)), 4000, 4000));
    const auto need = [&](int side, bool smooth) {
        DecoderMemoryBudget none(1);
        std::string bytes;
        const ThumbnailRequest request{
            side, side, true, clBlack, false, false, {smooth, false, false}};
        return MakeThumbnailBytes(dir.file("in.jpg"), bytes, request, &none).memoryNeeded;
    };
    for (int side : {100, 2000}) // at least six rows of filtered floats across the thumbnail
        EXPECT_GE(need(side, true), need(side, false) + 6 * std::uint64_t(side) * 3 * sizeof(float))
            << side;
}

TEST_F(Files, every_way_of_naming_the_source_as_target_fails_and_keeps_the_source) {
    fs::create_hard_link(source, dir.file("hard.jpg"));
    fs::create_symlink(source, dir.file("soft.jpg"));
    fs::create_directory(dir.file("sub"));
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.file("sub"));
    const std::string targets[] = {source, dir.file("hard.jpg"), dir.file("soft.jpg"),
                                   "../photo.jpg", dir.file("sub/../photo.jpg")};
    for (const std::string &target : targets) {
        EXPECT_FALSE(Make(source, target)) << target;
        EXPECT_EQ(ReadFile(source), bytes) << target;
    }
    EXPECT_FALSE(Make("../photo.jpg", source));
    EXPECT_EQ(ReadFile(source), bytes);
    fs::current_path(cwd);
}

// ---- streaming against the full-decode reference -------------------------------------------

struct SourceKind {
    const char *name;
    int width, height, components;
    JpegOptions options;
    double keepFraction; // < 1: the file is cut short
};

std::ostream &operator<<(std::ostream &os, const SourceKind &k) {
    return os << k.name;
}

class MatchesReference : public ::testing::TestWithParam<SourceKind> {};

TEST_P(MatchesReference, byte_for_byte_in_every_mode_and_box) {
    const SourceKind &k = GetParam();
    std::string src = EncodeJpeg(PatternPicture(k.width, k.height, k.components, 7), k.options);
    if (k.keepFraction < 1)
        src.resize(std::size_t(double(src.size()) * k.keepFraction));
    const int boxes[][2] = {{160, 180},
                            {1, 1},
                            {37, 5},
                            {5, 37},
                            {200, 100},
                            {100, 200},
                            {k.width, k.height},
                            {k.width * 2 + 3, k.height + 1},
                            {17, 300}};
    for (auto &b : boxes)
        for (int mode = 0; mode < 3; ++mode) {
            const bool keep = mode != 0, erase = mode == 2;
            const ReferenceResult want = ReferenceThumbnail(src, b[0], b[1], keep, clNavy, erase);
            const Made got = Thumb(src, b[0], b[1], keep, clNavy, erase);
            ASSERT_EQ(got.ok, want.ok) << b[0] << "x" << b[1] << " mode " << mode;
            ASSERT_TRUE(got.bytes == want.bytes)
                << b[0] << "x" << b[1] << " mode " << mode << ": " << got.bytes.size()
                << " bytes against " << want.bytes.size();
        }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, MatchesReference,
    ::testing::Values(
        SourceKind{"baseline420", 333, 251, 3, {85, false, Sampling::S420}, 1},
        SourceKind{"baseline422", 250, 333, 3, {85, false, Sampling::S422}, 1},
        SourceKind{"baseline444", 301, 199, 3, {85, false, Sampling::S444}, 1},
        SourceKind{"progressive420", 333, 251, 3, {85, true, Sampling::S420}, 1},
        SourceKind{"progressive444", 171, 263, 3, {85, true, Sampling::S444}, 1},
        SourceKind{"greyscale", 257, 129, 1, {85, false}, 1},
        SourceKind{"greyscaleProgressive", 129, 257, 1, {85, true}, 1},
        SourceKind{"greyscaleSampled2x2Restarts",
                   203,
                   97,
                   1,
                   {85, false, Sampling::S420, 1, false, false, false, true},
                   1},
        SourceKind{"restartMarkers", 321, 211, 3, {85, false, Sampling::S420, 1}, 1},
        SourceKind{"oddSize", 17, 3, 3, {85, false, Sampling::S420}, 1},
        SourceKind{"singleRow", 99, 1, 3, {85, false, Sampling::S420}, 1},
        SourceKind{"singleColumn", 1, 77, 3, {85, false, Sampling::S422}, 1},
        SourceKind{"truncatedBaseline", 333, 251, 3, {85, false, Sampling::S420}, 0.45},
        SourceKind{"truncatedProgressive", 333, 251, 3, {85, true, Sampling::S420}, 0.6},
        SourceKind{"truncatedGreyscale", 257, 129, 1, {85, false}, 0.5},
        SourceKind{"cmyk", 90, 61, 4, {85, false}, 1}),
    [](const ::testing::TestParamInfo<SourceKind> &info) { return std::string(info.param.name); });

// ---- hostile input -------------------------------------------------------------------------

TEST(Hostile, a_progressive_file_with_thousands_of_scans_is_refused) {
    JpegOptions options;
    options.everyBitItsOwnScan = true;
    const std::string src = EncodeJpeg(PatternPicture(24, 24), options);
    ASSERT_TRUE(DecodeJpeg(src).ok); // valid for a decoder without limits
    EXPECT_FALSE(Thumb(src, 10, 10, true).ok);
}

TEST(Hostile, damaged_files_never_crash) {
    const std::string good = EncodeJpeg(PatternPicture(64, 48), {80, true});
    unsigned state = 99;
    for (int round = 0; round < 300; ++round) {
        std::string bad = good;
        const int edits = 1 + round % 8;
        for (int e = 0; e < edits; ++e) {
            state = state * 1103515245u + 12345u;
            const std::size_t at = (state >> 8) % bad.size();
            bad[at] = char(state >> 24);
        }
        if (round % 5 == 0)
            bad.resize((state >> 4) % bad.size());
        // Any result is fine; the process must stay sound (sanitizer builds check memory).
        Made m =
            Thumb(bad, 20 + round % 50, 20 + round % 30, round % 2 == 0, clBlack, round % 3 == 0);
        if (!m.ok) {
            EXPECT_TRUE(m.bytes.empty());
        }
    }
}

} // namespace
