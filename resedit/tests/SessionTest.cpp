// The editors' behaviour without windows: an EditorSession driven as the
// dialogs drive it, answers scripted through the test prompter.
#include "resedit/EditorSession.h"
#include "resedit/LauncherFlow.h"
#include "resedit/Paths.h"
#include "resedit/Texts.h"

#include "drf/Status.h"

#include "KeyDiff.h"
#include "TestPrompter.h"

#include <gtest/gtest.h>

namespace resedit {
namespace {

using test::drfOf;
using test::writeDrf;

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::testDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string file(const std::string& name, const drf::testing::DrfBuilder& b) {
        return writeDrf(dir, name, b);
    }
    void setText(EditorSession& s, EditValue v, const std::string& text) { s.setFieldText(v, text); }

    std::filesystem::path dir;
    test::TestPrompter prompter;
    NextDrfPaths next;
};

// ---- opening and routing ----

TEST_F(SessionTest, EachEditorHandsTheOtherFormatsOver) {
    const auto f4 = file("f4.bin", drfOf(4));
    const auto f3 = file("f3.bin", drfOf(3));
    EditorSession classic(EditorKind::Classic, prompter, next);
    EXPECT_EQ(classic.open(f4), OpenOutcome::HandOver);
    EXPECT_EQ(next.fromClassic, f4);
    EXPECT_FALSE(classic.loaded());
    EditorSession reorg(EditorKind::Reorg, prompter, next);
    EXPECT_EQ(reorg.open(f3), OpenOutcome::HandOver);
    EXPECT_EQ(next.fromReorg, f3);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(SessionTest, OpensOnGenericNormalWithTheListsFilled) {
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(file("a.bin", drfOf(0, {102, 101}, 104))), OpenOutcome::Shown) << "version 0 is classic";
    EXPECT_EQ(s.fileNameText(), "a.bin");
    EXPECT_EQ(s.versionText(), "0");
    EXPECT_EQ(s.driveIdText(), "104");
    EXPECT_EQ(s.mediaItems(), (std::vector<std::string>{"101: Generic", "102: MKM Gen 1.0 CD"}));
    EXPECT_EQ(s.mediaIndex(), 0);
    EXPECT_EQ(s.qualityItems(), (std::vector<std::string>{"Draft", "Normal", "Best"}));
    EXPECT_EQ(s.qualityIndex(), 1);
    EXPECT_TRUE(s.fieldEnabled(EditValue::TrackShiftSpokes));
    EXPECT_FALSE(s.modified());
}

TEST_F(SessionTest, WithoutGenericNormalTheEditorSaysErrorReadingAndStaysEmpty) {
    drf::testing::DrfBuilder b;
    b.formatVersion(3).patternFill(false).mode(101, 2).mode(102, 1);
    EditorSession s(EditorKind::Classic, prompter, next);
    EXPECT_EQ(s.open(file("x.bin", b)), OpenOutcome::Failed);
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Error reading DRF"}));
    EXPECT_TRUE(s.mediaItems().empty());
    EXPECT_TRUE(s.qualityItems().empty());
    EXPECT_EQ(s.fileNameText(), "x.bin");
    EXPECT_FALSE(s.loaded());
    EXPECT_FALSE(s.apply());
    EXPECT_EQ(prompter.messages.size(), 1u) << "Apply does nothing without a DRF";
}

TEST_F(SessionTest, AFailedOpenKeepsTheDrfShownBefore) {
    const auto good = file("good.bin", drfOf(3));
    std::ofstream(dir / "junk.bin") << "junk";
    for (EditorKind kind : {EditorKind::Classic, EditorKind::Reorg}) {
        EditorSession s(kind, prompter, next);
        const auto shown = kind == EditorKind::Classic ? good : file("good4.bin", drfOf(4));
        ASSERT_EQ(s.open(shown), OpenOutcome::Shown);
        prompter.messages.clear();
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(s.open((dir / "junk.bin").string()), OpenOutcome::Failed);
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Error reading DRF"}));
        EXPECT_TRUE(next.fromClassic.empty() && next.fromReorg.empty()) << "no hand-over of a non-DRF";
        EXPECT_EQ(s.path(), shown);
        EXPECT_TRUE(s.apply());
    }
}

// ---- units ----

TEST_F(SessionTest, SpacingsSwitchBetweenNanometresAndPerInch) {
    auto b = drfOf(3);
    b.value(101, 1, "ResolutionsFile", "MarkSpacingNM", 0);
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(file("u.bin", b)), OpenOutcome::Shown);
    EXPECT_EQ(s.fieldText(EditValue::TrackSpacing), "25400");
    EXPECT_EQ(s.fieldText(EditValue::MarkSpacing), "0");
    ASSERT_TRUE(s.setTrackUnit(SpacingUnit::Nanometres));
    ASSERT_TRUE(s.setMarkUnit(SpacingUnit::Nanometres));
    EXPECT_EQ(s.fieldText(EditValue::TrackSpacing), "1000");
    EXPECT_EQ(s.fieldText(EditValue::MarkSpacing), "0");
    setText(s, EditValue::TrackSpacing, "300000");
    ASSERT_TRUE(s.setTrackUnit(SpacingUnit::PerInch));
    EXPECT_EQ(s.fieldText(EditValue::TrackSpacing), "85");
    ASSERT_TRUE(s.setTrackUnit(SpacingUnit::Nanometres));
    EXPECT_EQ(s.fieldText(EditValue::TrackSpacing), "300000") << "an untouched per-inch value loses nothing";
    // The unit in force: nothing happens, not even reading the fields.
    setText(s, EditValue::CutBlankTracks, "junk");
    EXPECT_TRUE(s.setTrackUnit(SpacingUnit::Nanometres));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_FALSE(s.setTrackUnit(SpacingUnit::PerInch));
    EXPECT_EQ(prompter.messages,
              (std::vector<std::string>{"Cut Blank Tracks: Please enter an integer between 0 and 255."}));
    EXPECT_EQ(s.refusedField(), EditValue::CutBlankTracks);
    EXPECT_EQ(s.trackUnit(), SpacingUnit::Nanometres);
}

