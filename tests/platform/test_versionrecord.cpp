#include "versionrecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes &b, std::size_t at, std::uint16_t v, bool big = false) {
    if (b.size() < at + 2)
        b.resize(at + 2);
    b[at + (big ? 1 : 0)] = std::uint8_t(v);
    b[at + (big ? 0 : 1)] = std::uint8_t(v >> 8);
}

void put32(Bytes &b, std::size_t at, std::uint32_t v, bool big = false) {
    put16(b, at + (big ? 2 : 0), std::uint16_t(v), big);
    put16(b, at + (big ? 0 : 2), std::uint16_t(v >> 16), big);
}

void put64(Bytes &b, std::size_t at, std::uint64_t v, bool big = false) {
    put32(b, at + (big ? 4 : 0), std::uint32_t(v), big);
    put32(b, at + (big ? 0 : 4), std::uint32_t(v >> 32), big);
}

struct PeShape {
    bool plus;                 // PE32+ instead of PE32
    std::uint32_t secondLevel; // the resource's name or id entry
    std::uint16_t valueLength; // the version block's declared value length
    std::uint32_t ms, ls;      // dwFileVersionMS / LS
};

// A minimal PE image whose only section holds a version resource (type 16, then the given
// name or id, then language 0x409).
Bytes makePe(const PeShape &s) {
    Bytes b(0x200, 0);
    put16(b, 0, 0x5A4D);
    put32(b, 0x3C, 0x40);
    put32(b, 0x40, 0x00004550);
    const std::size_t coff = 0x44, opt = coff + 20;
    const std::uint16_t optSize = s.plus ? 0xF0 : 0xE0;
    put16(b, coff, s.plus ? 0x8664 : 0x14C);
    put16(b, coff + 2, 1);
    put16(b, coff + 16, optSize);
    put16(b, opt, s.plus ? 0x20B : 0x10B);
    const std::size_t count = s.plus ? 108 : 92;
    put32(b, opt + count, 16);
    put32(b, opt + count + 4 + 16, 0x1000); // resource directory RVA
    put32(b, opt + count + 4 + 20, 0xB4);   // and size
    const std::size_t sec = opt + optSize;
    b[sec] = '.';
    put32(b, sec + 8, 0xB4);    // virtual size
    put32(b, sec + 12, 0x1000); // virtual address
    put32(b, sec + 16, 0x200);  // raw size
    put32(b, sec + 20, 0x200);  // raw offset
    Bytes r(0x200, 0);
    put16(r, 0x0E, 1);
    put32(r, 0x10, 16);
    put32(r, 0x14, 0x80000018);
    put16(r, 0x18 + 0x0E, 1);
    put32(r, 0x28, s.secondLevel);
    put32(r, 0x2C, 0x80000030);
    put16(r, 0x30 + 0x0E, 1);
    put32(r, 0x40, 0x409);
    put32(r, 0x44, 0x48);
    put32(r, 0x48, 0x1058); // data RVA
    put32(r, 0x4C, 92);
    const std::size_t v = 0x58;
    put16(r, v, 92);
    put16(r, v + 2, s.valueLength);
    const char16_t key[] = u"VS_VERSION_INFO";
    for (std::size_t i = 0; i < std::size(key); ++i)
        put16(r, v + 6 + 2 * i, key[i]);
    put32(r, v + 40, 0xFEEF04BD);
    put32(r, v + 44, 0x00010000);
    put32(r, v + 48, s.ms);
    put32(r, v + 52, s.ls);
    b.insert(b.end(), r.begin(), r.end());
    return b;
}

// A minimal ELF file (64-bit little-endian or 32-bit big-endian) with one note section.
Bytes makeElf(bool is64, bool big, std::uint32_t noteType, const std::uint32_t (&v)[4]) {
    Bytes b(0x100, 0);
    b[0] = 0x7F;
    b[1] = 'E';
    b[2] = 'L';
    b[3] = 'F';
    b[4] = is64 ? 2 : 1;
    b[5] = big ? 2 : 1;
    const std::size_t notes = 0x80, shoff = 0xC0;
    // A foreign note first, then ours.
    put32(b, notes, 4, big);
    put32(b, notes + 4, 4, big);
    put32(b, notes + 8, 1, big);
    std::copy_n("GNU", 4, b.begin() + notes + 12);
    const std::size_t q = notes + 20;
    put32(b, q, 8, big);
    put32(b, q + 4, 16, big);
    put32(b, q + 8, noteType, big);
    std::copy_n("Quillet", 8, b.begin() + q + 12);
    for (int i = 0; i < 4; ++i)
        put32(b, q + 20 + 4 * std::size_t(i), v[i], big);
    const std::uint32_t noteSize = 20 + 36;
    if (is64) {
        put64(b, 0x28, shoff, big);
        put16(b, 0x3A, 64, big);
        put16(b, 0x3C, 2, big);
        b.resize(shoff + 128);
        put32(b, shoff + 64 + 4, 7, big);
        put64(b, shoff + 64 + 0x18, notes, big);
        put64(b, shoff + 64 + 0x20, noteSize, big);
    } else {
        put32(b, 0x20, shoff, big);
        put16(b, 0x2E, 40, big);
        put16(b, 0x30, 2, big);
        b.resize(shoff + 80);
        put32(b, shoff + 40 + 4, 7, big);
        put32(b, shoff + 40 + 0x10, notes, big);
        put32(b, shoff + 40 + 0x14, noteSize, big);
    }
    return b;
}

