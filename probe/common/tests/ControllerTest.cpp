// The dialogs' behaviour without a window: session start and end, the drive
// list, the query, and what the user is told.
#include "FakeEngine.h"

#include "probe/ProbeController.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace probe {
namespace {

using ::testing::ElementsAre;
using testing::FakeDrive;
using testing::fakeEngine;
using testing::fakeEngineExports;
using testing::FakeFiles;
using testing::FakeLibraries;
using testing::labelParams;

class FakeView final : public ProbeView {
public:
    std::map<int, std::string> fields;
    std::vector<std::string> items;
    int selected = -1;
    bool enabled = true;
    std::vector<std::string> events;

    std::string fieldText(int id) const override {
        const auto it = fields.find(id);
        return it == fields.end() ? std::string() : it->second;
    }
    void setFieldText(int id, const std::string& text) override { fields[id] = text; }
    void setDriveItems(const DriveList& list) override {
        items.clear();
        for (const DriveItem& item : list.items()) {
            items.push_back(item.text);
        }
        selected = -1;
    }
    int selectedItem() const override { return selected; }
    void setSelectedItem(int item) override { selected = item; }
    void setButtonsEnabled(bool on) override {
        enabled = on;
        events.push_back(on ? "enable" : "disable");
    }
    void yield() override { events.emplace_back("yield"); }
};

class RecordingPrompter final : public ProbePrompter {
public:
    std::vector<std::string> messages;
    void message(std::string_view text) override { messages.emplace_back(text); }
};

FakeDrive drive(std::u16string name, int number, std::uint16_t id) {
    FakeDrive d;
    d.name = std::move(name);
    d.number = number;
    d.driveId = id;
    return d;
}

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::resetFakeEngine();
        libs.modules[L"QMPrtEn.dll"] = fakeEngineExports();
    }
    ProbeController& make(const ToolProfile& profile) {
        controller = std::make_unique<ProbeController>(
            profile, view, prompter, [this] { return std::make_unique<PrintEngineBinding>(libs, files); });
        return *controller;
    }
    // Engine calls after the session start.
    std::vector<std::string> callsSince(std::size_t start) const {
        const auto& calls = fakeEngine().calls;
        return {calls.begin() + static_cast<std::ptrdiff_t>(start), calls.end()};
    }

    FakeLibraries libs;
    FakeFiles files;
    FakeView view;
    RecordingPrompter prompter;
    std::unique_ptr<ProbeController> controller;
};

TEST_F(ControllerTest, SessionStartListsTheListedDrivesSortedAndSelectsTheFirst) {
    fakeEngine().drives = {drive(u"G:", 7, 1), drive(u"E:", 5, 2), drive(u"F:", 6, 3)};
    fakeEngine().drives[2].listed = false;
    ProbeController& c = make(kParamscope);
    c.startSession();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(c.driveCount(), 3);
    EXPECT_THAT(view.items,
                ElementsAre("E: - QUILLMRK - QM-5000 - 1.04 - 5", "G: - QUILLMRK - QM-5000 - 1.04 - 7"));
    EXPECT_EQ(view.selected, 0);
    EXPECT_THAT(fakeEngine().calls, ElementsAre("PEInitWorld2", "PEGetAPIVersion", "PEStartComm", "PESetPECB",
                                                "PEGetNumberOfDrives", "PEGetDriveDescription",
                                                "PEGetDriveDescription", "PEGetDriveDescription"));
    EXPECT_NE(fakeEngine().callbacks, nullptr);
}

struct StartFailure {
    const char* name;
    std::function<void(FakeLibraries&)> arrange;
    const char* message;
};

class SessionStartFailureTest : public ControllerTest, public ::testing::WithParamInterface<StartFailure> {};

