// The binding and the dialogs' rules against the built print engine
// stand-in, loaded by name through PATH as the tools load the real engine.
// Natively the engine is an ELF shared object; in the Windows lane it is the
// x86_64 DLL, loaded by Wine's LoadLibraryExW.
#include "HostPlatform.h"

#include "probe/ProbeController.h"
#include "probe/SearchPath.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

namespace probe {
namespace {

using ::testing::ElementsAre;
using testing::HostFiles;
using testing::HostLibraries;
using testing::ProcessEnvironment;

class RecordingView final : public ProbeView {
public:
    std::map<int, std::string> fields;
    std::vector<std::string> items;
    int selected = -1;
    std::string fieldText(int id) const override { return fields.count(id) ? fields.at(id) : std::string(); }
    void setFieldText(int id, const std::string& text) override { fields[id] = text; }
    void setDriveItems(const DriveList& list) override {
        items.clear();
        for (const DriveItem& item : list.items()) {
            items.push_back(item.text);
        }
    }
    int selectedItem() const override { return selected; }
    void setSelectedItem(int item) override { selected = item; }
    void setButtonsEnabled(bool) override {}
    void yield() override {}
};

class RecordingPrompter final : public ProbePrompter {
public:
    std::vector<std::string> messages;
    void message(std::string_view text) override { messages.emplace_back(text); }
};

// Records which slot the engine called, to catch a vtable that disagrees.
class RecordingCallbacks final : public PECallbacks {
public:
    std::vector<std::string> calls;
    bool throwOnStatus = false;
    bool QueryAbort() override {
        calls.emplace_back("QueryAbort");
        return false;
    }
    void Progress(int done, int total) override {
        calls.push_back("Progress " + std::to_string(done) + "/" + std::to_string(total));
    }
    void TrackProgress(int mark, int marks) override {
        calls.push_back("TrackProgress " + std::to_string(mark) + "/" + std::to_string(marks));
    }
    void Status(int status) override {
        calls.push_back("Status " + std::to_string(status));
        if (throwOnStatus) {
            throw 42;
        }
    }
    bool Confirm(int) override {
        calls.emplace_back("Confirm");
        return false;
    }
};

constexpr const char* kMachineJson = R"({
  "userName": "quill",
  "printEngine": {
    "apiVersion": API,
    "drives": [
      {"name": "Z:", "vendor": "QUILLMRK", "product": "QM-7000", "revision": "2.10", "number": 0,
       "driveId": 273, "media": {"imagingParameter": 14, "manufacturer": 9}, "recordVersion": 2,
       "qualities": {"best": {"linearVelocity": 4499, "trackPitch": 1000, "markSpacing": 3,
                              "writePower": 40, "readPower": 7, "focusOffset": -5},
                     "normal": null}},
      {"name": "A:", "vendor": "QUILLMRK", "product": "QM-5000", "revision": "1.04", "number": 1,
       "driveId": 418, "recordVersion": 3, "failures": {"PEGetMediaIdL": 558},
       "qualities": {"best": {"linearVelocity": 4500, "trackPitch": 1270, "markSpacing": 2540,
                              "writePower": 32, "readPower": 7, "focusOffset": 0}}},
      {"name": "C:", "listed": false}
    ]
  }
})";

class EngineBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = {env_.get(L"PATH"), env_.get(L"CommonProgramFiles"), env_.get(L"QUILLMARK_SYSROOT")};
        machine_ = std::filesystem::temp_directory_path() /
                   ("qmprobe-engine-" +
                    std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(machine_ / "drive_c");
        writeMachine("4098");
        useEngine("full");
    }
    void TearDown() override {
        env_.set(L"PATH", saved_[0]);
        env_.set(L"CommonProgramFiles", saved_[1]);
        env_.set(L"QUILLMARK_SYSROOT", saved_[2]);
        std::error_code ec;
        std::filesystem::remove_all(machine_, ec);
    }
    void writeMachine(const std::string& apiVersion) {
        std::string text = kMachineJson;
        text.replace(text.find("API"), 3, apiVersion);
        std::ofstream(machine_ / "machine.json", std::ios::binary) << text;
        env_.set(L"QUILLMARK_SYSROOT", machine_.wstring());
    }
    // The engine variant's folder as the common program files folder, and
    // the tools' PATH extension on top of the process's PATH.
    void useEngine(const char* variant) {
        if (saved_[0]) {
            env_.set(L"PATH", saved_[0]);
        }
        env_.set(L"CommonProgramFiles", testing::hostFolder(QMPRTEN_ROOT) + L"\\" +
                                            std::wstring(variant, variant + std::strlen(variant)));
        ASSERT_TRUE(extendSearchPath(env_));
    }
    std::unique_ptr<ProbeController> controller(const ToolProfile& profile) {
        return std::make_unique<ProbeController>(profile, view_, prompter_, [this] {
            return std::make_unique<PrintEngineBinding>(libs_, files_);
        });
    }

    ProcessEnvironment env_;
    HostLibraries libs_;
    HostFiles files_;
    RecordingView view_;
    RecordingPrompter prompter_;
    std::filesystem::path machine_;
    std::array<std::optional<std::wstring>, 3> saved_;
};

TEST_F(EngineBindingTest, ParamscopeListsAndQueriesTheMachinesDrives) {
    auto c = controller(kParamscope);
    c->startSession();
    ASSERT_THAT(prompter_.messages, ElementsAre());
    EXPECT_EQ(c->apiVersion(), 0x1002);
    EXPECT_EQ(c->binding()->loadedName(), L"QMPrtEn.dll");
    EXPECT_EQ(c->driveCount(), 3);
    EXPECT_THAT(view_.items,
                ElementsAre("A: - QUILLMRK - QM-5000 - 1.04 - 1", "Z: - QUILLMRK - QM-7000 - 2.10 - 0"));
    view_.selected = 1;
    c->query();
    EXPECT_THAT(prompter_.messages,
                ElementsAre("22d -- The DRF and media type do not support this print quality."));
    EXPECT_EQ(view_.fields[1063], "273");
    EXPECT_EQ(view_.fields[1073], "qmdb0111.bin");
    EXPECT_EQ(view_.fields[1034], "14");
    EXPECT_EQ(view_.fields[1035], "9");
    EXPECT_EQ(view_.fields[1042], "4");
    EXPECT_EQ(view_.fields[1067], "25400");
    EXPECT_EQ(view_.fields[1068], "8466667");
    EXPECT_EQ(view_.fields[1066], "40");
    EXPECT_EQ(view_.fields[1062], "7");
    EXPECT_EQ(view_.fields[1043], "-5");
    EXPECT_EQ(view_.fields[1039], "0"); // Normal is not in this drive's DRF

    view_.selected = 0;
    c->query();
    EXPECT_EQ(view_.fields[1073], "qmdb01a2.bin");
    EXPECT_EQ(view_.fields[1042], "5");
    EXPECT_EQ(view_.fields[1062], "0.7");
    c->endSession();
    EXPECT_EQ(c->binding(), nullptr);
    EXPECT_EQ(prompter_.messages.size(), 1u); // that drive fails only mediaprobe's media call
}

TEST_F(EngineBindingTest, MediaprobeShowsItsOwnTextForTheDrivesFailure) {
    auto c = controller(kMediaprobe);
    c->startSession();
    view_.selected = 0;
    c->query();
    EXPECT_THAT(prompter_.messages, ElementsAre("22e -- Drive resource file is corrupt."));
    EXPECT_EQ(view_.fields[1073], "qmdb01a2.bin");
    view_.selected = 1;
    c->query();
    EXPECT_EQ(view_.fields[1034], "14");
    EXPECT_EQ(prompter_.messages.size(), 1u);
}

