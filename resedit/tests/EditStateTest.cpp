// The shared editing state on DRFs made by the builder.
#include "resedit/DrfEditState.h"
#include "resedit/Paths.h"

#include "KeyDiff.h"
#include "SampleDrfs.h"
#include "TestPrompter.h"

#include "drf/Status.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace resedit {
namespace {

using test::drfOf;
using test::writeDrf;

TEST(DrfEditState, OpensAndListsMediaSortedAsText) {
    const auto dir = test::testDir("state_open");
    const auto path = writeDrf(dir, "m.bin", drfOf(3, {101, 4092, 1000, 117}, 107));
    DrfEditState state;
    ASSERT_EQ(state.open(path), 0);
    EXPECT_EQ(state.formatVersion(), 3u);
    EXPECT_EQ(state.driveId(), 107);
    EXPECT_EQ(state.supportedMedia(), (std::vector<std::uint16_t>{101, 4092, 1000, 117}));
    EXPECT_EQ(state.mediaTexts(),
              (std::vector<std::string>{"1000: Unrecognized Media", "101: Generic", "117: Prodisc MV1.2 CD",
                                        "4092: Unrecognized Media"}));
}

TEST(DrfEditState, UnreadableFileFailsAndSaysSo) {
    const auto dir = test::testDir("state_bad");
    std::ofstream(dir / "junk.bin") << "not a drf at all";
    DrfEditState state;
    ::testing::internal::CaptureStdout();
    EXPECT_NE(state.open(dir / "junk.bin"), 0);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Cannot read DRF: " + (dir / "junk.bin").string() + "\n");
    EXPECT_NE(state.open(dir / "missing.bin"), 0);
}

TEST(DrfEditState, FormatOneReadsTheNewerValuesAsZero) {
    const auto dir = test::testDir("state_f1");
    auto builder = drfOf(1);
    builder.value(101, 1, "MarkingFile", "LaserWritePower", 44);
    const auto path = writeDrf(dir, "f1.bin", builder);
    DrfEditState state;
    ASSERT_EQ(state.open(path), 0);
    EditValues values{};
    values.fill(-9);
    ASSERT_EQ(state.loadValues(101, 1, values), 0);
    EXPECT_EQ(values[index(EditValue::WriteLaserPower)], 44);
    for (EditValue v :
         {EditValue::FocusOffset, EditValue::TrackLengthRoundingMode, EditValue::TrimCircularTracks,
          EditValue::SpiralTracking, EditValue::SeamModulation}) {
        EXPECT_EQ(values[index(v)], 0) << info(v).label;
    }
    values[index(EditValue::FocusOffset)] = 12; // has nowhere to go in format 1
    EXPECT_EQ(state.applyValues(101, 1, values), 0);
}

TEST(DrfEditState, FormatTwoWithoutSpiralValuesStillLoads) {
    const auto dir = test::testDir("state_f2");
    DrfEditState state;
    ASSERT_EQ(state.open(writeDrf(dir, "f2.bin", drfOf(2))), 0);
    EditValues values{};
    EXPECT_EQ(state.loadValues(101, 1, values), 0);
    // A format-3 DRF whose print-engine section lacks FeaturesFile is broken.
    ASSERT_EQ(state.open(writeDrf(dir, "f3g2.bin", drfOf(3).generation(5, 2))), 0);
    EXPECT_EQ(state.loadValues(101, 1, values), drf::kResultBadData);
}

TEST(DrfEditState, MissingPrintModeFailsAndLeavesTheValues) {
    const auto dir = test::testDir("state_missing");
    drf::testing::DrfBuilder b;
    b.formatVersion(3).patternFill(false).mode(102, 1).mode(101, 2);
    DrfEditState state;
    ASSERT_EQ(state.open(writeDrf(dir, "x.bin", b)), 0);
    EditValues values{};
    values.fill(5);
    EXPECT_NE(state.loadValues(101, 1, values), 0);
    EXPECT_NE(state.loadValues(103, 1, values), 0);
    EXPECT_EQ(values[0], 5);
}

TEST(DrfEditState, TracksUnsavedChangesAndKeepsABackup) {
    const auto dir = test::testDir("state_save");
    const auto path = writeDrf(dir, "s.bin", drfOf(3));
    const auto original = test::readBytes(path);
    DrfEditState state;
    ASSERT_EQ(state.open(path), 0);
    EditValues values{};
    ASSERT_EQ(state.loadValues(101, 1, values), 0);
    ASSERT_EQ(state.applyValues(101, 1, values), 0);
    EXPECT_FALSE(state.hasUnsavedChanges()) << "the same values change nothing";
    values[index(EditValue::DrivePowerOffset)] = -77;
    ASSERT_EQ(state.applyValues(101, 1, values), 0);
    EXPECT_TRUE(state.hasUnsavedChanges());

    ASSERT_EQ(state.save(path), 0);
    EXPECT_FALSE(state.hasUnsavedChanges());
    EXPECT_EQ(test::readBytes(backupPathFor(path)), original);
    EXPECT_EQ(test::changedKeys(backupPathFor(path), path),
              (std::set<test::KeyChange>{{101, 1, "Marking2File.PwrCvtOffset"}}));

    // A folder that does not exist: nothing written, the file and its backup stay.
    EXPECT_NE(state.save(dir / "no" / "such.bin"), 0);
    EXPECT_EQ(test::readBytes(backupPathFor(path)), original);
}

TEST(DrfEditState, SharedDriveDataIsSeenFromEveryMode) {
    const auto dir = test::testDir("state_shared");
    DrfEditState state;
    ASSERT_EQ(state.open(writeDrf(dir, "f4.bin", drfOf(4, {101, 102, 103}))), 0);
    EditValues values{};
    ASSERT_EQ(state.loadValues(101, 1, values), 0);
    values[index(EditValue::DrivePowerOffset)] = 321;
    values[index(EditValue::UseDefaultFocus)] = 1;
    values[index(EditValue::FocusOffset)] = -8;
    ASSERT_EQ(state.applyValues(101, 1, values), 0);
    EditValues other{};
    ASSERT_EQ(state.loadValues(103, 0, other), 0);
    EXPECT_EQ(other[index(EditValue::DrivePowerOffset)], 321) << "drive data";
    EXPECT_EQ(other[index(EditValue::UseDefaultFocus)], 0) << "drive/media data of another media";
    EXPECT_EQ(other[index(EditValue::FocusOffset)], 0) << "print-mode data";
    ASSERT_EQ(state.loadValues(101, 2, other), 0);
    EXPECT_EQ(other[index(EditValue::UseDefaultFocus)], 1) << "same media, other quality";
}

TEST(SampleDrfs, CommittedFilesAreWhatTheGeneratorMakes) {
    const char* source = std::getenv("QM_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const auto folder = std::filesystem::path(source) / "samples" / "drf";
    const auto samples = samples::sampleDrfs();
    ASSERT_EQ(samples.size(), 4u);
    for (std::uint32_t format = 1; format <= 4; ++format) {
        const auto& sample = samples[format - 1];
        EXPECT_EQ(test::readBytes(folder / sample.fileName), sample.bytes)
            << sample.fileName << " is stale: run make_sample_drfs samples/drf";
        DrfEditState state;
        ASSERT_EQ(state.open(folder / sample.fileName), 0);
        EXPECT_EQ(state.formatVersion(), format);
        EditValues values{};
        EXPECT_EQ(state.loadValues(101, 1, values), 0) << "every sample opens on (101, Normal)";
    }
}

} // namespace
} // namespace resedit
