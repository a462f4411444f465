#include "atomicfile.h"
#include "inifile.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ReadCase {
    const char *name;
    const char *text;
    const char *section;
    const char *key;
    const char *expected; // nullptr: the key is not found
};

class IniRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, FindsTheValueProfileReadersWouldSee) {
    const ReadCase &c = GetParam();
    std::optional<std::string> got = IniText(c.text).value(c.section, c.key);
    if (c.expected == nullptr)
        EXPECT_FALSE(got.has_value()) << *got;
    else
        EXPECT_EQ(got.value_or("<missing>"), c.expected);
}

const ReadCase readCases[] = {
    {"plain", "[settings]\nwidth=160\n", "settings", "width", "160"},
    {"section_case", "[SeTTings]\nwidth=160\n", "settings", "width", "160"},
    {"key_case", "[settings]\nWIDTH=160\n", "settings", "width", "160"},
    {"spaces_trimmed", "[ settings ]\n  width  =  160 \t\n", "settings", "width", "160"},
    {"crlf", "[settings]\r\nwidth=160\r\nheight=7\r\n", "settings", "width", "160"},
    {"empty_value", "[settings]\nextension=\n", "settings", "extension", ""},
    {"value_keeps_inner_equals", "[s]\nk=a=b\n", "s", "k", "a=b"},
    {"first_of_duplicates", "[s]\nk=1\nk=2\n", "s", "k", "1"},
    {"other_section", "[other]\nwidth=1\n[settings]\nwidth=2\n", "settings", "width", "2"},
    {"key_in_other_section", "[other]\nwidth=1\n[settings]\n", "settings", "width", nullptr},
    {"no_section", "width=1\n", "settings", "width", nullptr},
    {"commented_out", "[settings]\n;width=1\n", "settings", "width", nullptr},
    {"no_final_newline", "[settings]\nwidth=9", "settings", "width", "9"},
    {"empty_text", "", "settings", "width", nullptr},
    {"byte_order_mark", "\xEF\xBB\xBF[settings]\nwidth=1\n", "settings", "width", "1"},
    {"lone_cr_ends_lines", "[settings]\rwidth=1\rheight=2\r", "settings", "height", "2"},
    {"mixed_line_ends", "[a]\r\nk=1\n[settings]\rk=2\r\n", "settings", "k", "2"},
    {"missing_bracket", "[settings\nwidth=3\n", "settings", "width", "3"},
    {"double_quotes", "[s]\nk=\"/home/me/My Thumbs\"\n", "s", "k", "/home/me/My Thumbs"},
    {"single_quotes", "[s]\nk = ' a ' \n", "s", "k", " a "},
    {"one_pair_only", "[s]\nk=\"\"x\"\"\n", "s", "k", "\"x\""},
    {"unmatched_quotes", "[s]\nk=\"x'\n", "s", "k", "\"x'"},
    {"lone_quote", "[s]\nk=\"\n", "s", "k", "\""},
    {"inner_quotes", "[s]\nk=a \"b\" c\n", "s", "k", "a \"b\" c"},
};
INSTANTIATE_TEST_SUITE_P(Table, IniRead, testing::ValuesIn(readCases),
                         [](const auto &info) { return std::string(info.param.name); });

struct WriteCase {
    const char *name;
    const char *before;
    const char *key;
    const char *value;
    const char *after;
};

class IniWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, ChangesOnlyWhatItMust) {
    const WriteCase &c = GetParam();
    IniText ini(c.before);
    ini.setValue("settings", c.key, c.value);
    EXPECT_EQ(ini.text(), c.after);
}

