#include "exiforientation.h"
#include "jpegfixtures.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

Orientation FromJpeg(const std::string &bytes) {
    std::istringstream in(bytes);
    return ReadJpegOrientation(in);
}

std::string TaggedJpeg(int orientation, bool bigEndian) {
    JpegMetadata exif;
    exif.exifOrientation = orientation;
    exif.exifBigEndian = bigEndian;
    return EncodeJpeg(SolidPicture(16, 8, 10, 20, 30), {}, exif);
}

TEST(ExifOrientation, every_value_in_both_byte_orders) {
    for (bool bigEndian : {true, false})
        for (int value = 1; value <= 8; ++value)
            EXPECT_EQ(FromJpeg(TaggedJpeg(value, bigEndian)), Orientation(value))
                << value << (bigEndian ? " MM" : " II");
}

TEST(ExifOrientation, missing_or_damaged_tags_read_as_normal) {
    const std::string exif = ExifBlock(6, true);
    const auto payload = [](std::string b) {
        return ExifOrientation({reinterpret_cast<const std::uint8_t *>(b.data()), b.size()});
    };
    std::string wrongType = exif, noSignature = exif, badMagic = exif, farDirectory = exif;
    wrongType[6 + 8 + 2 + 12 + 3] = 4; // the orientation entry's type: a long
    noSignature[0] = 'e';
    badMagic[6 + 3] = 43;
    farDirectory[6 + 4] = 0x7F; // the first directory's offset beyond the block
    struct Case {
        const char *name;
        Orientation got;
    } cases[] = {
        {"no EXIF block", FromJpeg(EncodeJpeg(SolidPicture(16, 8, 1, 2, 3)))},
        {"value 0", FromJpeg(TaggedJpeg(0, true))},
        {"value 9", FromJpeg(TaggedJpeg(9, false))},
        {"wrong type", payload(wrongType)},
        {"no signature", payload(noSignature)},
        {"not TIFF", payload(badMagic)},
        {"directory outside", payload(farDirectory)},
        {"cut inside the directory", payload(exif.substr(0, 6 + 8 + 2 + 12 + 6))},
        {"not a JPEG", FromJpeg("GIF89a and more")},
        {"JPEG cut in a marker", FromJpeg(TaggedJpeg(6, true).substr(0, 30))},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.got, Orientation::Normal) << c.name;
}

} // namespace