// ---- validation and Apply ----

struct ApplyCase {
    EditorKind kind;
    const char* writePower;
    const char* readPower;
    const char* writeSpeed;
    const char* spiral;
    const char* seam;
    std::vector<std::string> messages;
};
class ApplyRules : public SessionTest, public ::testing::WithParamInterface<ApplyCase> {};

TEST_P(ApplyRules, ApplyChecksTheShownValues) {
    const ApplyCase& c = GetParam();
    const auto path = file("r.bin", drfOf(c.kind == EditorKind::Classic ? 3 : 4));
    EditorSession s(c.kind, prompter, next);
    ASSERT_EQ(s.open(path), OpenOutcome::Shown);
    setText(s, EditValue::WriteLaserPower, c.writePower);
    setText(s, EditValue::ReadLaserPower, c.readPower);
    setText(s, EditValue::WriteSpeed, c.writeSpeed);
    if (s.hasField(EditValue::SpiralTracking)) {
        setText(s, EditValue::SpiralTracking, c.spiral);
        setText(s, EditValue::SeamModulation, c.seam);
    }
    const bool accepted = c.messages.back() == "Settings were updated";
    EXPECT_EQ(s.apply(), accepted);
    EXPECT_EQ(prompter.messages, c.messages);
    if (!accepted) {
        EXPECT_FALSE(s.state().hasUnsavedChanges()) << "a refused Apply writes nothing";
    }
}

// The rules themselves are tabled in CoreRulesTest; these check that Apply
// reads the fields, reports through the prompter and writes only when allowed.
INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyRules,
    ::testing::Values(
        ApplyCase{EditorKind::Classic, "0", "0", "5", "0", "0", {std::string(kMsgOverrides)}},
        ApplyCase{EditorKind::Classic, "0", "0", "0", "0", "2", {"Settings were updated"}},
        ApplyCase{EditorKind::Classic,
                  "x",
                  "0",
                  "0",
                  "0",
                  "0",
                  {"Write Laser Power Override (mW): Please enter an integer between 0 and 4294967295."}},
        ApplyCase{EditorKind::Reorg, "1", "1", "5", "", "", {"Settings were updated"}}));