const WriteCase writeCases[] = {
    {"creates_section", "", "width", "160", "[settings]\nwidth=160\n"},
    {"appends_missing_section", "; mine\n[other]\na=1\n", "width", "160",
     "; mine\n[other]\na=1\n[settings]\nwidth=160\n"},
    {"appends_after_text_without_newline", "[other]\na=1", "width", "1",
     "[other]\na=1\n[settings]\nwidth=1\n"},
    {"replaces_value_keeps_rest", "[settings]\n; c\nwidth=1\nzoom=3\n", "WIDTH", "2",
     "[settings]\n; c\nwidth=2\nzoom=3\n"},
    {"keeps_stored_spelling", "[settings]\n  Width = 1\n", "width", "2", "[settings]\nWidth=2\n"},
    {"new_key_after_last_key", "[settings]\na=1\n\n; note\n[next]\nb=2\n", "width", "5",
     "[settings]\na=1\nwidth=5\n\n; note\n[next]\nb=2\n"},
    {"new_key_in_empty_section", "[settings]\n\n[next]\n", "width", "5",
     "[settings]\nwidth=5\n\n[next]\n"},
    {"keeps_crlf", "[settings]\r\na=1\r\n", "b", "2", "[settings]\r\na=1\r\nb=2\r\n"},
    {"empty_value", "[settings]\nk=v\n", "k", "", "[settings]\nk=\n"},
    {"section_name_case", "[SETTINGS]\nk=v\n", "k", "w", "[SETTINGS]\nk=w\n"},
    {"keeps_byte_order_mark", "\xEF\xBB\xBF[settings]\nk=v\n", "k", "w",
     "\xEF\xBB\xBF[settings]\nk=w\n"},
    {"crlf_section_in_lf_file", "[a]\nx=1\n[settings]\r\nk=v\r\n[b]\ny=2\n", "new", "1",
     "[a]\nx=1\n[settings]\r\nk=v\r\nnew=1\r\n[b]\ny=2\n"},
    {"changed_line_keeps_its_end", "[settings]\r\nk=v\n", "k", "w", "[settings]\r\nk=w\n"},
    {"lone_cr_kept", "[settings]\rk=v\r", "n", "1", "[settings]\rk=v\rn=1\r"},
    {"unchanged_last_line_gets_an_end", "[settings]\nk=v\n[b]\nx=1", "k", "w",
     "[settings]\nk=w\n[b]\nx=1\n"},
    {"unended_last_line_takes_the_end_before_it", "[a]\r\nx=1\r\ny=2\nz=3", "k", "v",
     "[a]\r\nx=1\r\ny=2\nz=3\n[settings]\nk=v\n"},
    {"single_unended_line_gets_lf", "; c", "k", "v", "; c\n[settings]\nk=v\n"},
    {"missing_bracket_section_is_used", "[settings\nk=v\n", "k", "w", "[settings\nk=w\n"},
    {"value_ends_at_line_break", "", "k", "a\nb\rc", "[settings]\nk=a\n"},
    {"value_that_reading_would_change_is_quoted", "", "k", " a ", "[settings]\nk=\" a \"\n"},
    {"quoted_value_is_quoted_again", "", "k", "'a'", "[settings]\nk=\"'a'\"\n"},
};
INSTANTIATE_TEST_SUITE_P(Table, IniWrite, testing::ValuesIn(writeCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A throw-away folder per test.
class ProfileFile : public testing::Test {
protected:
    void put(const std::string &text) const { std::ofstream(file_, std::ios::binary) << text; }
    std::string contents() const { return ReadWholeFile(file_).value_or("<no file>"); }
    int entries() const { return int(folder_.names().size()); }

    TempFolder folder_;
    const std::string dir_ = folder_.path();
    const std::string file_ = dir_ + "/Quillet.ini";
};

TEST_F(ProfileFile, MissingFileGivesTheDefault) {
    EXPECT_EQ(ReadProfileString(file_, "settings", "width", "x"), "x");
}

TEST_F(ProfileFile, ReadsAreCutTo2047Characters) {
    const std::string longText(3000, 'f');
    put("[settings]\ntargetfolder=" + longText + "\n");
    EXPECT_EQ(ReadProfileString(file_, "settings", "targetfolder", ""), longText.substr(0, 2047));
    EXPECT_EQ(ReadProfileString(file_, "settings", "missing", longText).size(), 2047u);
}

TEST_F(ProfileFile, EachWriteReachesTheFileAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(WriteProfileString(file_, "settings", "width", "160"));
    EXPECT_EQ(contents(), "[settings]\nwidth=160\n");
    ASSERT_TRUE(WriteProfileString(file_, "settings", "height", "180"));
    EXPECT_EQ(contents(), "[settings]\nwidth=160\nheight=180\n");
    EXPECT_EQ(entries(), 1);
}

TEST_F(ProfileFile, ReplacingKeepsThePermissions) {
    put("[settings]\n");
    ASSERT_EQ(chmod(file_.c_str(), 0640), 0);
    ASSERT_TRUE(WriteProfileString(file_, "settings", "width", "1"));
    struct stat st {};
    ASSERT_EQ(stat(file_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(ProfileFile, WritesThroughASymbolicLink) {
    const std::string real = dir_ + "/real.ini";
    std::ofstream(real) << "[settings]\n";
    ASSERT_EQ(symlink(real.c_str(), file_.c_str()), 0);
    ASSERT_TRUE(WriteProfileString(file_, "settings", "width", "1"));
    struct stat st {};
    ASSERT_EQ(lstat(file_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadWholeFile(real).value_or(""), "[settings]\nwidth=1\n");
}

TEST_F(ProfileFile, ReadOnlyFileRefusesAndStaysAsItWas) {
    put("[settings]\nwidth=1\n");
    ASSERT_EQ(chmod(file_.c_str(), 0444), 0);
    EXPECT_FALSE(WriteProfileString(file_, "settings", "width", "2"));
    EXPECT_EQ(contents(), "[settings]\nwidth=1\n");
    EXPECT_EQ(entries(), 1);
}

TEST_F(ProfileFile, ReadOnlyFolderRefuses) {
    ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
    EXPECT_FALSE(WriteProfileString(file_, "settings", "width", "2"));
    EXPECT_EQ(entries(), 0);
}

TEST_F(ProfileFile, ReadOnlyFolderWithAWritableFileIsWrittenInPlace) {
    // No rename is possible here; the longer old contents must not outlast the write.
    put("[settings]\nwidth=1\nextension=a long value that the new contents do not reach\n");
    ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
    const ProfileEntry keys[] = {{"width", "2"}, {"extension", "b"}};
    EXPECT_TRUE(WriteProfileStrings(file_, "settings", keys));
    EXPECT_EQ(contents(), "[settings]\nwidth=2\nextension=b\n");
}

TEST_F(ProfileFile, MissingFolderOrAFolderInTheWayRefuses) {
    EXPECT_FALSE(WriteProfileString(dir_ + "/none/Quillet.ini", "settings", "width", "2"));
    ASSERT_EQ(mkdir(file_.c_str(), 0755), 0);
    EXPECT_FALSE(WriteProfileString(file_, "settings", "width", "2"));
}

TEST_F(ProfileFile, WritesAllKeysWithOneReplace) {
    put("; mine\n[settings]\nB=old\n");
    const ProfileEntry keys[] = {{"a", "1"}, {"b", " spaced "}, {"c", "'q'"}};
    ASSERT_TRUE(WriteProfileStrings(file_, "settings", keys));
    EXPECT_EQ(contents(), "; mine\n[settings]\nB=\" spaced \"\na=1\nc=\"'q'\"\n");
    for (const ProfileEntry &e : keys)
        EXPECT_EQ(ReadProfileString(file_, "settings", e.key, "?"), e.value);
    EXPECT_EQ(entries(), 1);
}

} // namespace
