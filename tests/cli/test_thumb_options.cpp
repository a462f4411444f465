#include "options.h"
#include "statustext.h"
#include "thumbbatch.h"

#include "tempfolder.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

ParseResult Parse(std::vector<std::string> args) {
    return ParseThumbCommandLine(args);
}

TEST(ThumbOptions, defaults_match_the_main_window) {
    const ParseResult r = Parse({"a.jpg"});
    ASSERT_EQ(r.outcome, ParseOutcome::Run);
    EXPECT_EQ(r.options.outputFolder, ".");
    EXPECT_EQ(r.options.sizes, (std::vector<ThumbBox>{{160, 180}}));
    EXPECT_TRUE(r.options.keepAspect);
    EXPECT_FALSE(r.options.eraseEmpty);
    EXPECT_EQ(r.options.fill, clBlack);
    EXPECT_EQ(r.options.suffix, ".thumb.jpg");
    EXPECT_TRUE(r.options.addSuffix);
    EXPECT_FALSE(r.options.overwrite);
    EXPECT_EQ(r.options.jobs, 0);
    EXPECT_FALSE(r.options.extras.smooth || r.options.extras.upright ||
                 r.options.extras.keepProfile);
    EXPECT_EQ(r.options.sources, std::vector<std::string>{"a.jpg"});
}

TEST(ThumbOptions, defaults_are_the_tables_column) {
    const ThumbOptions o = Parse({"a.jpg"}).options;
    const BatchDefaults &d = kDefaults;
    EXPECT_EQ(o.outputFolder, d.targetFolder.thumbCommand);
    EXPECT_EQ(o.sizes, (std::vector<ThumbBox>{{d.width.thumbCommand, d.height.thumbCommand}}));
    EXPECT_EQ(o.suffix, d.suffix.thumbCommand);
    EXPECT_EQ(o.fill, d.fill.thumbCommand);
    const std::vector<bool> flags{o.addSuffix,      o.overwrite,         o.keepAspect,
                                  o.eraseEmpty,     o.transparent,       o.extras.smooth,
                                  o.extras.upright, o.extras.keepProfile};
    EXPECT_EQ(flags, (std::vector<bool>{d.addSuffix.thumbCommand, d.overwrite.thumbCommand,
                                        d.keepAspect.thumbCommand, d.eraseEmpty.thumbCommand,
                                        d.transparent.thumbCommand, d.smooth.thumbCommand,
                                        d.upright.thumbCommand, d.keepProfile.thumbCommand}));
    EXPECT_NE(ThumbUsage().find("the box to fit (default: 160x180)"), std::string::npos);
}

TEST(ThumbOptions, every_option_in_short_long_and_inline_forms) {
    const ParseResult r =
        Parse({"-o", "out", "-s200x100", "--crop", "--fill=#FF8000", "--suffix", "_t.jpg",
               "--overwrite", "-j", "3", "-q", "x.jpg", "--", "-odd.jpg"});
    ASSERT_EQ(r.outcome, ParseOutcome::Run) << r.error;
    const ThumbOptions &o = r.options;
    EXPECT_EQ(o.outputFolder, "out");
    EXPECT_EQ(o.sizes, (std::vector<ThumbBox>{{200, 100}}));
    EXPECT_TRUE(o.keepAspect);
    EXPECT_TRUE(o.eraseEmpty);
    EXPECT_EQ(o.fill, rgbColor(0xFF, 0x80, 0x00));
    EXPECT_EQ(o.suffix, "_t.jpg");
    EXPECT_TRUE(o.overwrite);
    EXPECT_EQ(o.jobs, 3);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.sources, (std::vector<std::string>{"x.jpg", "-odd.jpg"}));

    const ParseResult s = Parse({"--stretch", "--no-suffix", "--output=o", "--size", "7X9", "p",
                                 "--smooth", "--upright", "--keep-profile", "--format=AVIF",
                                 "--quality", "1", "--transparent", "--srgb"});
    ASSERT_EQ(s.outcome, ParseOutcome::Run) << s.error;
    EXPECT_FALSE(s.options.keepAspect);
    EXPECT_FALSE(s.options.addSuffix);
    EXPECT_EQ(s.options.outputFolder, "o");
    EXPECT_EQ(s.options.sizes, (std::vector<ThumbBox>{{7, 9}}));
    EXPECT_TRUE(s.options.extras.smooth && s.options.extras.upright &&
                s.options.extras.keepProfile);
    EXPECT_EQ(s.options.format, OutputFormat::Avif);
    EXPECT_EQ(s.options.quality, 1);
    EXPECT_TRUE(s.options.transparent && s.options.srgb);
    EXPECT_EQ(r.options.format, OutputFormat::Jpeg);
    EXPECT_EQ(r.options.quality, 90);
    EXPECT_FALSE(r.options.transparent || r.options.srgb);
}