TEST_P(SessionStartFailureTest, IsReportedAndTheDialogKeepsWhatItHas) {
    GetParam().arrange(libs);
    ProbeController& c = make(kParamscope);
    c.startSession();
    EXPECT_THAT(prompter.messages, ElementsAre(GetParam().message));
    EXPECT_TRUE(view.items.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SessionStartFailureTest,
    ::testing::Values(StartFailure{"NoEngine", [](FakeLibraries& l) { l.modules.clear(); },
                                   "201 -- Unable to load library."},
                      StartFailure{"NoVersionEntry",
                                   [](FakeLibraries& l) {
                                       l.modules[L"QMPrtEn.dll"] = fakeEngineExports({"PEGetAPIVersion"});
                                   },
                                   "234 -- Quillmark system software needs update."},
                      StartFailure{"NewerEngine", [](FakeLibraries&) { fakeEngine().apiVersion = 0x1003; },
                                   "23e -- Installation error (update application?)."},
                      StartFailure{"OlderEngine", [](FakeLibraries&) { fakeEngine().apiVersion = 0x1001; },
                                   "234 -- Quillmark system software needs update."},
                      StartFailure{"NoGatewayPipe",
                                   [](FakeLibraries&) { fakeEngine().failures["PEStartComm"] = 0x1046; },
                                   "1046 -- Unable to open the Quillmark Gateway Service pipe."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControllerTest, AFailingDescriptionKeepsTheItemsListedBeforeIt) {
    fakeEngine().drives = {drive(u"E:", 1, 1), drive(u"F:", 2, 2)};
    ProbeController& c = make(kParamscope);
    fakeEngine().failures["PEGetDriveDescription"] = 0;
    c.startSession();
    ASSERT_EQ(view.items.size(), 2u);

    // A second drive appears and its description cannot be read.
    fakeEngine().drives.push_back(drive(u"D:", 3, 3));
    fakeEngine().failures["PEGetDriveDescription"] = 0x227;
    view.selected = 0;
    c.refreshList();
    EXPECT_THAT(prompter.messages, ElementsAre("227 -- Unable to read drive description."));
    EXPECT_TRUE(view.items.empty());
    EXPECT_EQ(c.driveCount(), 3);
    EXPECT_TRUE(view.enabled);
}

TEST_F(ControllerTest, QueryOfAnItemSortedAwayFromItsEngineOrderAsksThatDrive) {
    fakeEngine().drives = {drive(u"Z:", 1, 0x111), drive(u"A:", 2, 0x1A2)};
    ProbeController& c = make(kParamscope);
    c.startSession();
    ASSERT_EQ(view.items[0].substr(0, 2), "A:");
    view.selected = 0;
    c.query();
    EXPECT_THAT(fakeEngine().selects, ElementsAre(1));
    EXPECT_EQ(view.fields[1063], "418");
    EXPECT_EQ(view.fields[1073], "qmdb01a2.bin");
    view.selected = 1;
    c.query();
    EXPECT_THAT(fakeEngine().selects, ElementsAre(1, 0));
    EXPECT_EQ(view.fields[1073], "qmdb0111.bin");
}

TEST_F(ControllerTest, QueryFillsEveryFieldWithItsConversion) {
    FakeDrive d = drive(u"E:", 1, 0x1A2);
    d.params[0] = labelParams(3, 4499, 1000, 3, 30, 7, -5);
    d.params[1] = labelParams(2, 4500, 1270, 254, 25, 7, 0);
    d.params[2] = labelParams(3, 1200000, 0, 500, 255, 255, 127);
    fakeEngine().drives = {d};
    ProbeController& c = make(kParamscope);
    c.startSession();
    const std::size_t start = fakeEngine().calls.size();
    c.query();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_THAT(callsSince(start),
                ElementsAre("PEDeselectDrive", "PESelectDrive", "PELoadDriveTray", "PEGetDriveCapabilities",
                            "PEGetMediaId", "PEGetLabelParams", "PEGetLabelParams", "PEGetLabelParams",
                            "PEEjectDriveTray", "PEDeselectDrive"));
    std::map<int, std::string> expected{
        {1063, "418"},     {1073, "qmdb01a2.bin"},
        {1034, "12"},      {1035, "3"}, // drive, media
        {1042, "4"},       {1039, "5"},
        {1045, "1200"}, // velocity
        {1067, "25400"},   {1065, "20000"},
        {1071, "0"}, // tpi
        {1068, "8466667"}, {1064, "100000"},
        {1072, "50800"}, // dpi
        {1066, "30"},      {1061, "25"},
        {1070, "255"}, // write power
        {1062, "0.7"},     {1060, "7"},
        {1069, "25.5"}, // read power
        {1043, "-5"},      {1040, "0"},
        {1046, "127"}, // focus
    };
    EXPECT_EQ(view.fields, expected);
    // The media request and the three parameter requests.
    const auto& requests = fakeEngine().requests;
    ASSERT_EQ(requests.size(), 4u);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].kind, 2);
        EXPECT_EQ(requests[i].quality, i == 0 ? 1 : static_cast<int>(i - 1));
        EXPECT_EQ(requests[i].flag80, 1);
        ASSERT_NE(requests[i].text, nullptr);
        EXPECT_EQ(requests[i].text[0], 0);
    }
    EXPECT_THAT(view.events, ElementsAre("disable", "yield", "enable"));
}