TEST_F(EngineBindingTest, EnginesOfAnotherInterfaceVersionAreRefused) {
    for (const auto& [version, text] :
         std::map<std::string, std::string>{{"4099", "23e -- Installation error (update application?)."},
                                            {"4097", "234 -- Quillmark system software needs update."}}) {
        writeMachine(version);
        prompter_.messages.clear();
        auto c = controller(kParamscope);
        c->startSession();
        EXPECT_THAT(prompter_.messages, ElementsAre(text)) << version;
    }
}

TEST_F(EngineBindingTest, AnEngineWithoutTheVersionEntryNeedsAnUpdate) {
    useEngine("without-PEGetAPIVersion");
    auto c = controller(kMediaprobe);
    c->startSession();
    EXPECT_THAT(prompter_.messages, ElementsAre("234 -- Quillmark system software needs update."));
    EXPECT_EQ(c->binding()->state(), PrintEngineBinding::Ready);
}

TEST_F(EngineBindingTest, AnEngineWithoutARequiredEntryIsNotLoaded) {
    useEngine("without-PEIsValidDrive");
    PrintEngineBinding binding(libs_, files_);
    EXPECT_EQ(binding.Load(nullptr), 0x201);
    EXPECT_STREQ(binding.missingEntry(), "PEIsValidDrive");
    EXPECT_EQ(binding.loadError(), 0);
    int count = 0;
    EXPECT_EQ(binding.PEGetNumberOfDrives(count), 0x221);
}

TEST_F(EngineBindingTest, WithoutTheInstallFolderOnPathThereIsNoEngine) {
    env_.set(L"CommonProgramFiles", std::nullopt);
    env_.set(L"PATH", saved_[0]);
    PrintEngineBinding binding(libs_, files_);
    EXPECT_EQ(binding.Load(nullptr), 0x201);
    EXPECT_EQ(binding.loadError(), 126);
}

TEST_F(EngineBindingTest, TheEngineCallsTheRegisteredCallbacksThroughTheirSlots) {
    PrintEngineBinding binding(libs_, files_);
    ASSERT_EQ(binding.Load(nullptr), 0);
    ASSERT_EQ(binding.PEStartComm(), 0);
    RecordingCallbacks callbacks;
    ASSERT_EQ(binding.PESetPECB(&callbacks), 0);
    ASSERT_EQ(binding.PESelectDrive(0), 0);
    EXPECT_EQ(binding.PEEjectDriveTray(), 0);
    EXPECT_EQ(binding.PELoadDriveTray(), 0);
    EXPECT_THAT(callbacks.calls, ElementsAre("Status 2", "Status 1"));

    // A labeling run asks to abort and reports progress between steps.
    std::wstring path = testing::hostFolder(QMPRTEN_ROOT) + L"\\full\\Quillmark\\QMPrtEn.dll";
    long error = 0;
    auto module = libs_.load(path, 0, error);
    ASSERT_NE(module, nullptr);
    auto labelDisc = reinterpret_cast<PELabelDisc_t>(libs_.resolve(module, "PELabelDisc"));
    EngineLabelRequest request{};
    request.kind = 2;
    callbacks.calls.clear();
    EXPECT_EQ(labelDisc(binding.session(), &request), 0);
    ASSERT_EQ(callbacks.calls.size(), 13u);
    EXPECT_EQ(callbacks.calls[0], "Status 3");
    EXPECT_THAT(std::vector<std::string>(callbacks.calls.begin() + 1, callbacks.calls.begin() + 4),
                ElementsAre("QueryAbort", "TrackProgress 0/4", "Progress 1/4"));

    callbacks.throwOnStatus = true;
    EXPECT_EQ(binding.PELoadDriveTray(), 0x21B);
    libs_.free(module);
}

TEST_F(EngineBindingTest, ABrokenSettingsSectionIsAnInvalidConfiguration) {
    std::ofstream(machine_ / "machine.json", std::ios::binary)
        << R"({"printEngine": {"drives": [{"driveId": "x"}]}})";
    PrintEngineBinding binding(libs_, files_);
    EXPECT_EQ(binding.Load(nullptr), 0x204);
    EXPECT_EQ(binding.state(), PrintEngineBinding::Failed);
}

} // namespace
} // namespace probe
