#include "jsonline.h"
#include "namelist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

struct ListCase {
    std::string text;
    std::vector<std::string> names;
};

class NameList : public ::testing::TestWithParam<ListCase> {};

TEST_P(NameList, splits_on_nul_when_there_is_one_else_on_lines) {
    EXPECT_EQ(SplitNameList(GetParam().text), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, NameList,
    ::testing::Values(ListCase{"a.jpg\nb c.jpg\n", {"a.jpg", "b c.jpg"}},
                      ListCase{"a.jpg\n\nb.jpg", {"a.jpg", "b.jpg"}},
                      ListCase{"a\r\n", {"a\r"}}, // a name's bytes stay as they are
                      ListCase{"one\nline\0two\0"s, {"one\nline", "two"}},
                      ListCase{"caf\xe9.jpg\0\0x\0"s, {"caf\xe9.jpg", "x"}}, ListCase{"", {}}));

struct JsonCase {
    std::string bytes;
    std::string json;
};

class JsonText : public ::testing::TestWithParam<JsonCase> {};

// Python reads the escapes back with json.loads and os.fsencode (the Dask driver does).
TEST_P(JsonText, escapes_controls_and_bytes_outside_utf8) {
    EXPECT_EQ(JsonString(GetParam().bytes), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, JsonText,
    ::testing::Values(JsonCase{"plain.jpg", R"("plain.jpg")"},
                      JsonCase{"a\"b\\c\n\t\x01\x7f", R"("a\"b\\c\n\t\u0001\u007f")"},
                      JsonCase{"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
                               "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},
                      JsonCase{"caf\xe9.jpg", R"("caf\udce9.jpg")"},
                      JsonCase{"\xc0\xaf\xed\xa0\x80\xe2\x82",
                               R"("\udcc0\udcaf\udced\udca0\udc80\udce2\udc82")"},
                      JsonCase{"\xf4\x90\x80\x80", R"("\udcf4\udc90\udc80\udc80")"}));

TEST(JsonObject, writes_members_in_order_on_one_line) {
    EXPECT_EQ(
        JsonObject().add("source", "a\xff").add("bytes", std::int64_t(12)).add("ms", 1.25).line(),
        R"({"source": "a\udcff", "bytes": 12, "ms": 1.2})");
}