struct LibraryCase {
    std::vector<std::string> args;
    std::string error; // empty: accepted
};

class LibraryOptions : public ::testing::TestWithParam<LibraryCase> {};

TEST_P(LibraryOptions, sizes_and_sources_fit_together) {
    const ParseResult r = Parse(GetParam().args);
    EXPECT_EQ(r.error, GetParam().error);
    EXPECT_EQ(r.outcome, GetParam().error.empty() ? ParseOutcome::Run : ParseOutcome::UsageError);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LibraryOptions,
    ::testing::Values(
        LibraryCase{{"-s", "160x180", "-s", "320x320", "--no-suffix", "--size-folders", "a"}, ""},
        LibraryCase{{"-s", "160x180", "-s", "320x320", "--no-suffix", "a"},
                    "several sizes need a suffix each or --size-folders, not --no-suffix"},
        LibraryCase{{"-s", "9x9", "-s", "9X9", "a"}, "the size 9X9 is given twice"},
        LibraryCase{{"--files-from", "-", "-r", "--json", "-n", "--update", "--only-shrink"}, ""},
        LibraryCase{{"-r", "--json"}, "no source photos given"}));

struct PresetCase {
    std::vector<std::string> args;
    std::vector<ThumbBox> sizes;
    std::string suffix;
    bool smooth;
    std::string error; // with FILE for the settings file's name
};

class Presets : public ::testing::TestWithParam<PresetCase> {};

TEST_P(Presets, start_from_a_named_section_of_the_settings_file) {
    TempFolder config;
    ASSERT_EQ(::mkdir(config.file("Quillet").c_str(), 0777), 0);
    const std::string file = config.file("Quillet/Quillet.ini");
    std::ofstream(file) << "[settings]\nwidth=999\n[preset web]\nsizes=160x180 320x320\n"
                           "extension=.web.jpg\nsmooth=1\n[Preset Small]\nwidth=64\nheight=0x30\n";
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    const ParseResult r = Parse(GetParam().args);
    std::string error = GetParam().error;
    if (const std::size_t at = error.find("FILE"); at != std::string::npos)
        error.replace(at, 4, file);
    EXPECT_EQ(r.error, error);
    if (!error.empty())
        return;
    EXPECT_EQ(r.options.sizes, GetParam().sizes);
    EXPECT_EQ(r.options.suffix, GetParam().suffix);
    EXPECT_EQ(r.options.extras.smooth, GetParam().smooth);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Presets,
    ::testing::Values(
        PresetCase{{"--preset", "web", "a"}, {{160, 180}, {320, 320}}, ".web.jpg", true, ""},
        PresetCase{{"-s", "10x10", "--preset=web", "a"}, {{10, 10}}, ".web.jpg", true, ""},
        PresetCase{{"--preset", "small", "a"}, {{64, 48}}, ".thumb.jpg", false, ""},
        PresetCase{{"--preset", "none", "a"},
                   {},
                   "",
                   false,
                   "no preset none in FILE (it has: web, Small)"}));

TEST(ThumbOptions, help_and_version_win_over_everything) {
    EXPECT_EQ(Parse({"--help"}).outcome, ParseOutcome::Help);
    EXPECT_EQ(Parse({"a.jpg", "--version"}).outcome, ParseOutcome::Version);
}

struct UsageCase {
    std::vector<std::string> args;
    const char *messagePart;
};

class UsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrors, are_refused_with_a_message) {
    const ParseResult r = Parse(GetParam().args);
    EXPECT_EQ(r.outcome, ParseOutcome::UsageError);
    EXPECT_NE(r.error.find(GetParam().messagePart), std::string::npos) << r.error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, UsageErrors,
    ::testing::Values(
        UsageCase{{}, "no source"}, UsageCase{{"-s", "0x10", "a"}, "size"},
        UsageCase{{"-s", "10", "a"}, "size"}, UsageCase{{"-s", "-5x5", "a"}, "size"},
        UsageCase{{"-s", "10x", "a"}, "size"}, UsageCase{{"a", "-s"}, "size"},
        UsageCase{{"--fill", "#12345", "a"}, "colour"}, UsageCase{{"--fill", "red", "a"}, "colour"},
        UsageCase{{"-j", "0", "a"}, "jobs"}, UsageCase{{"-j", "x", "a"}, "jobs"},
        UsageCase{{"--stretch", "--crop", "a"}, "exclude"},
        UsageCase{{"--frobnicate", "a"}, "unknown option"},
        UsageCase{{"--overwrite=yes", "a"}, "no value"}, UsageCase{{"-o", "", "a"}, "folder"},
        UsageCase{{"-s", "65501x100", "a"}, "65500"}, UsageCase{{"-s", "100x70000", "a"}, "65500"},
        UsageCase{{"--memory-limit", "1000", "a"}, "memory"},
        UsageCase{{"--memory-limit", "2T", "a"}, "memory"},
        UsageCase{{"--memory-limit", "1025G", "a"}, "memory"},
        UsageCase{{"--memory-limit", "9999999999999G", "a"}, "memory"},
        UsageCase{{"--memory-limit", "M", "a"}, "memory"},
        UsageCase{{"--format", "gif", "a"}, "jpeg, webp, avif, png"},
        UsageCase{{"--quality", "0", "a"}, "quality"},
        UsageCase{{"--quality", "101", "a"}, "quality"}));

TEST(ThumbOptions, memory_limit_takes_bytes_or_binary_units) {
    const struct {
        const char *text;
        std::uint64_t bytes;
        const char *shown;
    } cases[] = {{"1G", 1ull << 30, "1G"},
                 {"512m", 512ull << 20, "512M"},
                 {"2048K", 2ull << 20, "2M"},
                 {"1048576", 1ull << 20, "1M"},
                 {"1024G", 1ull << 40, "1T"}};
    for (const auto &c : cases) {
        const ParseResult r = Parse({"--memory-limit", c.text, "a"});
        ASSERT_EQ(r.outcome, ParseOutcome::Run) << c.text;
        EXPECT_EQ(r.options.memoryLimit, c.bytes) << c.text;
        EXPECT_EQ(MemorySizeText(c.bytes), c.shown) << c.text;
    }
    EXPECT_EQ(Parse({"a"}).options.memoryLimit, 1ull << 30);
    EXPECT_EQ(Parse({"-s", "65500x65500", "a"}).outcome, ParseOutcome::Run);
}

struct ColourCase {
    const char *text;
    bool ok;
    TColor value;
};

class FillColours : public ::testing::TestWithParam<ColourCase> {};

TEST_P(FillColours, parse_as_rgb_or_as_the_stored_number) {
    TColor c = 12345;
    const ColourCase &t = GetParam();
    EXPECT_EQ(ParseFillColor(t.text, c), t.ok) << t.text;
    EXPECT_EQ(c, t.ok ? t.value : 12345) << t.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FillColours,
    ::testing::Values(ColourCase{"#FF0000", true, clRed}, ColourCase{"#0000ff", true, clBlue},
                      ColourCase{"#000080", true, clNavy}, ColourCase{"0x00FF0000", true, clBlue},
                      ColourCase{"$FF", true, clRed}, ColourCase{"16711680", true, clBlue},
                      ColourCase{"-16777201", true, -16777201}, ColourCase{"#GG0000", false, 0},
                      ColourCase{"0x1FFFFFFFF", false, 0}, ColourCase{"", false, 0}));

} // namespace