TEST_F(SessionTest, FormatOneDisablesWhatItLacksAndShowsMilliwatts) {
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(file("f1.bin", drfOf(1, {101}, 105))), OpenOutcome::Shown);
    for (EditValue v :
         {EditValue::FocusOffset, EditValue::TrimCircularTracks, EditValue::TrackLengthRoundingMode,
          EditValue::SpiralTracking, EditValue::SeamModulation, EditValue::TrackShiftSpokes}) {
        EXPECT_FALSE(s.fieldEnabled(v)) << info(v).label;
        EXPECT_EQ(s.fieldText(v), "0");
    }
    EXPECT_FALSE(s.groupEnabled(2));
    EXPECT_TRUE(s.fieldEnabled(EditValue::CutBlankTracks));
    EXPECT_EQ(s.readPowerLabel(), "Read Laser Power Override (mW)");
    // A later format-3 DRF enables them again.
    ASSERT_EQ(s.open(file("f3.bin", drfOf(3))), OpenOutcome::Shown);
    EXPECT_TRUE(s.fieldEnabled(EditValue::SeamModulation));
    EXPECT_TRUE(s.fieldEnabled(EditValue::TrackShiftSpokes));
    EXPECT_EQ(s.readPowerLabel(), "Read Laser Power Override (0.1 mW)");
}

TEST_F(SessionTest, ASelectionThatCannotBeReadKeepsValuesAndTheirMode) {
    auto b = drfOf(3, {101});
    b.mode(102, 1, 0).value(101, 1, "Marking2File", "PwrCvtOffset", 5); // 102 listed, not available
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(file("sel.bin", b)), OpenOutcome::Shown);
    EXPECT_FALSE(s.selectMedia("102: MKM Gen 1.0 CD"));
    EXPECT_EQ(s.media(), 101);
    EXPECT_EQ(s.fieldText(EditValue::DrivePowerOffset), "5");
    EXPECT_TRUE(prompter.messages.empty());
    ASSERT_TRUE(s.selectQuality("Best"));
    EXPECT_EQ(s.qualityIndex(), 2);
    EXPECT_EQ(s.fieldText(EditValue::DrivePowerOffset), "0");
}

TEST_F(SessionTest, Format4SharedDriveDataShowsUnderAnotherMedia) {
    EditorSession s(EditorKind::Reorg, prompter, next);
    ASSERT_EQ(s.open(file("f4.bin", drfOf(4, {101, 102, 103}))), OpenOutcome::Shown);
    setText(s, EditValue::DrivePowerOffset, "-1234");
    setText(s, EditValue::FocusOffset, "17");
    ASSERT_TRUE(s.apply());
    ASSERT_TRUE(s.selectMedia("103: MBI Gen 1.0 CD"));
    EXPECT_EQ(s.fieldText(EditValue::DrivePowerOffset), "-1234");
    EXPECT_EQ(s.fieldText(EditValue::FocusOffset), "0");
}

TEST_F(SessionTest, Format4KeepsSeamModulationWithoutSpiralTracking) {
    auto b = drfOf(4);
    b.value(101, 1, "DriveDataFile", "EnableSpiralTracking", 0)
        .value(101, 1, "DriveDataFile", "EnableSeamModulation", 1);
    const auto path = file("seam.bin", b);
    EditorSession s(EditorKind::Reorg, prompter, next);
    ASSERT_EQ(s.open(path), OpenOutcome::Shown);
    setText(s, EditValue::CutBlankTracks, "1");
    prompter.saveAnswers.push_back((dir / "out.bin").string());
    prompter.confirmAnswers = {true};
    ASSERT_TRUE(s.saveDrf());
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"DRF File was saved"}));
    EXPECT_EQ(test::changedKeys(path, dir / "out.bin"),
              (std::set<test::KeyChange>{{101, 2, "DriveDataFile.CutBlankTracks"},
                                         {101, 1, "DriveDataFile.CutBlankTracks"},
                                         {101, 0, "DriveDataFile.CutBlankTracks"},
                                         {102, 2, "DriveDataFile.CutBlankTracks"},
                                         {102, 1, "DriveDataFile.CutBlankTracks"},
                                         {102, 0, "DriveDataFile.CutBlankTracks"}}))
        << "the shared record changes for every mode, the seam value stays";
}

