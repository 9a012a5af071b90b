// Rules of the editors that need no DRF: units, number fields, validation,
// enabling, texts and the layout tables.
#include "resedit/EditRules.h"
#include "resedit/EditorLayout.h"
#include "resedit/NumberField.h"
#include "resedit/Paths.h"
#include "resedit/Spacing.h"
#include "resedit/Texts.h"

#include "TestPrompter.h"

#include <gtest/gtest.h>

#include <set>

namespace resedit {
namespace {

struct ConversionCase {
    std::uint32_t in;
    std::uint32_t out;
};
class SpacingConversion : public ::testing::TestWithParam<ConversionCase> {};
TEST_P(SpacingConversion, RoundsToNearest) {
    EXPECT_EQ(convertSpacing(GetParam().in), GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(Values, SpacingConversion,
                         ::testing::Values(ConversionCase{1000, 25400}, ConversionCase{25400, 1000},
                                           ConversionCase{300000, 85}, ConversionCase{0, 0},
                                           ConversionCase{1, 25400000}, ConversionCase{25400000, 1},
                                           ConversionCase{50800000, 1}, // exactly .5 rounds up
                                           ConversionCase{50800001, 0}, ConversionCase{4294967295u, 0}));

TEST(SpacingField, UntouchedPerInchValueKeepsTheExactNanometres) {
    SpacingField field;
    field.setNanometres(300000);
    ASSERT_EQ(field.unit(), SpacingUnit::PerInch);
    EXPECT_EQ(field.shown(), 85u);
    field.setShown(85);
    EXPECT_EQ(field.nanometres(), 300000u);
    field.setShown(86); // an edit converts
    EXPECT_EQ(field.nanometres(), 295349u);
    field.setUnit(SpacingUnit::Nanometres);
    EXPECT_EQ(field.shown(), 295349u);
    field.setShown(0);
    field.setUnit(SpacingUnit::PerInch);
    EXPECT_EQ(field.shown(), 0u);
}

struct ParseCase {
    const char* text;
    NumberWidth width;
    std::optional<std::int64_t> value;
};
class NumberParsing : public ::testing::TestWithParam<ParseCase> {};
TEST_P(NumberParsing, TakesOnlyNumbersOfTheFieldsWidth) {
    EXPECT_EQ(parseNumber(GetParam().text, GetParam().width), GetParam().value) << GetParam().text;
}
INSTANTIATE_TEST_SUITE_P(
    Cases, NumberParsing,
    ::testing::Values(
        ParseCase{"0", NumberWidth::U8, 0}, ParseCase{"255", NumberWidth::U8, 255},
        ParseCase{"256", NumberWidth::U8, std::nullopt}, ParseCase{"-1", NumberWidth::U8, std::nullopt},
        ParseCase{"-0", NumberWidth::U32, std::nullopt}, ParseCase{" 12 ", NumberWidth::U32, 12},
        ParseCase{"+7", NumberWidth::U32, 7}, ParseCase{"4294967295", NumberWidth::U32, 4294967295},
        ParseCase{"4294967296", NumberWidth::U32, std::nullopt},
        ParseCase{"-2147483648", NumberWidth::I32, -2147483648LL},
        ParseCase{"2147483648", NumberWidth::I32, std::nullopt}, ParseCase{"-250", NumberWidth::I32, -250},
        ParseCase{"", NumberWidth::I32, std::nullopt}, ParseCase{"-", NumberWidth::I32, std::nullopt},
        ParseCase{"1 2", NumberWidth::I32, std::nullopt}, ParseCase{"0x10", NumberWidth::U32, std::nullopt},
        ParseCase{"12abc", NumberWidth::U32, std::nullopt},
        ParseCase{"99999999999999999999", NumberWidth::U32, std::nullopt}));

TEST(NumberParsing, RefusalNamesTheFieldAndItsRange) {
    EXPECT_EQ(numberRefusal("Cut Blank Tracks", NumberWidth::U8),
              "Cut Blank Tracks: Please enter an integer between 0 and 255.");
    EXPECT_EQ(numberRefusal("Track Spacing", NumberWidth::U32),
              "Track Spacing: Please enter an integer between 0 and 4294967295.");
    EXPECT_EQ(numberRefusal("Focus Offset", NumberWidth::I32),
              "Focus Offset: Please enter an integer between -2147483648 and 2147483647.");
}

struct RuleCase {
    EditorKind kind;
    std::int64_t writePower, readPower, writeSpeed, spiral, seam;
    std::vector<std::string_view> messages;
};
class Validation : public ::testing::TestWithParam<RuleCase> {};
TEST_P(Validation, ShowsTheMessagesOfTheFailingRules) {
    const RuleCase& c = GetParam();
    EditValues values{};
    values[index(EditValue::WriteLaserPower)] = c.writePower;
    values[index(EditValue::ReadLaserPower)] = c.readPower;
    values[index(EditValue::WriteSpeed)] = c.writeSpeed;
    values[index(EditValue::SpiralTracking)] = c.spiral;
    values[index(EditValue::SeamModulation)] = c.seam;
    EXPECT_EQ(validate(c.kind, values), c.messages);
}
INSTANTIATE_TEST_SUITE_P(
    Rules, Validation,
    ::testing::Values(RuleCase{EditorKind::Classic, 0, 0, 5, 1, 1, {kMsgOverrides}},
                      RuleCase{EditorKind::Classic, 0, 0, 0, 1, 1, {}},
                      RuleCase{EditorKind::Classic, 40, 7, 3, 1, 0, {}},
                      RuleCase{EditorKind::Classic, 40, 0, 3, 1, 0, {kMsgOverrides}},
                      RuleCase{EditorKind::Classic, 0, 0, 0, 0, 1, {kMsgSeamNeedsSpiral}},
                      RuleCase{EditorKind::Classic, 0, 0, 0, 0, 2, {}},
                      RuleCase{EditorKind::Classic, 1, 0, 0, 0, 1, {kMsgOverrides, kMsgSeamNeedsSpiral}},
                      RuleCase{EditorKind::Reorg, 0, 0, 5, 0, 1, {kMsgOverrides}},
                      RuleCase{EditorKind::Reorg, 0, 0, 0, 0, 1, {}}));

TEST(Enabling, FollowsTheFormatVersion) {
    const auto focus = index(EditValue::FocusOffset);
    const auto spiral = index(EditValue::SpiralTracking);
    Enabling e;
    applyVersionEnabling(1, e);
    EXPECT_FALSE(e.field[focus]);
    EXPECT_FALSE(e.field[index(EditValue::TrimCircularTracks)]);
    EXPECT_FALSE(e.field[index(EditValue::TrackLengthRoundingMode)]);
    EXPECT_FALSE(e.field[spiral]);
    EXPECT_FALSE(e.field[index(EditValue::SeamModulation)]);
    EXPECT_FALSE(e.group[2]);
    EXPECT_TRUE(e.field[index(EditValue::WriteSpeed)]);
    EXPECT_EQ(e.readPowerLabel, "Read Laser Power Override (mW)");

    applyVersionEnabling(2, e);
    EXPECT_TRUE(e.field[focus]);
    EXPECT_FALSE(e.field[spiral]);
    EXPECT_FALSE(e.group[2]) << "format 2 leaves the Spiral Tracking heading as it was";
    EXPECT_EQ(e.readPowerLabel, "Read Laser Power Override (0.1 mW)");

    applyVersionEnabling(3, e);
    EXPECT_TRUE(e.field[spiral]);
    EXPECT_TRUE(e.group[2]);

    applyVersionEnabling(1, e);
    for (std::uint32_t other : {0u, 4u, 7u}) {
        Enabling copy = e;
        applyVersionEnabling(other, copy);
        EXPECT_EQ(copy.field, e.field) << other;
        EXPECT_EQ(copy.readPowerLabel, e.readPowerLabel) << other;
    }
}

TEST(Enabling, TrackShiftSpokesOnlyForSomeDrives) {
    for (std::uint16_t id : {104, 106, 107, 109, 111, 112, 120, 65535}) {
        EXPECT_TRUE(trackShiftSpokesEnabled(id)) << id;
    }
    for (std::uint16_t id : {0, 101, 105, 108, 110, 113, 119, 121, 124, 65534}) {
        EXPECT_FALSE(trackShiftSpokesEnabled(id)) << id;
    }
}

TEST(Routing, VersionsBelowFourUseTheClassicEditor) {
    EXPECT_EQ(editorForVersion(0), EditorKind::Classic);
    EXPECT_EQ(editorForVersion(3), EditorKind::Classic);
    EXPECT_EQ(editorForVersion(4), EditorKind::Reorg);
}

TEST(Texts, FilterSplitsIntoNameAndPattern) {
    const auto entries = splitFilter(kDrfFilter);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "(DRF Files *.bin)");
    EXPECT_EQ(entries[0].patterns, "*.bin");
    EXPECT_EQ(entries[1].name, "(All Files *.*)");
    EXPECT_EQ(entries[1].patterns, "*.*");
    EXPECT_TRUE(splitFilter("").empty());
    EXPECT_TRUE(splitFilter("no bars").empty());
}

TEST(Texts, HelpTextsAreTheConcatenatedPieces) {
    const std::string launcher = launcherInfoText();
    EXPECT_EQ(launcher.rfind("\n    The Quillmark resedit is a utility", 0), 0u);
    EXPECT_NE(launcher.find("Quillmark\n     DRFs.\n\n    All DRF formats"), std::string::npos);
    const std::string tail = "format version of the selected DRF.\n";
    EXPECT_EQ(launcher.substr(launcher.size() - tail.size()), tail);
    EXPECT_NE(classicHelpText().find("To save the DRF,click\n   the Save button.\n\n"), std::string::npos);
    EXPECT_NE(reorgHelpText().find("screen or or by clicking the Select DRF\n   button."), std::string::npos);
}

TEST(Paths, ShownFileNameCutsAtTheLastSeparator) {
    EXPECT_EQ(shownFileName("/a/b/c.bin"), "c.bin");
    EXPECT_EQ(shownFileName("C:\\drf\\x.bin"), "x.bin");
    EXPECT_EQ(shownFileName("dir\\sub/y.bin"), "y.bin");
    EXPECT_EQ(shownFileName("plain.bin"), "plain.bin");
    EXPECT_EQ(backupPathFor("/x/drive.bin").string(), "/x/drive.bin.bak");
}

TEST(Paths, BackupReplacesAnOldBackupWholeAndNeedsNoFile) {
    const auto dir = test::testDir("backup");
    const auto file = dir / "d.bin";
    EXPECT_TRUE(writeBackup(file)) << "nothing to keep";
    EXPECT_FALSE(std::filesystem::exists(backupPathFor(file)));
    std::ofstream(file) << "first";
    ASSERT_TRUE(writeBackup(file));
    std::ofstream(file) << "second";
    ASSERT_TRUE(writeBackup(file));
    const auto kept = test::readBytes(backupPathFor(file));
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "second");
    EXPECT_FALSE(std::filesystem::exists(dir / "d.bin.bak.tmp"));
}

// ---- the tables themselves ----

void checkLayout(const EditorLayout& layout, std::size_t expectedFields) {
    std::set<int> ids;
    const auto add = [&](int id) {
        if (id != 0) {
            EXPECT_TRUE(ids.insert(id).second)
                << "id " << id << " used twice in dialog " << layout.resourceId;
        }
    };
    for (const Heading* h :
         {&layout.version, &layout.title, &layout.subtitle, &layout.mediaLabel, &layout.qualityLabel,
          &layout.fileGroup, &layout.fileLabel, &layout.fileName, &layout.driveLabel, &layout.versionLabel,
          &layout.readPowerLabel, &layout.selectDrf, &layout.apply, &layout.save, &layout.exit}) {
        add(h->id);
    }
    for (int id : {layout.help, layout.media, layout.quality, layout.driveId, layout.formatVersion}) {
        add(id);
    }
    for (const auto& h : layout.groups) {
        add(h.id);
    }
    for (const auto& h : layout.trackUnits) {
        add(h.id);
    }
    for (const auto& h : layout.markUnits) {
        add(h.id);
    }
    std::set<EditValue> values;
    for (const FieldLayout& f : layout.fields) {
        add(f.editId);
        if (f.labelId != layout.readPowerLabel.id) {
            add(f.labelId);
        }
        EXPECT_TRUE(values.insert(f.value).second);
        EXPECT_GE(f.group, 0);
        EXPECT_LT(f.group, 3);
        EXPECT_FALSE(f.label.empty());
    }
    EXPECT_EQ(values.size(), expectedFields);
    for (const FontUse& use : layout.fonts) {
        EXPECT_TRUE(ids.count(use.id)) << "font for unknown control " << use.id;
    }
}

TEST(LayoutTables, IdsAreUniqueAndEveryValueHasOneField) {
    checkLayout(kClassicLayout, kEditValueCount);
    checkLayout(kReorgLayout, kEditValueCount - 2);
    for (const FieldLayout& f : kReorgLayout.fields) {
        EXPECT_NE(f.value, EditValue::SpiralTracking);
        EXPECT_NE(f.value, EditValue::SeamModulation);
    }
}

} // namespace
} // namespace resedit
