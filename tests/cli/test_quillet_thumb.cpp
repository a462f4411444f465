// The command-line tool end to end: real processes, real files in a temporary folder.
#include "jpegfixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string output; // standard output and error together
};

std::string Quote(const std::string &s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

Outcome Thumb(const std::string &args) {
    const std::string command = Quote(QUILLET_THUMB_PATH) + " " + args + " 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    Outcome r{-1, {}};
    if (!pipe)
        return r;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        r.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class QuilletThumb : public ::testing::Test {
protected:
    TempDir dir;
    std::string in = dir.file("in");
    std::string out = dir.file("out");

    void SetUp() override {
        fs::create_directory(in);
        fs::create_directory(out);
        WriteFile(in + "/a.jpg", EncodeJpeg(PatternPicture(320, 240)));
        WriteFile(in + "/b.jpg", EncodeJpeg(PatternPicture(200, 300, 3, 2), {80, true}));
    }
};

TEST_F(QuilletThumb, converts_every_source_into_the_output_folder) {
    const Outcome r =
        Thumb("-o " + Quote(out) + " " + Quote(in + "/a.jpg") + " " + Quote(in + "/b.jpg"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("2 of 2 converted"), std::string::npos) << r.output;
    const std::string a = ReadFile(out + "/a.jpg.thumb.jpg");
    EXPECT_EQ(a, ReferenceThumbnail(ReadFile(in + "/a.jpg"), 160, 180, true, clBlack, false).bytes);
    DecodedJpeg b = DecodeJpeg(ReadFile(out + "/b.jpg.thumb.jpg"));
    ASSERT_TRUE(b.ok);
    EXPECT_TRUE(b.progressive);
    EXPECT_EQ(b.picture.width, 160);
    EXPECT_EQ(b.picture.height, 180);
}

TEST_F(QuilletThumb, options_reach_the_engine) {
    const Outcome r = Thumb("-q -j1 --crop -s 100x50 --fill '#FF0000' --suffix _s.jpg -o " +
                            Quote(out) + " " + Quote(in + "/a.jpg"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(r.output.empty()) << r.output;
    EXPECT_EQ(ReadFile(out + "/a.jpg_s.jpg"),
              ReferenceThumbnail(ReadFile(in + "/a.jpg"), 100, 50, true, clRed, true).bytes);

    EXPECT_EQ(Thumb("-q --no-suffix --stretch -s 9x9 -o " + Quote(out) + " " + Quote(in + "/b.jpg"))
                  .status,
              0);
    EXPECT_EQ(DecodeJpeg(ReadFile(out + "/b.jpg")).picture.width, 9);
}

TEST_F(QuilletThumb, existing_targets_are_skipped_unless_overwriting) {
    WriteFile(out + "/a.jpg.thumb.jpg", "keep me");
    Outcome r = Thumb("-o " + Quote(out) + " " + Quote(in + "/a.jpg") + " " + Quote(in + "/b.jpg"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("skipped " + in + "/a.jpg"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("1 of 2 converted, 1 skipped"), std::string::npos) << r.output;
    EXPECT_EQ(ReadFile(out + "/a.jpg.thumb.jpg"), "keep me");

    r = Thumb("--overwrite -o " + Quote(out) + " " + Quote(in + "/a.jpg"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(DecodeJpeg(ReadFile(out + "/a.jpg.thumb.jpg")).ok);
}

TEST_F(QuilletThumb, failures_are_named_and_the_rest_goes_on) {
    WriteFile(in + "/bad.jpg", "not a photo");
    const Outcome r =
        Thumb("-o " + Quote(out) + " " + Quote(in + "/bad.jpg") + " " + Quote(in + "/missing.jpg") +
              " " + Quote(in) + " " + Quote(in + "/a.jpg"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("failed " + in + "/bad.jpg: not a JPEG"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("failed " + in + "/missing.jpg: the photo does not exist"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("skipped " + in + ": it is a folder"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("1 of 4 converted, 1 skipped, 2 failed"), std::string::npos)
        << r.output;
    EXPECT_TRUE(fs::exists(out + "/a.jpg.thumb.jpg"));
    EXPECT_FALSE(fs::exists(out + "/missing.jpg.thumb.jpg"));
}

TEST_F(QuilletThumb, two_sources_with_one_target_never_race) {
    fs::create_directory(in + "/other");
    WriteFile(in + "/other/a.jpg", EncodeJpeg(PatternPicture(50, 50)));
    const Outcome r = Thumb("-j 2 -o " + Quote(out) + " " + Quote(in + "/a.jpg") + " " +
                            Quote(in + "/other/a.jpg"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("is the one of " + in + "/a.jpg"), std::string::npos) << r.output;
    EXPECT_EQ(ReadFile(out + "/a.jpg.thumb.jpg"),
              ReferenceThumbnail(ReadFile(in + "/a.jpg"), 160, 180, true, clBlack, false).bytes);
}

TEST_F(QuilletThumb, a_missing_output_folder_is_reported) {
    const Outcome r = Thumb("-o " + Quote(dir.file("nowhere")) + " " + Quote(in + "/a.jpg"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("does not exist"), std::string::npos) << r.output;
}

TEST_F(QuilletThumb, usage_errors_exit_with_2) {
    for (const char *args : {"", "-s 0x0 a.jpg", "--bogus a.jpg", "--stretch --crop a.jpg"}) {
        const Outcome r = Thumb(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.output.find("--help"), std::string::npos) << args;
    }
    EXPECT_EQ(Thumb("--help").status, 0);
    EXPECT_NE(Thumb("--version").output.find("0.9.1.6"), std::string::npos);
}

} // namespace