// ---- saving ----

TEST_F(SessionTest, ApplyThenSaveChangesExactlyTheEditedKeys) {
    const auto path = file("e.bin", drfOf(3, {101, 102}));
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(path), OpenOutcome::Shown);
    setText(s, EditValue::FocusOffset, "-42");
    ASSERT_TRUE(s.apply());
    ASSERT_TRUE(s.selectMedia("102: MKM Gen 1.0 CD"));
    ASSERT_TRUE(s.selectQuality("Draft"));
    setText(s, EditValue::TrackSpacing, "254"); // tpi: 100000 nm
    setText(s, EditValue::SpiralTracking, "1");
    prompter.saveAnswers.push_back(path);
    prompter.confirmAnswers = {true};
    ASSERT_TRUE(s.saveDrf()) << ::testing::PrintToString(prompter.messages);
    EXPECT_EQ(prompter.confirmations,
              (std::vector<std::string>{"e.bin already exists.\nDo you want to replace it?"}));
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Settings were updated", "DRF File was saved"}));
    EXPECT_EQ(test::changedKeys(backupPathFor(path), path),
              (std::set<test::KeyChange>{{101, 1, "Marking2File.FocusOffset"},
                                         {102, 2, "ResolutionsFile.TrackSpacingNM"},
                                         {102, 2, "FeaturesFile.EnableSpiralTracking"}}));
    EXPECT_FALSE(s.modified());
    EditorSession again(EditorKind::Classic, prompter, next);
    ASSERT_EQ(again.open(path), OpenOutcome::Shown);
    ASSERT_TRUE(again.selectMedia("102: MKM Gen 1.0 CD"));
    ASSERT_TRUE(again.selectQuality("Draft"));
    ASSERT_TRUE(again.setTrackUnit(SpacingUnit::Nanometres));
    EXPECT_EQ(again.fieldText(EditValue::TrackSpacing), "100000");
}

TEST_F(SessionTest, SaveAsMakesTheEditorShowTheNewFile) {
    const auto path = file("orig.bin", drfOf(3));
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(path), OpenOutcome::Shown);
    setText(s, EditValue::CutBlankTracks, "1");
    prompter.saveAnswers.push_back(std::nullopt);
    EXPECT_FALSE(s.saveDrf()) << "cancelled dialog";
    EXPECT_TRUE(s.modified()) << "applied, not saved";
    prompter.saveAnswers.push_back((dir / "nowhere" / "x.bin").string());
    prompter.confirmAnswers = {true};
    EXPECT_FALSE(s.saveDrf());
    EXPECT_EQ(prompter.messages.back(), "Error writing DRF");
    prompter.saveAnswers.push_back((dir / "copy.bin").string());
    prompter.confirmAnswers = {true};
    ASSERT_TRUE(s.saveDrf());
    EXPECT_EQ(s.fileNameText(), "copy.bin");
    EXPECT_FALSE(s.modified());
    EXPECT_FALSE(std::filesystem::exists(dir / "copy.bin.bak")) << "nothing was replaced";
    EXPECT_TRUE(test::changedKeys(path, dir / "orig.bin").empty()) << "the original is untouched";
}

