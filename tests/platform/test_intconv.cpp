#include "intconv.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

struct ConvCase {
    std::string text;
    std::optional<std::int32_t> expected;
};

void PrintTo(const ConvCase &c, std::ostream *os) {
    *os << "\"" << c.text << "\"";
}

class IntConv : public ::testing::TestWithParam<ConvCase> {};

TEST_P(IntConv, converts_or_rejects_as_the_table_says) {
    const auto &c = GetParam();
    EXPECT_EQ(TryStrToInt(c.text), c.expected);
}

TEST_P(IntConv, StrToInt_agrees_and_names_the_text_on_failure) {
    const auto &c = GetParam();
    if (c.expected) {
        EXPECT_EQ(StrToInt(c.text), *c.expected);
        return;
    }
    try {
        StrToInt(c.text);
        FAIL() << "no error for \"" << c.text << "\"";
    } catch (const EConvertError &e) {
        EXPECT_EQ(std::string(e.what()), "'" + c.text + "' is not a valid integer value");
    }
}

constexpr std::int32_t kMin = -2147483647 - 1;
constexpr std::int32_t kMax = 2147483647;
const std::optional<std::int32_t> kFail;

INSTANTIATE_TEST_SUITE_P(
    Decimal, IntConv,
    ::testing::Values(ConvCase{"0", 0}, ConvCase{"7", 7}, ConvCase{"-7", -7}, ConvCase{"+5", 5},
                      ConvCase{"007", 7}, ConvCase{"-0", 0}, ConvCase{"2147483647", kMax},
                      ConvCase{"+2147483647", kMax}, ConvCase{"-2147483648", kMin},
                      ConvCase{"2147483648", kFail}, ConvCase{"+2147483648", kFail},
                      ConvCase{"-2147483649", kFail}, ConvCase{"99999999999999999999", kFail},
                      ConvCase{"00000000000000000012", 12}));

INSTANTIATE_TEST_SUITE_P(
    Hexadecimal, IntConv,
    ::testing::Values(ConvCase{"$10", 16}, ConvCase{"x10", 16}, ConvCase{"X10", 16},
                      ConvCase{"0x10", 16}, ConvCase{"0X10", 16}, ConvCase{"$1f", 31},
                      ConvCase{"$1F", 31}, ConvCase{"$abcdef", 0xABCDEF},
                      ConvCase{"$7FFFFFFF", kMax}, ConvCase{"$80000000", kMin},
                      ConvCase{"$FFFFFFFF", -1}, ConvCase{"0xFFFFFFFE", -2},
                      ConvCase{"$100000000", kFail}, ConvCase{"$0000000000FF", 255},
                      ConvCase{"-$10", -16}, ConvCase{"+$10", 16}, ConvCase{"-$FFFFFFFF", 1},
                      ConvCase{"-$80000000", kMin}, ConvCase{"$", kFail}, ConvCase{"0x", kFail},
                      ConvCase{"x", kFail}, ConvCase{"$G", kFail}, ConvCase{"$1G", kFail},
                      ConvCase{"$$1", kFail}, ConvCase{"0x$1", kFail}, ConvCase{"00x1", kFail},
                      ConvCase{"$-1", kFail}, ConvCase{"$ 1", kFail}));

INSTANTIATE_TEST_SUITE_P(
    Layout, IntConv,
    ::testing::Values(ConvCase{"", kFail}, ConvCase{" ", kFail}, ConvCase{" 5", 5},
                      ConvCase{"   -12", -12}, ConvCase{"  $20", 32}, ConvCase{"5 ", kFail},
                      ConvCase{"\t5", kFail}, ConvCase{"\n5", kFail}, ConvCase{"- 5", kFail},
                      ConvCase{"+", kFail}, ConvCase{"-", kFail}, ConvCase{"+-5", kFail},
                      ConvCase{"--5", kFail}, ConvCase{"1-2", kFail}, ConvCase{"12.5", kFail},
                      ConvCase{"1e3", kFail}, ConvCase{"1,000", kFail}, ConvCase{"abc", kFail},
                      ConvCase{"12a34", kFail}));

TEST(IntConvText, a_text_with_an_embedded_nul_is_rejected_whole) {
    using namespace std::string_literals;
    EXPECT_EQ(TryStrToInt("5\0"s + "5"), std::nullopt);
}