TEST_F(ControllerTest, AFailureStopsTheQueryButKeepsWhatCameBefore) {
    FakeDrive d = drive(u"E:", 1, 0x1A2);
    d.params[0] = labelParams(2, 4500, 1000, 1000, 30, 7, -5);
    fakeEngine().drives = {d};
    ProbeController& c = make(kParamscope);
    c.startSession();
    view.fields[1039] = "99"; // typed by the user into the Normal row
    fakeEngine().failures["PEGetLabelParams/1"] = 0x22D;
    const std::size_t start = fakeEngine().calls.size();
    view.selected = 0;
    c.query();
    EXPECT_THAT(prompter.messages,
                ElementsAre("22d -- The DRF and media type do not support this print quality."));
    EXPECT_EQ(c.lastCode(), 0x22D);
    EXPECT_EQ(view.fields[1073], "qmdb01a2.bin");
    EXPECT_EQ(view.fields[1042], "5");
    EXPECT_EQ(view.fields[1039], "99");
    EXPECT_EQ(callsSince(start).back(), "PEGetLabelParams");
    EXPECT_TRUE(view.enabled);
}

TEST_F(ControllerTest, NoChosenItemIsInvalidDriveNumber) {
    fakeEngine().drives = {drive(u"E:", 1, 1)};
    ProbeController& c = make(kParamscope);
    c.startSession();
    view.selected = -1;
    c.query();
    EXPECT_THAT(prompter.messages, ElementsAre("231 -- Invalid drive number."));
    EXPECT_TRUE(fakeEngine().selects.empty());
}

TEST_F(ControllerTest, UpdateWithTheEngineUnavailableShows221AndReenablesTheButtons) {
    libs.modules.clear();
    ProbeController& c = make(kParamscope);
    c.startSession();
    prompter.messages.clear();
    c.query();
    EXPECT_THAT(prompter.messages, ElementsAre("221 -- Invalid class initialization."));
    EXPECT_TRUE(view.enabled);
    EXPECT_THAT(view.events, ElementsAre("disable", "yield", "enable"));
}

TEST_F(ControllerTest, MediaprobeMakesOneMediaCallOfItsOwnAndNoParameterCall) {
    fakeEngine().drives = {drive(u"E:", 1, 0x1A2)};
    ProbeController& c = make(kMediaprobe);
    c.startSession();
    const std::size_t start = fakeEngine().calls.size();
    c.query();
    EXPECT_THAT(callsSince(start),
                ElementsAre("PEDeselectDrive", "PESelectDrive", "PELoadDriveTray", "PEGetDriveCapabilities",
                            "PEGetMediaIdL", "PEEjectDriveTray", "PEDeselectDrive"));
    ASSERT_EQ(fakeEngine().requests.size(), 1u);
    EXPECT_EQ(fakeEngine().requests[0].kind, 1);
    EXPECT_EQ(fakeEngine().requests[0].quality, 1);
    std::map<int, std::string> expected{{1073, "qmdb01a2.bin"}, {1034, "12"}, {1035, "3"}};
    EXPECT_EQ(view.fields, expected);

    fakeEngine().failures["PEGetMediaIdL"] = 0x22E;
    c.query();
    EXPECT_THAT(prompter.messages, ElementsAre("22e -- Drive resource file is corrupt."));
}