TEST_F(SessionTest, SaveDialogAsksBeforeCreatingAndBeforeReplacing) {
    const auto path = file("orig.bin", drfOf(3));
    const auto fresh = (dir / "fresh.bin").string();
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(path), OpenOutcome::Shown);
    setText(s, EditValue::CutBlankTracks, "1");
    const auto before = test::readBytes(path);
    // No to creating, No to replacing: each goes back to the dialog, which is then cancelled.
    prompter.saveAnswers = {fresh, path, std::nullopt};
    prompter.confirmAnswers = {false, false};
    EXPECT_FALSE(s.saveDrf());
    EXPECT_EQ(prompter.confirmations,
              (std::vector<std::string>{"fresh.bin\nThis file does not exist.\nDo you want to create it?",
                                        "orig.bin already exists.\nDo you want to replace it?"}));
    EXPECT_EQ(prompter.fileDialogs.size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_EQ(test::readBytes(path), before) << "nothing written";
    EXPECT_FALSE(std::filesystem::exists(backupPathFor(path)));
    EXPECT_TRUE(prompter.messages.empty()) << "Save DRF applies silently; nothing was saved";

    // Yes after a No: the second name is the one written.
    prompter.confirmations.clear();
    prompter.saveAnswers = {path, fresh};
    prompter.confirmAnswers = {false, true};
    ASSERT_TRUE(s.saveDrf());
    EXPECT_EQ(prompter.confirmations.size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(fresh));
    EXPECT_EQ(test::readBytes(path), before);
    EXPECT_EQ(s.fileNameText(), "fresh.bin");
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"DRF File was saved"}));
    // Every dialog, open or save, starts with the DRF pattern as its file name.
    prompter.openAnswers.push_back(std::nullopt);
    EXPECT_EQ(s.selectDrf(), OpenOutcome::Shown);
    EXPECT_EQ(prompter.initialNames, std::vector<std::string>(6, "*.bin"));
}

TEST_F(SessionTest, TypedQualityTextOtherThanTheThreeNamesSelectsNormal) {
    auto b = drfOf(3);
    // Each quality of media 101 with a value of its own.
    b.value(101, 2, "Marking2File", "FocusOffset", -2)
        .value(101, 1, "Marking2File", "FocusOffset", -1)
        .value(101, 0, "Marking2File", "FocusOffset", 7);
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(file("q.bin", b)), OpenOutcome::Shown);
    const struct {
        const char* typed;
        std::uint16_t quality;
        const char* focus;
    } cases[] = {
        {"Draft", 2, "-2"}, {"Best", 0, "7"},   {"Normal", 1, "-1"}, {"Best", 0, "7"},
        {"best", 1, "-1"},  {"Draft", 2, "-2"}, {"", 1, "-1"},       {"Draft", 2, "-2"},
        {"Best ", 1, "-1"}, {"Best", 0, "7"},   {"2", 1, "-1"},      {"Superfine", 1, "-1"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(s.selectQuality(c.typed)) << c.typed;
        EXPECT_EQ(s.quality(), c.quality) << c.typed;
        EXPECT_EQ(s.qualityItems()[static_cast<std::size_t>(s.qualityIndex())], c.quality == 2   ? "Draft"
                                                                                : c.quality == 1 ? "Normal"
                                                                                                 : "Best")
            << c.typed;
        EXPECT_EQ(s.fieldText(EditValue::FocusOffset), c.focus) << c.typed;
    }
    EXPECT_TRUE(prompter.messages.empty());
}

// ---- unsaved changes ----

TEST_F(SessionTest, ModifiedFollowsTheShownValuesAndTheDocument) {
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(file("m.bin", drfOf(3))), OpenOutcome::Shown);
    setText(s, EditValue::TrackSpacing, "25400"); // as shown
    EXPECT_FALSE(s.modified());
    setText(s, EditValue::DrivePowerSlopeNumerator, "3");
    EXPECT_TRUE(s.modified());
    setText(s, EditValue::DrivePowerSlopeNumerator, "0");
    EXPECT_FALSE(s.modified());
    setText(s, EditValue::DrivePowerSlopeNumerator, "abc");
    EXPECT_TRUE(s.modified()) << "a text that is no number differs from the file";
    setText(s, EditValue::DrivePowerSlopeNumerator, "3");
    ASSERT_TRUE(s.apply());
    EXPECT_TRUE(s.modified()) << "applied, not saved";
}

