// PrintEngineBinding against the fake engine: where it looks, what it
// resolves, and that a binding that is not ready never calls the engine.
#include "FakeEngine.h"

#include "probe/PrintEngineBinding.h"
#include "probe/ReturnCodes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace probe {
namespace {

using ::testing::ElementsAre;
using testing::fakeEngine;
using testing::fakeEngineExports;
using testing::FakeFiles;
using testing::FakeLibraries;

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override { testing::resetFakeEngine(); }
    void installByName(std::map<std::string, void*> exports) {
        libs.modules[L"QMPrtEn.dll"] = std::move(exports);
    }

    FakeLibraries libs;
    FakeFiles files;
};

TEST_F(BindingTest, NoEngineAnywhereFailsWith201AndCallsNothing) {
    PrintEngineBinding binding(libs, files);
    EXPECT_EQ(binding.Load(nullptr), 0x201);
    EXPECT_EQ(binding.state(), PrintEngineBinding::Failed);
    EXPECT_EQ(binding.loadError(), 126);
    EXPECT_EQ(returnCodeText(binding.Load(nullptr), Tool::Paramscope), "201 -- Unable to load library.");
    EXPECT_TRUE(fakeEngine().calls.empty());
}

TEST_F(BindingTest, LoadsBesideTheProgramWhenTheFileIsThereUnderTheQuietErrorMode) {
    files.existing.insert(L"C:\\Tools\\QMPrtEn.dll");
    libs.modules[L"C:\\Tools\\QMPrtEn.dll"] = fakeEngineExports();
    libs.errorMode = 4;
    PrintEngineBinding binding(libs, files);
    ASSERT_EQ(binding.Load(nullptr), 0);
    EXPECT_EQ(binding.state(), PrintEngineBinding::Ready);
    EXPECT_EQ(binding.session(), fakeEngine().nextSession);
    // The mode is 0x8001 while loading (32769) and the old one after.
    EXPECT_THAT(libs.log, ElementsAre("setErrorMode 32769", "load C:\\Tools\\QMPrtEn.dll flags 8 mode 32769",
                                      "setErrorMode 4"));
    EXPECT_EQ(libs.errorMode, 4u);
    EXPECT_THAT(fakeEngine().calls, ElementsAre("PEInitWorld2"));
}

TEST_F(BindingTest, WithoutAFileBesideTheProgramTheBareNameIsSearched) {
    installByName(fakeEngineExports());
    libs.modules[L"C:\\Tools\\QMPrtEn.dll"] = {}; // a loadable module there, but no file
    PrintEngineBinding binding(libs, files);
    ASSERT_EQ(binding.Load(nullptr), 0);
    EXPECT_EQ(binding.loadedName(), L"QMPrtEn.dll");
}

TEST_F(BindingTest, AnotherNameIsLoadedAsGiven) {
    libs.modules[L"Other.dll"] = fakeEngineExports();
    PrintEngineBinding binding(libs, files);
    EXPECT_EQ(binding.Load(L"Other.dll"), 0);
}

TEST_F(BindingTest, WithoutVersionEntryItLoadsAndTheVersionCallAnswers234) {
    installByName(fakeEngineExports({"PEGetAPIVersion"}));
    PrintEngineBinding binding(libs, files);
    ASSERT_EQ(binding.Load(nullptr), 0);
    int version = 77;
    EXPECT_EQ(binding.PEGetAPIVersion(version), 0x234);
    EXPECT_EQ(version, 0);
}

class MissingEntryTest : public BindingTest, public ::testing::WithParamInterface<EntryInfo> {};

TEST_P(MissingEntryTest, EveryRequiredEntryIsNeededAndTheLibraryIsFreedAgain) {
    installByName(fakeEngineExports({GetParam().name}));
    PrintEngineBinding binding(libs, files);
    EXPECT_EQ(binding.Load(nullptr), 0x201);
    EXPECT_EQ(binding.state(), PrintEngineBinding::Failed);
    EXPECT_STREQ(binding.missingEntry(), GetParam().name);
    EXPECT_EQ(libs.openModules, 0);
    EXPECT_EQ(libs.log.back(), "free");
    EXPECT_TRUE(fakeEngine().calls.empty());
}

