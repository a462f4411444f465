#include "volume.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <string>

struct SerialCase {
    std::uint32_t serial;
    const char *text;
};

class DiskSerialText : public ::testing::TestWithParam<SerialCase> {};

TEST_P(DiskSerialText, is_eight_upper_case_hex_digits) {
    EXPECT_EQ(FormatDiskSerial(GetParam().serial), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, DiskSerialText,
                         ::testing::Values(SerialCase{0, "00000000"}, SerialCase{0xABC, "00000ABC"},
                                           SerialCase{0x0FFFFFFF, "0FFFFFFF"},
                                           SerialCase{0xDEADBEEF, "DEADBEEF"},
                                           SerialCase{0xFFFFFFFF, "FFFFFFFF"}));

TEST(DiskSerial, of_the_root_is_eight_hex_digits) {
    const std::string serial = GetDiskSerial("/");
    ASSERT_EQ(serial.size(), 8u);
    for (char c : serial)
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'))
            << serial;
}

TEST(DiskSerial, of_a_missing_path_is_empty) {
    EXPECT_EQ(GetDiskSerial("/nonexistent/quillet/volume"), "");
}

struct TypeCase {
    long type;
    bool local;
    const char *name;
};

void PrintTo(const TypeCase &c, std::ostream *os) {
    *os << c.name;
}

class FileSystemType : public ::testing::TestWithParam<TypeCase> {};

TEST_P(FileSystemType, network_optical_and_memory_file_systems_are_not_local) {
    EXPECT_EQ(IsLocalFileSystemType(GetParam().type), GetParam().local);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileSystemType,
    ::testing::Values(TypeCase{0xEF53, true, "ext4"}, TypeCase{0x9123683E, true, "btrfs"},
                      TypeCase{0x58465342, true, "xfs"}, TypeCase{0x4D44, true, "vfat"},
                      TypeCase{0x794C7630, true, "overlay"}, TypeCase{0x6969, false, "nfs"},
                      TypeCase{0xFF534D42, false, "cifs"}, TypeCase{0xFE534D42, false, "smb2"},
                      TypeCase{0x517B, false, "smb"}, TypeCase{0x01021997, false, "9p"},
                      TypeCase{0x9660, false, "iso9660"}, TypeCase{0x15013346, false, "udf"},
                      TypeCase{0x01021994, false, "tmpfs"}, TypeCase{0x9FA0, false, "proc"}));

// The type of the file system holding `path`, as coreutils names it: judged by a table of our
// own, not by the code under test.
std::string TypeNameOf(const std::string &path) {
    std::string name(64, '\0');
    FILE *out = ::popen(("stat -f -c %T '" + path + "'").c_str(), "r");
    name.resize(std::fread(name.data(), 1, name.size(), out));
    ::pclose(out);
    return name.substr(0, name.find('\n'));
}

const std::map<std::string, bool> localByTypeName = {
    {"ext2/ext3", true}, {"xfs", true},   {"btrfs", true}, {"overlayfs", true},
    {"tmpfs", false},    {"proc", false}, {"nfs", false},  {"v9fs", false},
};

struct DriveCase {
    const char *path;
    const char *judgedBy; // the existing folder whose file system decides
};

class LocalDrive : public ::testing::TestWithParam<DriveCase> {};

TEST_P(LocalDrive, follows_the_file_system_type) {
    const DriveCase &c = GetParam();
    const auto known = localByTypeName.find(TypeNameOf(c.judgedBy));
    if (known == localByTypeName.end())
        GTEST_SKIP() << c.judgedBy << " is on a file system of type " << TypeNameOf(c.judgedBy);
    EXPECT_EQ(IsLocalDrive(c.path), known->second) << c.path << " is on " << known->first;
}

INSTANTIATE_TEST_SUITE_P(Table, LocalDrive,
                         ::testing::Values(DriveCase{"/", "/"},
                                           DriveCase{"/proc/self/status", "/proc/self/status"},
                                           DriveCase{"/proc/no/such/file", "/proc"},
                                           DriveCase{"/no/such/file", "/"}));
