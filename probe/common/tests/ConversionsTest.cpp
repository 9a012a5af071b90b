// The rules that turn engine records and codes into the dialogs' texts.
#include "probe/Conversions.h"
#include "probe/DriveList.h"
#include "probe/ReturnCodes.h"
#include "probe/ToolProfile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <set>

namespace probe {
namespace {

struct CodeCase {
    int code;
    Tool tool;
    const char* text;
};

class ReturnCodeTextTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(ReturnCodeTextTest, GivesTheRowFormattedWithTheCode) {
    EXPECT_EQ(returnCodeText(GetParam().code, GetParam().tool), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReturnCodeTextTest,
    ::testing::Values(CodeCase{0x222, Tool::Paramscope, "This drive/session is no longer open."},
                      CodeCase{0x1098, Tool::Paramscope, "Media not present."},
                      CodeCase{0x10A1, Tool::Mediaprobe, "Media not present."},
                      CodeCase{0x1081, Tool::Paramscope, "1081 -- Hardware error."},
                      CodeCase{0x224, Tool::Paramscope, "Unknown print engine return code: 224\n"},
                      CodeCase{0x200, Tool::Mediaprobe, "Unknown print engine return code: 200\n"},
                      CodeCase{0x10A2, Tool::Paramscope, "Unknown print engine return code: 10a2\n"},
                      CodeCase{-1, Tool::Paramscope, "Unknown print engine return code: ffffffff\n"},
                      CodeCase{0, Tool::Paramscope, "0 -- Success???"},
                      CodeCase{0x201, Tool::Mediaprobe, "201 -- Unable to load library."},
                      CodeCase{0x23E, Tool::Paramscope, "23e -- Installation error (update application?)."},
                      CodeCase{0x22E, Tool::Paramscope, "22e -- The DRF is corrupt."},
                      CodeCase{0x22E, Tool::Mediaprobe, "22e -- Drive resource file is corrupt."},
                      CodeCase{0x22F, Tool::Mediaprobe, "22f -- Internal error."}));

TEST(ReturnCodeTable, AscendsWithoutRepeatsAndHoldsNoOtherConversion) {
    int previous = -1;
    for (const ReturnCodeText& row : kReturnCodeTexts) {
        EXPECT_GT(row.code, previous) << row.text;
        previous = row.code;
        const auto percent = row.text.find('%');
        if (percent != std::string_view::npos) {
            EXPECT_EQ(row.text.substr(percent, 2), "%x") << row.text;
            EXPECT_EQ(row.text.find('%', percent + 1), std::string_view::npos) << row.text;
        }
    }
}

TEST(Conversions, VelocityRoundsHalfUpToMillimetres) {
    EXPECT_EQ(velocityMmPerSecond(4499), 4);
    EXPECT_EQ(velocityMmPerSecond(4500), 5);
    EXPECT_EQ(velocityMmPerSecond(0), 0);
    EXPECT_EQ(velocityMmPerSecond(499), 0);
    EXPECT_EQ(velocityMmPerSecond(4294966500u), 4294967); // no wrap past 2^32
    EXPECT_EQ(velocityMmPerSecond(std::numeric_limits<std::uint32_t>::max()), 4294967);
}

TEST(Conversions, PerInchFromNanometres) {
    EXPECT_EQ(perInch(1000), 25400);
    EXPECT_EQ(perInch(3), 8466667);
    EXPECT_EQ(perInch(1), 25400000);
    EXPECT_EQ(perInch(50800001), 0); // 0.49999999
    EXPECT_EQ(perInch(50800000), 1); // exactly 0.5 rounds up
    EXPECT_EQ(perInch(0), 0);
}

TEST(Conversions, ReadPowerCountsTenthsFromVersionThree) {
    EXPECT_EQ(formatDouble(readPowerMilliwatts(7, 2)), "7");
    EXPECT_EQ(formatDouble(readPowerMilliwatts(7, 3)), "0.7");
    EXPECT_EQ(formatDouble(readPowerMilliwatts(7, 4)), "0.7");
    EXPECT_EQ(formatDouble(readPowerMilliwatts(255, 3)), "25.5");
    EXPECT_EQ(formatDouble(1.0 / 3.0), "0.333333333333333");
}

TEST(Conversions, QualityRowTakesEveryFieldOfTheRecord) {
    EngineLabelParams p{};
    p.version = 3;
    p.linearVelocity = 4500;
    p.trackPitch = 1000;
    p.markSpacing = 3;
    p.writePower = 30;
    p.readPower = 7;
    std::uint8_t focusByte = 0xFB;
    std::memcpy(&p.focusOffset, &focusByte, 1);
    const QualityRow row = qualityRow(p);
    EXPECT_EQ(row.linearVelocity, 5);
    EXPECT_EQ(row.tracksPerInch, 25400);
    EXPECT_EQ(row.marksPerInch, 8466667);
    EXPECT_EQ(row.writePower, 30);
    EXPECT_DOUBLE_EQ(row.readPower, 0.7);
    EXPECT_EQ(row.focusOffset, -5);
}

TEST(Conversions, ResourceFileNameHasFourLowerCaseHexDigits) {
    EXPECT_EQ(resourceFileName(0x1A2), "qmdb01a2.bin");
    EXPECT_EQ(resourceFileName(0), "qmdb0000.bin");
    EXPECT_EQ(resourceFileName(0xFFFF), "qmdbffff.bin");
}

TEST(Conversions, EngineTextsStopAtTheTerminatorOrTheArrayEnd) {
    const EngineChar full[4] = {u'A', u'B', u'C', u'D'};
    EXPECT_EQ(fromEngineText(full, 4), "ABCD");
    const EngineChar shortText[4] = {u'A', 0, u'C', u'D'};
    EXPECT_EQ(fromEngineText(shortText, 4), "A");
    EXPECT_EQ(fromEngineText(u"\u00e9\U0001F4BF"), "\xC3\xA9\xF0\x9F\x92\xBF");
    EXPECT_EQ(fromEngineText(std::u16string(1, u'\xD800') + u"x"), "\xEF\xBF\xBDx");
}

TEST(Conversions, DriveItemTextJoinsNameTextsAndNumber) {
    ScopedDriveDescription d;
    d.get().number = -3;
    std::copy_n(u"QUILLMRK", 9, d.get().textA);
    std::copy_n(u"QM-5000", 8, d.get().textB);
    // An engine that fills the whole array without a terminator.
    std::fill_n(d.get().textC, kDriveTextCChars, u'9');
    d.get().name() = std::u16string(u"E:\0hidden", 9);
    EXPECT_EQ(driveItemText(d.get()), "E: - QUILLMRK - QM-5000 - 999999 - -3");
}

TEST(Conversions, TypedNumbersReadAsTheFrameworkReadsThem) {
    EXPECT_EQ(parseInteger(" 42\t"), 42);
    EXPECT_EQ(parseInteger("-5"), -5);
    EXPECT_EQ(parseInteger("+5"), 5);
    EXPECT_EQ(parseInteger("2147483647"), 2147483647);
    for (const char* bad : {"", "  ", "4 2", "42x", "2147483648", "0x10", "1.5", "--1"}) {
        EXPECT_FALSE(parseInteger(bad).has_value()) << bad;
    }
    EXPECT_EQ(parseDouble(" 0.7 "), 0.7);
    EXPECT_EQ(parseDouble("1e1"), 10.0);
    for (const char* bad : {"", "0,7", "nan", "inf", "1e999", "0.7 mW"}) {
        EXPECT_FALSE(parseDouble(bad).has_value()) << bad;
    }
}

TEST(DriveListOrder, SortsIgnoringCaseAndKeepsEachItemsEngineIndex) {
    DriveList list;
    EXPECT_EQ(list.add("g: - b", 0), 0u);
    EXPECT_EQ(list.add("E: - a", 1), 0u);
    EXPECT_EQ(list.add("f: - c", 2), 1u);
    EXPECT_EQ(list.add("F: - C", 3), 2u); // equal ignoring case: after the first
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].engineIndex, 1);
    EXPECT_EQ(list[1].engineIndex, 2);
    EXPECT_EQ(list[2].engineIndex, 3);
    EXPECT_EQ(list[3].engineIndex, 0);
}

TEST(ToolProfiles, FieldIdsAreUniqueAndEveryQualityRowIsComplete) {
    for (const ToolProfile* profile : {&kParamscope, &kMediaprobe}) {
        std::set<int> ids;
        int perQuality[kQualityCount] = {};
        for (const FieldInfo& f : profile->fields) {
            EXPECT_TRUE(ids.insert(f.id).second) << f.id;
            EXPECT_EQ(f.kind == FieldKind::Double, f.value == Value::ReadPower);
            if (f.quality >= 0) {
                ++perQuality[f.quality];
            }
        }
        EXPECT_EQ(perQuality[0], perQuality[1]);
        EXPECT_EQ(perQuality[1], perQuality[2]);
        EXPECT_FALSE(stringResource(*profile, kIdsAppTitle).empty());
        EXPECT_EQ(stringResource(*profile, kIdsOutOfMemory), "Error, insufficient memory.");
    }
    EXPECT_EQ(kParamscope.fields.size(), 22u);
}

TEST(ToolProfiles, AboutCommandIgnoresTheLowFourBits) {
    EXPECT_TRUE(isAboutCommand(16));
    EXPECT_TRUE(isAboutCommand(31));
    EXPECT_FALSE(isAboutCommand(32));
    EXPECT_FALSE(isAboutCommand(15));
    EXPECT_FALSE(isAboutCommand(0xF010)); // SC_SIZE
}

} // namespace
} // namespace probe