TEST_F(SessionTest, ClosingSelectingAndDroppingAskAboutUnsavedChanges) {
    const auto a = file("a.bin", drfOf(3));
    const auto b = file("b.bin", drfOf(3, {101, 104}));
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(a), OpenOutcome::Shown);
    EXPECT_TRUE(s.mayClose()) << "nothing to ask";
    EXPECT_TRUE(prompter.questions.empty());

    setText(s, EditValue::CutBlankTracks, "1");
    prompter.saveChoices = {SaveChoice::Cancel, SaveChoice::Discard};
    EXPECT_FALSE(s.mayClose());
    EXPECT_TRUE(s.mayClose());
    EXPECT_EQ(prompter.questions, (std::vector<std::string>{"a.bin", "a.bin"}));

    prompter.saveChoices = {SaveChoice::Cancel, SaveChoice::Cancel};
    EXPECT_EQ(s.drop({b}), OpenOutcome::Nothing);
    EXPECT_EQ(s.path(), a);
    EXPECT_EQ(s.selectDrf(), OpenOutcome::Nothing);
    EXPECT_TRUE(prompter.fileDialogs.empty()) << "Cancel asks no file";

    prompter.saveChoices = {SaveChoice::Save};
    prompter.saveAnswers.push_back(a);
    prompter.confirmAnswers = {true};
    prompter.openAnswers.push_back(b);
    EXPECT_EQ(s.selectDrf(), OpenOutcome::Shown);
    EXPECT_EQ(s.path(), b);
    EXPECT_EQ(s.mediaItems().size(), 2u);
    EXPECT_EQ(test::changedKeys(backupPathFor(a), a).size(), 1u) << "saved before switching";
}

TEST_F(SessionTest, CancelledSelectDrfReopensTheFileFromDisk) {
    const auto a = file("a.bin", drfOf(3));
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(a), OpenOutcome::Shown);
    ASSERT_TRUE(s.selectQuality("Best"));
    setText(s, EditValue::CutBlankTracks, "1");
    ASSERT_TRUE(s.apply());
    prompter.saveChoices = {SaveChoice::Discard};
    prompter.openAnswers.push_back(std::nullopt);
    EXPECT_EQ(s.selectDrf(), OpenOutcome::Shown);
    EXPECT_EQ(s.qualityIndex(), 1) << "back on Normal";
    ASSERT_TRUE(s.selectQuality("Best"));
    EXPECT_EQ(s.fieldText(EditValue::CutBlankTracks), "0") << "the discarded change is gone";
    EXPECT_FALSE(s.modified());
}

TEST_F(SessionTest, DropOpensOnlyTheFirstFileAndHandsFormat4Over) {
    const auto a = file("a.bin", drfOf(3));
    const auto b = file("b.bin", drfOf(2, {101, 113}));
    const auto c = file("c.bin", drfOf(4));
    EditorSession s(EditorKind::Classic, prompter, next);
    ASSERT_EQ(s.open(a), OpenOutcome::Shown);
    EXPECT_EQ(s.drop({b, c}), OpenOutcome::Shown);
    EXPECT_EQ(s.path(), b);
    EXPECT_EQ(s.versionText(), "2");
    EXPECT_EQ(s.drop({}), OpenOutcome::Nothing);
    EXPECT_EQ(s.drop({c, a}), OpenOutcome::HandOver);
    EXPECT_EQ(next.fromClassic, c);
}

// ---- the launcher's loop ----