TEST_F(ControllerTest, RefreshResetsTheValuesAndRebuildsOnlyWhenTheCountChanged) {
    FakeDrive d = drive(u"E:", 1, 0x1A2);
    fakeEngine().drives = {d};
    ProbeController& c = make(kMediaprobe);
    c.startSession();
    c.query();
    ASSERT_EQ(view.fields[1073], "qmdb01a2.bin");
    const std::size_t start = fakeEngine().calls.size();
    c.refreshList();
    EXPECT_EQ(view.fields[1073], "");
    EXPECT_EQ(view.fields[1034], "0");
    EXPECT_THAT(callsSince(start), ElementsAre("PEDeselectDrive", "PEGetNumberOfDrives"));

    fakeEngine().drives.push_back(drive(u"A:", 2, 2));
    view.selected = 0;
    c.refreshList();
    EXPECT_EQ(view.items.size(), 2u);
    EXPECT_EQ(view.selected, 0);
    EXPECT_EQ(view.items[0].substr(0, 2), "A:");
}

TEST_F(ControllerTest, ATypedNumberThatDoesNotReadIsRefusedAndTheRestKeepTheirValues) {
    fakeEngine().drives = {drive(u"E:", 1, 0x1A2)};
    ProbeController& c = make(kParamscope);
    c.startSession();
    c.writeControls();
    view.fields[1034] = "12";
    view.fields[1035] = "x";
    view.fields[1042] = "9";
    c.readControls();
    EXPECT_THAT(prompter.messages, ElementsAre("Please enter an integer."));
    EXPECT_EQ(c.values().imagingParameter, 12);
    EXPECT_EQ(c.values().rows[0].linearVelocity, 0);
    view.fields[1035] = "3";
    view.fields[1062] = "0,7";
    c.readControls();
    EXPECT_EQ(prompter.messages.back(), "Please enter a number.");
    EXPECT_EQ(c.values().rows[0].linearVelocity, 9);
}

TEST_F(ControllerTest, ExitDeselectsEndsCommunicationAndFreesTheEngine) {
    fakeEngine().drives = {drive(u"E:", 1, 1)};
    ProbeController& c = make(kParamscope);
    c.startSession();
    const std::size_t start = fakeEngine().calls.size();
    c.endSession();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_THAT(callsSince(start), ElementsAre("PEDeselectDrive", "PEEndComm", "PEDeinitWorld"));
    EXPECT_EQ(c.binding(), nullptr);
    EXPECT_EQ(libs.openModules, 0);
}

TEST_F(ControllerTest, AFailingExitStepEndsCommunicationOnceMoreAndReportsTheFirstCode) {
    fakeEngine().drives = {drive(u"E:", 1, 1)};
    ProbeController& c = make(kParamscope);
    c.startSession();
    fakeEngine().failures["PEDeselectDrive"] = 0x1080;
    const std::size_t start = fakeEngine().calls.size();
    c.endSession();
    EXPECT_THAT(prompter.messages, ElementsAre("1080 -- Drive communications error."));
    EXPECT_THAT(callsSince(start), ElementsAre("PEDeselectDrive", "PEEndComm", "PEDeinitWorld"));
    EXPECT_EQ(libs.openModules, 0);

    testing::resetFakeEngine();
    fakeEngine().drives = {drive(u"E:", 1, 1)};
    c.startSession();
    fakeEngine().failures["PEEndComm"] = 0x1047;
    const std::size_t again = fakeEngine().calls.size();
    c.endSession();
    EXPECT_EQ(prompter.messages.back(), "1047 -- Unable to close the Quillmark Gateway Service pipe.");
    EXPECT_THAT(callsSince(again), ElementsAre("PEDeselectDrive", "PEEndComm", "PEEndComm", "PEDeinitWorld"));
}

TEST_F(ControllerTest, AFailedAllocationShowsTheMemoryText) {
    controller = std::make_unique<ProbeController>(
        kMediaprobe, view, prompter, []() -> std::unique_ptr<PrintEngineBinding> { throw std::bad_alloc(); });
    controller->startSession();
    controller->query();
    EXPECT_THAT(prompter.messages,
                ElementsAre("Error, insufficient memory.", "221 -- Invalid class initialization."));
    EXPECT_EQ(controller->lastCode(), 0x221);
}

} // namespace
} // namespace probe