std::string writeTemp(const Bytes &bytes) {
    char name[] = "/tmp/quillet-version-XXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    close(fd);
    return name;
}

std::string zlibDll(const char *triplet) {
    std::string path = std::string("/usr/") + triplet + "/lib/zlib1.dll";
    return access(path.c_str(), R_OK) == 0 ? path : std::string();
}

// Every prefix gives nothing or the right version, and nothing while the version block
// (which ends at `needed`) is not complete.
void checkPrefixes(const Bytes &file, std::size_t needed, const FileVersion &expected) {
    for (std::size_t n = 0; n < file.size(); ++n) {
        Bytes cut(file.begin(), file.begin() + std::ptrdiff_t(n));
        auto v = ReadFileVersion(cut);
        if (n < needed) {
            EXPECT_FALSE(v.has_value()) << n;
        } else if (v) {
            EXPECT_EQ(*v, expected) << n;
        }
    }
}

} // namespace

class PeVersion : public ::testing::TestWithParam<PeShape> {};

TEST_P(PeVersion, reads_the_fixed_file_version_under_any_id) {
    const PeShape s = GetParam();
    auto v = ReadFileVersion(makePe(s));
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->Major, s.ms >> 16);
    EXPECT_EQ(v->Minor, s.ms & 0xFFFF);
    EXPECT_EQ(v->Release, s.ls >> 16);
    EXPECT_EQ(v->Build, s.ls & 0xFFFF);
}

INSTANTIATE_TEST_SUITE_P(Table, PeVersion,
                         ::testing::Values(PeShape{false, 1, 52, 0x00010002, 0x00030004},
                                           PeShape{true, 1, 52, 0x00010002, 0x00030004},
                                           PeShape{false, 7, 52, 0x00020000, 0x00000000},
                                           PeShape{true, 0x80000100, 52, 0x0000000A, 0},
                                           PeShape{false, 1, 52, 0xFFFF0000, 0x0000FFFF}));

TEST(PeVersion, large_numbers_are_not_sign_extended) {
    int major = 0, minor = 0, release = 0, build = 0;
    const std::string path = writeTemp(makePe({false, 1, 52, 0xFFFF0000, 0x0000FFFF}));
    EXPECT_TRUE(GetFileVersion(path, major, minor, release, build));
    std::remove(path.c_str());
    EXPECT_EQ(major, 65535);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(release, 0);
    EXPECT_EQ(build, 65535);
}

TEST(PeVersion, a_record_without_the_fixed_part_is_no_version) {
    EXPECT_FALSE(ReadFileVersion(makePe({false, 1, 0, 0x00010002, 0x00030004})).has_value());
}

TEST(PeVersion, a_bad_signature_is_no_version) {
    Bytes pe = makePe({false, 1, 52, 0x00010002, 0x00030004});
    put32(pe, 0x200 + 0x58 + 40, 0xFEEF04BC);
    EXPECT_FALSE(ReadFileVersion(pe).has_value());
}

TEST(PeVersion, truncated_files_never_read_past_their_end) {
    for (bool plus : {false, true}) {
        const Bytes pe = makePe({plus, 1, 52, 0x00010002, 0x00030004});
        checkPrefixes(pe, 0x200 + 0x58 + 56, FileVersion{1, 2, 3, 4});
    }
}

TEST(PeVersion, every_corrupted_byte_is_survived) {
    const Bytes pe = makePe({false, 1, 52, 0x00010002, 0x00030004});
    for (std::size_t i = 0; i < pe.size(); ++i) {
        for (std::uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
            Bytes bad = pe;
            bad[i] = value;
            (void)ReadFileVersion(bad); // must return, whatever it finds
        }
    }
}

TEST(PeVersion, a_directory_that_points_at_itself_ends) {
    Bytes pe = makePe({false, 1, 52, 0x00010002, 0x00030004});
    const std::size_t root = 0x200;
    put16(pe, root + 0x0E, 0xFFFF);
    for (std::size_t e = root + 0x10; e + 8 <= pe.size(); e += 8) {
        put32(pe, e, 16);
        put32(pe, e + 4, 0x80000000);
    }
    EXPECT_FALSE(ReadFileVersion(pe).has_value());
}

