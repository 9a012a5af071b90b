// VS_VERSIONINFO blocks: what VerQueryValueW finds in a written block, and
// how damaged blocks are refused.
#include "platform/formats/VersionBlock.h"
#include "pe/Bytes.h"

#include <gtest/gtest.h>

using namespace qmplatform::pe;
namespace bytes = qmplatform::bytes;

namespace {

VersionDescription describe() {
    VersionDescription d;
    d.fileVersion[0] = 1;
    d.fileVersion[1] = 8;
    d.fileVersion[2] = 13;
    d.fileVersion[3] = 1;
    d.productVersion[0] = 2;
    d.strings = {{L"CompanyName", L"Quillmark"}, {L"FileVersion", L"1.8.13.1"}, {L"Comments", L""}};
    return d;
}

std::wstring text(const VersionValue& value) {
    std::u16string units;
    for (std::size_t at = 0; at + 2 <= value.bytes.size(); at += 2) {
        if (bytes::u16At(value.bytes, at) == 0) {
            break;
        }
        units.push_back(static_cast<char16_t>(bytes::u16At(value.bytes, at)));
    }
    return bytes::fromUtf16(units);
}

} // namespace

TEST(VersionBlock, QueriesTheRootTranslationAndStrings) {
    const auto block = writeVersionBlock(describe());
    EXPECT_EQ(bytes::u16At(block, 0), block.size());

    VersionValue root;
    ASSERT_TRUE(queryVersionValue(block, L"\\", root));
    ASSERT_EQ(root.length, kFixedFileInfoSize);
    EXPECT_EQ(bytes::u32At(root.bytes, 0), kFixedFileInfoSignature);
    EXPECT_EQ(bytes::u32At(root.bytes, 8), 0x00010008u);
    EXPECT_EQ(bytes::u32At(root.bytes, 12), 0x000D0001u);
    EXPECT_EQ(bytes::u32At(root.bytes, 16), 0x00020000u);
    // The empty path names the root too.
    VersionValue empty;
    ASSERT_TRUE(queryVersionValue(block, L"", empty));
    EXPECT_EQ(empty.bytes.data(), root.bytes.data());

    VersionValue translation;
    ASSERT_TRUE(queryVersionValue(block, L"\\VarFileInfo\\Translation", translation));
    ASSERT_EQ(translation.length, 4u);
    EXPECT_EQ(bytes::u32At(translation.bytes, 0), 0x04B00409u);

    struct Case {
        const wchar_t* path;
        const wchar_t* text;
        std::uint32_t length;
    };
    for (const Case& c : {Case{L"\\StringFileInfo\\040904b0\\CompanyName", L"Quillmark", 10},
                          Case{L"\\stringfileinfo\\040904B0\\FILEVERSION", L"1.8.13.1", 9},
                          Case{L"\\StringFileInfo\\040904b0\\Comments", L"", 1}}) {
        VersionValue value;
        ASSERT_TRUE(queryVersionValue(block, c.path, value)) << c.path;
        EXPECT_TRUE(value.isText);
        EXPECT_EQ(value.length, c.length) << c.path;
        EXPECT_EQ(text(value), c.text);
    }
    for (const wchar_t* missing : {L"\\StringFileInfo\\040704b0\\CompanyName", L"\\VarFileInfo\\Translations",
                                   L"\\StringFileInfo\\040904b0\\Company", L"\\Nothing"}) {
        VersionValue value;
        EXPECT_FALSE(queryVersionValue(block, missing, value)) << missing;
    }
}

struct BlockDamage {
    const char* name;
    void (*apply)(std::vector<std::uint8_t>&);
    bool rootFound;
    bool stringFound;
};

class VersionBlockDamage : public ::testing::TestWithParam<BlockDamage> {};

TEST_P(VersionBlockDamage, IsRefusedOrReadWithinItsBounds) {
    auto block = writeVersionBlock(describe());
    GetParam().apply(block);
    // An exact-size copy lets a sanitizer see any read past the end.
    const std::vector<std::uint8_t> exact(block);
    VersionValue value;
    EXPECT_EQ(queryVersionValue(exact, L"\\", value), GetParam().rootFound);
    if (GetParam().rootFound) {
        EXPECT_LE(value.bytes.data() + value.bytes.size(), exact.data() + exact.size());
    }
    EXPECT_EQ(queryVersionValue(exact, L"\\StringFileInfo\\040904b0\\FileVersion", value),
              GetParam().stringFound);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, VersionBlockDamage,
    ::testing::Values(
        BlockDamage{"Empty", [](auto& b) { b.clear(); }, false, false},
        BlockDamage{"RootShorterThanHeader", [](auto& b) { bytes::setU16(b, 0, 4); }, false, false},
        BlockDamage{"RootLongerThanBlock", [](auto& b) { b.resize(b.size() / 2); }, true, false},
        BlockDamage{"KeyWithoutTerminator",
                    [](auto& b) {
                        b.resize(20);
                        bytes::setU16(b, 0, 20);
                    },
                    false, false},
        BlockDamage{"ValueLengthOverrunsNode", [](auto& b) { bytes::setU16(b, 2, 0xFFFF); }, true, false},
        BlockDamage{"ChildLengthZero",
                    [](auto& b) {
                        // The first child starts after the 52-byte value.
                        bytes::setU16(b, 40 + kFixedFileInfoSize, 0);
                    },
                    true, false}),
    [](const auto& info) { return std::string(info.param.name); });
