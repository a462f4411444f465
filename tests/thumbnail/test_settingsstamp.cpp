#include "settingsstamp.h"

#include "jpegfixtures.h"
#include "tempfolder.h"
#include "uthumbnail.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

// A 1 x 1 PNG's signature and header chunk, and its end chunk: enough for the stamp's place.
const std::string kPng = "\x89PNG\r\n\x1a\n"s + "\0\0\0\x0dIHDR\0\0\0\1\0\0\0\1\x08\x02\0\0\0"s +
                         "\x90\x77\x53\xde"s + "\0\0\0\0IEND\xae\x42\x60\x82"s;

void save(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

void setModified(const std::string &path, time_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

} // namespace

struct StampCase {
    const char *format;
    std::string bytes;
    std::string readBack; // what the stamped file gives
};

class SettingsStamp : public ::testing::TestWithParam<StampCase> {};

TEST_P(SettingsStamp, goes_in_after_the_first_header_and_reads_back) {
    TempFolder folder;
    const std::string stamped = AddSettingsStamp(GetParam().bytes, "1 160x180 padded");
    save(folder.file("t"), stamped);
    EXPECT_EQ(ReadSettingsStamp(folder.file("t")), GetParam().readBack);
    save(folder.file("plain"), GetParam().bytes);
    EXPECT_EQ(ReadSettingsStamp(folder.file("plain")), "");
    if (GetParam().format == "jpeg"s) { // libjpeg reads past the comment as before
        const DecodedJpeg plain = DecodeJpeg(GetParam().bytes), marked = DecodeJpeg(stamped);
        ASSERT_TRUE(marked.ok);
        EXPECT_EQ(marked.picture.pixels, plain.picture.pixels);
        EXPECT_EQ(stamped.substr(0, 20), GetParam().bytes.substr(0, 20)); // JFIF stays first
    }
    if (GetParam().format == "png"s) {
        EXPECT_EQ(stamped.substr(33 + 8 + 33, 4), "\x6e\x17\x2d\x3e"s); // zlib's crc32
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, SettingsStamp,
                         ::testing::Values(StampCase{"jpeg", EncodeJpeg(PatternPicture(9, 7)),
                                                     "1 160x180 padded"},
                                           StampCase{"png", kPng, "1 160x180 padded"},
                                           StampCase{"other", "GIF89a....", ""}));

struct CurrentCase {
    const char *what;
    time_t photoTime, thumbTime;
    const char *stamp; // written into the thumbnail
    bool linked;       // the target name is a link to the thumbnail
    bool current;
};

class CurrentThumbnail : public ::testing::TestWithParam<CurrentCase> {};

TEST_P(CurrentThumbnail, is_newer_than_its_photo_and_holds_the_same_stamp) {
    const CurrentCase &c = GetParam();
    TempFolder folder;
    const std::string photo = folder.file("p.jpg"), thumb = folder.file("t.jpg");
    save(photo, "not even decoded");
    save(folder.file("real"), AddSettingsStamp(EncodeJpeg(PatternPicture(4, 4)), c.stamp));
    if (c.linked)
        ASSERT_EQ(::symlink("real", thumb.c_str()), 0);
    else
        ASSERT_EQ(::rename(folder.file("real").c_str(), thumb.c_str()), 0);
    setModified(photo, c.photoTime);
    setModified(c.linked ? folder.file("real") : thumb, c.thumbTime);
    EXPECT_EQ(ThumbnailIsCurrent(photo, thumb, "A"), c.current) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CurrentThumbnail,
    ::testing::Values(CurrentCase{"newer, same settings", 1000, 2000, "A", false, true},
                      CurrentCase{"photo touched since", 3000, 2000, "A", false, false},
                      CurrentCase{"same second", 2000, 2000, "A", false, false},
                      CurrentCase{"other settings", 1000, 2000, "B", false, false},
                      CurrentCase{"a link at the target", 1000, 2000, "A", true, false}));

struct InsideCase {
    const char *format;
    OutputFormat output;
    int box;
    int quality = 90;
};

class StampInside : public ::testing::TestWithParam<InsideCase> {};

TEST_P(StampInside, reads_back_from_every_format_only_when_asked_for_and_the_size_too) {
    const InsideCase &c = GetParam();
    TempFolder folder;
    save(folder.file("photo"), EncodeJpeg(PatternPicture(900, 700)));
    ThumbnailRequest request{c.box, c.box, true, clBlack, false, false, {}};
    request.format = c.output;
    request.quality = c.quality;
    for (bool stamped : {false, true}) {
        request.stamped = stamped;
        std::string bytes;
        ASSERT_TRUE(MakeThumbnailBytes(folder.file("photo"), bytes, request, nullptr));
        save(folder.file("t"), bytes);
        EXPECT_EQ(ReadSettingsStamp(folder.file("t")), stamped ? SettingsStampOf(request) : "");
        int width = 0, height = 0; // the padded canvas fills the box
        EXPECT_TRUE(EncodedPictureSize(bytes, width, height));
        EXPECT_EQ(width, c.box);
        EXPECT_EQ(height, c.box);
    }
}

// A large WebP keeps its XMP beyond the first kilobytes that hold the other formats' stamps.
INSTANTIATE_TEST_SUITE_P(Formats, StampInside,
                         ::testing::Values(InsideCase{"jpeg", OutputFormat::Jpeg, 160},
                                           InsideCase{"png", OutputFormat::Png, 160},
                                           InsideCase{"webp", OutputFormat::Webp, 160},
                                           InsideCase{"webp_large", OutputFormat::Webp, 700},
                                           InsideCase{"webp_lossless", OutputFormat::Webp, 160,
                                                      100},
                                           InsideCase{"avif", OutputFormat::Avif, 160},
                                           InsideCase{"avif_large", OutputFormat::Avif, 700}),
                         [](const auto &info) { return std::string(info.param.format); });
