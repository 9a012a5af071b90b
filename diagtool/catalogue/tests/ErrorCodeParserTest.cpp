#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "diagtool/catalogue/ErrorCodeParser.h"

// Named, not anonymous: see the note in the catalogue test.
namespace parser_test {

struct ParseCase {
    const char* text;
    std::optional<std::uint32_t> value;
};

class ErrorCodeParserTest : public ::testing::TestWithParam<ParseCase> {};

} // namespace parser_test

using parser_test::ErrorCodeParserTest;
using parser_test::ParseCase;

TEST_P(ErrorCodeParserTest, ReadsAutomaticBaseOrRefuses) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(tryParseErrorCode(c.text), c.value);
    EXPECT_EQ(parseErrorCode(c.text), c.value.value_or(0));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ErrorCodeParserTest,
    ::testing::Values(ParseCase{"0x201", 513u}, ParseCase{"0X201", 513u}, ParseCase{"513", 513u},
                      ParseCase{"01001", 513u}, ParseCase{"0x10af", 0x10AFu}, ParseCase{"0", 0u},
                      ParseCase{"00", 0u}, ParseCase{"4294967295", 4294967295u},
                      ParseCase{"0xFFFFFFFF", 0xFFFFFFFFu}, ParseCase{"037777777777", 0xFFFFFFFFu},
                      ParseCase{"0x00000000000201", 513u}, ParseCase{" 0x201\t", 513u},
                      // refused: no number, wrong digits for the base, signs, overflow
                      ParseCase{"abc", std::nullopt}, ParseCase{"", std::nullopt},
                      ParseCase{"  ", std::nullopt}, ParseCase{"0x", std::nullopt},
                      ParseCase{"08", std::nullopt}, ParseCase{"0x20G", std::nullopt},
                      ParseCase{"513abc", std::nullopt}, ParseCase{"5 13", std::nullopt},
                      ParseCase{"-1", std::nullopt}, ParseCase{"+513", std::nullopt},
                      ParseCase{"4294967296", std::nullopt}, ParseCase{"0x100000000", std::nullopt},
                      ParseCase{"040000000000", std::nullopt},
                      ParseCase{"99999999999999999999999", std::nullopt},
                      ParseCase{"Enter error code here. Use 0x prefix for hex numbers", std::nullopt}));

TEST(ComFailure, CarriesACatalogueCodeOnlyUnderTheLabellingFacility) {
    EXPECT_EQ(catalogueCodeOfComFailure(0xC0040233u), 0x233u);
    EXPECT_EQ(catalogueCodeOfComFailure(0xC00410AFu), 0x10AFu);
    EXPECT_EQ(catalogueCodeOfComFailure(0xC0040000u), 0u);
    for (std::uint32_t value : {0x233u, 0x80040233u, 0xC0050233u, 0x80004005u, 0x40040233u})
        EXPECT_EQ(catalogueCodeOfComFailure(value), std::nullopt) << std::hex << value;
}