class ZlibDll : public ::testing::TestWithParam<const char *> {};

TEST_P(ZlibDll, reads_the_packaged_dll_version) {
    const std::string path = zlibDll(GetParam());
    if (path.empty())
        GTEST_SKIP() << "zlib1.dll for " << GetParam() << " is not installed";
    int major = -1, minor = -1, release = -1, build = -1;
    ASSERT_TRUE(GetFileVersion(path, major, minor, release, build));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 2);
    EXPECT_EQ(release, 13);
    EXPECT_EQ(build, 0);
}

TEST_P(ZlibDll, every_prefix_of_the_dll_is_handled) {
    const std::string path = zlibDll(GetParam());
    if (path.empty())
        GTEST_SKIP() << "zlib1.dll for " << GetParam() << " is not installed";
    std::ifstream in(path, std::ios::binary);
    const Bytes dll((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(dll.size(), 1024u);
    std::size_t firstFound = dll.size() + 1;
    for (std::size_t n = 0; n <= dll.size(); n += 61) {
        Bytes cut(dll.begin(), dll.begin() + std::ptrdiff_t(n));
        if (ReadFileVersion(cut) && firstFound > n)
            firstFound = n;
    }
    // The version block sits near the end; short prefixes cannot contain it.
    EXPECT_GT(firstFound, 1024u);
    EXPECT_TRUE(ReadFileVersion(dll).has_value());
}

INSTANTIATE_TEST_SUITE_P(Arch, ZlibDll,
                         ::testing::Values("i686-w64-mingw32", "x86_64-w64-mingw32"));

TEST(OwnExecutable, carries_the_stamped_build_version) {
    auto v = ReadFileVersion("/proc/self/exe");
    ASSERT_TRUE(v.has_value());
    const std::string text = std::to_string(v->Major) + "." + std::to_string(v->Minor) + "." +
                             std::to_string(v->Release) + "." + std::to_string(v->Build);
    EXPECT_EQ(text, QUILLET_VERSION_STRING);
}

struct ElfShape {
    bool is64, big;
};

class ElfNote : public ::testing::TestWithParam<ElfShape> {};

TEST_P(ElfNote, reads_the_note_in_either_class_and_byte_order) {
    const auto [is64, big] = GetParam();
    const std::uint32_t v[4] = {3, 65535, 0, 42};
    EXPECT_EQ(ReadFileVersion(makeElf(is64, big, 1, v)), (FileVersion{3, 65535, 0, 42}));
}

TEST_P(ElfNote, a_note_of_another_type_or_too_large_numbers_is_no_version) {
    const auto [is64, big] = GetParam();
    const std::uint32_t v[4] = {1, 2, 3, 4};
    EXPECT_FALSE(ReadFileVersion(makeElf(is64, big, 2, v)).has_value());
    const std::uint32_t wide[4] = {1, 2, 3, 65536};
    EXPECT_FALSE(ReadFileVersion(makeElf(is64, big, 1, wide)).has_value());
}

TEST_P(ElfNote, truncated_and_corrupted_files_are_survived) {
    const auto [is64, big] = GetParam();
    const std::uint32_t v[4] = {1, 2, 3, 4};
    const Bytes elf = makeElf(is64, big, 1, v);
    checkPrefixes(elf, 0x80 + 20 + 36, FileVersion{1, 2, 3, 4});
    for (std::size_t i = 0; i < elf.size(); ++i) {
        for (std::uint8_t value : {0x00, 0x80, 0xFF}) {
            Bytes bad = elf;
            bad[i] = value;
            (void)ReadFileVersion(bad);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ElfNote,
                         ::testing::Values(ElfShape{true, false}, ElfShape{false, true},
                                           ElfShape{true, true}, ElfShape{false, false}));

class NoVersion : public ::testing::TestWithParam<std::string> {};

TEST_P(NoVersion, returns_false_and_keeps_the_outputs) {
    std::string path = GetParam();
    if (path == "text" || path == "empty")
        path = writeTemp(path == "text" ? Bytes{'h', 'e', 'l', 'l', 'o'} : Bytes{});
    else if (access(path.c_str(), F_OK) != 0 && path.rfind("/nonexistent", 0) != 0)
        GTEST_SKIP() << path << " is not here";
    int major = -5, minor = -6, release = -7, build = -8;
    EXPECT_FALSE(GetFileVersion(path, major, minor, release, build));
    EXPECT_EQ(major, -5);
    EXPECT_EQ(minor, -6);
    EXPECT_EQ(release, -7);
    EXPECT_EQ(build, -8);
    if (path.rfind("/tmp/quillet-version-", 0) == 0)
        std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Files, NoVersion,
                         ::testing::Values("text", "empty", "/nonexistent/file.exe", "/tmp",
                                           "/bin/sh"));
