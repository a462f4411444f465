// The words a failed conversion is told in, shared by the window and the command line.
#include "statustext.h"

#include <cerrno>

#include <gtest/gtest.h>

namespace {

struct FailureCase {
    ThumbnailError error;
    int code;
    const char *message;
    const char *libraryWords = "";
    std::uint64_t need = 0;
};

class FailureMessages : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailureMessages, name_the_real_cause) {
    const FailureCase &c = GetParam();
    EXPECT_EQ(DescribeStatus({c.error, c.code, c.libraryWords, c.need},
                             {"/no/such/src.jpg", "out/t.jpg", 10, 10, 1ull << 30}),
              c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailureMessages,
    ::testing::Values(
        FailureCase{ThumbnailError::Source, EACCES, "the photo cannot be read: permission denied"},
        FailureCase{ThumbnailError::Source, EWOULDBLOCK, "the photo is locked by another program"},
        FailureCase{ThumbnailError::TooLarge, 0,
                    "decoding the photo needs about 769M of memory, more than the memory limit "
                    "of 1G",
                    "", (768ull << 20) + 1},
        FailureCase{ThumbnailError::TooLarge, 0,
                    "decoding the photo needs more memory than the memory limit of 1G allows: "
                    "Backing store not supported",
                    "Backing store not supported", 700ull << 20},
        FailureCase{ThumbnailError::NotDecodable, 0,
                    "the photo cannot be decoded: Not a JPEG file: starts with 0x47 0x49",
                    "Not a JPEG file: starts with 0x47 0x49"},
        FailureCase{ThumbnailError::OutOfMemory, 0, "the system has no memory left"},
        FailureCase{ThumbnailError::EmptyThumbnail, 0,
                    "the thumbnail would be empty: cropped to 10x10 the photo keeps no whole row "
                    "or column"},
        FailureCase{ThumbnailError::Target, ENOSPC,
                    "cannot write out/t.jpg: no space left on the device"},
        FailureCase{ThumbnailError::Target, ENOENT, "the output folder out does not exist"},
        FailureCase{ThumbnailError::Target, ENOTDIR, "the output path out is not a folder"},
        FailureCase{ThumbnailError::Target, kErrorProtectedTarget,
                    "the target out/t.jpg is another photo of this batch"}));

} // namespace
