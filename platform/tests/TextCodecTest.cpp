// The ANSI code page, on every backend of the platform (Wine's code page
// 1252 against the emulated machine's table in the Windows lane).
#include "RegistryBackends.h"

#include "platform/RegistryAnsi.h"
#include "platform/RegistryData.h"

#include <gtest/gtest.h>

using namespace qmplatform;

namespace {

class TextCodecTest : public ::testing::TestWithParam<regtest::Backend> {
protected:
    void SetUp() override {
        codec_ = GetParam().codec();
        if (codec_->codePage() != 1252) {
            GTEST_SKIP() << "ANSI code page " << codec_->codePage();
        }
    }
    std::unique_ptr<TextCodec> codec_;
};

TEST_P(TextCodecTest, EveryByteOfCodePage1252GoesThereAndBack) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const std::wstring wide = codec_->fromAnsi(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide[0], L'\0'); // a NUL inside a text is a character like any other
    EXPECT_EQ(wide[0x41], L'A');
    EXPECT_EQ(wide[0x80], L'\u20ac');
    EXPECT_EQ(wide[0x81], L'\u0081'); // undefined in the code page: the C1 control of that number
    EXPECT_EQ(wide[0x8C], L'\u0152');
    EXPECT_EQ(wide[0x9F], L'\u0178');
    EXPECT_EQ(wide[0xA0], L'\u00a0');
    EXPECT_EQ(wide[0xFF], L'\u00ff');
    EXPECT_EQ(codec_->toAnsi(wide), all);
}

TEST_P(TextCodecTest, CharactersTheCodePageLacksBecomeQuestionMarks) {
    EXPECT_EQ(codec_->toAnsi(L"a\u4e2db\u0416c"), "a?b?c");
    EXPECT_EQ(codec_->toAnsi(L""), "");
    EXPECT_EQ(codec_->fromAnsi(""), L"");
}

TEST_P(TextCodecTest, TextDataOfTheRegistryConvertsWithItsTerminators) {
    const std::vector<std::uint8_t> multi = regMultiSzData(std::vector<std::wstring>{L"\u00e9", L"\u20ac"});
    const std::vector<std::uint8_t> narrow = regDataToAnsi(*codec_, kRegMultiSz, multi);
    EXPECT_EQ(narrow, (std::vector<std::uint8_t>{0xE9, 0, 0x80, 0, 0}));
    EXPECT_EQ(regDataFromAnsi(*codec_, kRegMultiSz, narrow), multi);
    const std::vector<std::uint8_t> binary = {0xE9, 0, 0x80};
    EXPECT_EQ(regDataToAnsi(*codec_, kRegBinary, binary), binary);
    EXPECT_EQ(regDataFromAnsi(*codec_, kRegDword, binary), binary);
}

INSTANTIATE_TEST_SUITE_P(Backends, TextCodecTest, ::testing::ValuesIn(regtest::backends()),
                         [](const ::testing::TestParamInfo<regtest::Backend>& info) {
                             return info.param.name;
                         });

TEST(RegistryData, TextsBecomeUtf16WithSurrogatePairs) {
    EXPECT_EQ(utf16leBytes(L"A\u20ac\U0001F600"),
              (std::vector<std::uint8_t>{'A', 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(fromUtf16le(std::vector<std::uint8_t>{'A', 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0x7F}),
              L"A\u20ac\U0001F600");
    EXPECT_EQ(regSzText(std::vector<std::uint8_t>{'a', 0, 0, 0, 'b', 0}), L"a");
    EXPECT_EQ(regSzText(std::vector<std::uint8_t>{'a', 0, 'b', 0}), L"ab");
    EXPECT_EQ(regMultiSzTexts(std::vector<std::uint8_t>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0, 'c', 0}),
              (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(regMultiSzTexts(std::vector<std::uint8_t>{'a', 0, 0, 0, 'b', 0}),
              (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(regMultiSzData(std::vector<std::wstring>{}), (std::vector<std::uint8_t>{0, 0}));
}

} // namespace