std::vector<EntryInfo> requiredEntries() {
    std::vector<EntryInfo> out;
    for (const EntryInfo& e : kEntries) {
        if (e.required) {
            out.push_back(e);
        }
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Required, MissingEntryTest, ::testing::ValuesIn(requiredEntries()),
                         [](const auto& info) { return std::string(info.param.name); });

// Every wrapper, called on a binding that is not ready.
int callEveryWrapper(PrintEngineBinding& b, std::vector<int>& codes) {
    int version = 5;
    int count = 0;
    EngineDriveDescription description{};
    EngineDriveCapabilities caps{};
    EngineMediaId media{};
    EngineLabelParams params{};
    EngineLabelRequest request{};
    codes = {b.PEGetAPIVersion(version),
             b.PEStartComm(),
             b.PEEndComm(),
             b.PESetPECB(nullptr),
             b.PEGetNumberOfDrives(count),
             b.PEGetDriveDescription(0, description),
             b.PESelectDrive(0),
             b.PEDeselectDrive(),
             b.PELoadDriveTray(),
             b.PEEjectDriveTray(),
             b.PEGetDriveCapabilities(caps),
             b.PEGetMediaId(media, request),
             b.PEGetMediaIdL(media, request),
             b.PEGetLabelParams(params, request)};
    return version;
}

TEST_F(BindingTest, WrappersOfAFailedOrUnloadedBindingAnswer221WithoutTouchingTheEngine) {
    installByName(fakeEngineExports({"PEIsValidDrive"}));
    PrintEngineBinding failed(libs, files);
    ASSERT_EQ(failed.Load(nullptr), 0x201);
    PrintEngineBinding unloaded(libs, files);
    for (PrintEngineBinding* b : {&failed, &unloaded}) {
        std::vector<int> codes;
        EXPECT_EQ(callEveryWrapper(*b, codes), 5);
        EXPECT_THAT(codes, ::testing::Each(0x221));
    }
    EXPECT_TRUE(fakeEngine().calls.empty());
}

TEST_F(BindingTest, AFailingSessionOpenIsReturnedAndLeavesTheLibraryFree) {
    installByName(fakeEngineExports());
    fakeEngine().failures["PEInitWorld2"] = 0x204;
    PrintEngineBinding binding(libs, files);
    EXPECT_EQ(binding.Load(nullptr), 0x204);
    EXPECT_EQ(binding.state(), PrintEngineBinding::Failed);
    EXPECT_EQ(libs.openModules, 0);
    int count = 0;
    EXPECT_EQ(binding.PEGetNumberOfDrives(count), 0x221);
}

TEST_F(BindingTest, ReleaseEndsTheSessionOnceAndFreesTheLibrary) {
    installByName(fakeEngineExports());
    {
        PrintEngineBinding binding(libs, files);
        ASSERT_EQ(binding.Load(nullptr), 0);
        binding.Release();
        EXPECT_EQ(binding.state(), PrintEngineBinding::NotLoaded);
        EXPECT_EQ(binding.session(), 0u);
        EXPECT_EQ(libs.openModules, 0);
        EXPECT_EQ(binding.PEStartComm(), 0x221);
    } // the destructor has nothing left to end
    EXPECT_THAT(fakeEngine().calls, ElementsAre("PEInitWorld2", "PEDeinitWorld"));
}

TEST_F(BindingTest, LoadingAgainReleasesTheFirstSession) {
    installByName(fakeEngineExports());
    PrintEngineBinding binding(libs, files);
    ASSERT_EQ(binding.Load(nullptr), 0);
    ASSERT_EQ(binding.Load(nullptr), 0);
    EXPECT_EQ(libs.openModules, 1);
    EXPECT_THAT(fakeEngine().calls, ElementsAre("PEInitWorld2", "PEDeinitWorld", "PEInitWorld2"));
}

TEST_F(BindingTest, ReadyWrappersPassTheSessionAndTheEnginesCode) {
    installByName(fakeEngineExports());
    fakeEngine().failures["PELoadDriveTray"] = 0x109F;
    PrintEngineBinding binding(libs, files);
    ASSERT_EQ(binding.Load(nullptr), 0);
    EXPECT_EQ(binding.PEStartComm(), 0);
    EXPECT_EQ(binding.PELoadDriveTray(), 0x109F);
    int version = 0;
    EXPECT_EQ(binding.PEGetAPIVersion(version), 0);
    EXPECT_EQ(version, 0x1002);
}

} // namespace
} // namespace probe