TEST_F(SessionTest, LauncherRoutesByVersionAndFollowsHandOvers) {
    const auto v0 = file("v0.bin", drfOf(0));
    const auto v2 = file("v2.bin", drfOf(2));
    const auto v4 = file("v4.bin", drfOf(4));
    std::vector<std::pair<EditorKind, std::string>> runs;
    std::vector<std::pair<std::string, std::string>> handOvers; // what each run leaves
    LauncherFlow flow(prompter, next, [&](EditorKind kind, const std::string& path) {
        runs.emplace_back(kind, path);
        if (!handOvers.empty()) {
            next.fromClassic = handOvers.front().first;
            next.fromReorg = handOvers.front().second;
            handOvers.erase(handOvers.begin());
        }
    });
    EXPECT_TRUE(flow.open(v0));
    EXPECT_TRUE(flow.open(v4));
    EXPECT_FALSE(flow.open(""));
    using Runs = std::vector<std::pair<EditorKind, std::string>>;
    EXPECT_EQ(runs, (Runs{{EditorKind::Classic, v0}, {EditorKind::Reorg, v4}}));

    runs.clear();
    handOvers = {{v4, v2}, {"", v2}, {"", ""}}; // the classic editor's path goes first
    EXPECT_TRUE(flow.open(v2));
    EXPECT_EQ(runs, (Runs{{EditorKind::Classic, v2}, {EditorKind::Reorg, v4}, {EditorKind::Classic, v2}}));
    EXPECT_TRUE(next.fromClassic.empty() && next.fromReorg.empty());
    EXPECT_TRUE(prompter.messages.empty());

    runs.clear();
    EXPECT_FALSE(flow.open((dir / "missing.bin").string()));
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Error reading DRF"}));
    EXPECT_TRUE(runs.empty());
}

// ---- Preview Label ----

TEST_F(SessionTest, PreviewTakesTheFileAsSavedAndTheFieldsAsShown) {
    for (std::uint32_t format : {3u, 4u}) {
        SCOPED_TRACE(format);
        const auto path = file("preview" + std::to_string(format) + ".bin", drfOf(format));
        const auto before = test::readBytes(path);
        EditorSession s(format >= 4 ? EditorKind::Reorg : EditorKind::Classic, prompter, next);
        PreviewValues none;
        EXPECT_FALSE(s.previewValues(none));
        ASSERT_EQ(prompter.messages.size(), 1u);
        EXPECT_EQ(prompter.messages.back(), kMsgPreviewNeedsDrf);

        ASSERT_EQ(s.open(path), OpenOutcome::Shown);
        ASSERT_TRUE(s.setTrackUnit(SpacingUnit::Nanometres));
        ASSERT_TRUE(s.setMarkUnit(SpacingUnit::Nanometres));
        prompter.messages.clear();
        // Applied (not saved): 1500 nm; then shown, not applied: 2000 nm.
        setText(s, EditValue::TrackSpacing, "1500");
        ASSERT_TRUE(s.apply());
        setText(s, EditValue::TrackSpacing, "2000");
        setText(s, EditValue::MarkSpacing, "1200");
        PreviewValues v;
        ASSERT_TRUE(s.previewValues(v));
        EXPECT_EQ(v.formatVersion, format);
        EXPECT_EQ(v.media, 101);
        EXPECT_EQ(v.quality, 1);
        std::int64_t saved = 0, shown = 0, mark = 0;
        ASSERT_EQ(drf::readEditorValue(*v.saved, drf::kTrackSpacing, format, saved), drf::kResultOk);
        ASSERT_EQ(drf::readEditorValue(*v.shown, drf::kTrackSpacing, format, shown), drf::kResultOk);
        ASSERT_EQ(drf::readEditorValue(*v.shown, drf::kMarkSpacing, format, mark), drf::kResultOk);
        EXPECT_EQ(saved, 1000) << "the file as saved, not the applied value";
        EXPECT_EQ(shown, 2000);
        EXPECT_EQ(mark, 1200);
        // Neither the file nor the editor's document took the shown values.
        EXPECT_EQ(test::readBytes(path), before);
        EXPECT_EQ(s.fieldText(EditValue::TrackSpacing), "2000");
        EXPECT_TRUE(s.modified());

        setText(s, EditValue::MarkSpacing, "12x");
        PreviewValues refused;
        EXPECT_FALSE(s.previewValues(refused));
        EXPECT_EQ(s.refusedField(), EditValue::MarkSpacing);
        EXPECT_EQ(refused.shown, nullptr);
        prompter.messages.clear();
    }
}

} // namespace
} // namespace resedit
