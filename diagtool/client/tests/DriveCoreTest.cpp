// Drive enumeration, detection of one drive and the scan lines, against the
// recording server.
#include "diagtool/client/DriveCore.h"
#include "FakeDiscPrintServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using namespace QMRT;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DriveCoreTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(server.liveObjects, 0) << "references not given back"; }
    fake::Drive drive(const wchar_t* path, const wchar_t* name, std::int16_t imaging = 12) {
        fake::Drive d;
        d.path = path;
        d.displayName = name;
        d.media->imagingParameter = imaging;
        return d;
    }
    // Detection as the worker thread runs it.
    MediaDetector detector() {
        return [this](const std::string& path) -> std::optional<QMRT_MediaInformation> {
            QMRT_MediaInformation info;
            if (detectMedia(path, info, true, server.creator())) {
                return info;
            }
            return std::nullopt;
        };
    }
    fake::Server server;
};

TEST_F(DriveCoreTest, CountOfZeroAsksForNoItem) {
    EXPECT_THAT(enumerateDrives(server.creator()), IsEmpty());
    EXPECT_THAT(server.calls, ElementsAre("Create", "EnumDiscPrinters", "Count"));
    EXPECT_EQ(countDrives(server.creator()), 0);
    EXPECT_THAT(scanDrivesAndMedia(detector(), server.creator()), IsEmpty());
}

TEST_F(DriveCoreTest, EnumerationKeepsWhatWasReadBeforeAFailure) {
    server.drives = {drive(L"E", L"Good"), drive(L"F", L"Invalid"), drive(L"G", L"Nameless")};
    server.drives[1].failures["Validate"] = static_cast<HRESULT>(0xC004022Bu);
    server.drives[2].failures["GetPrinterDisplayName"] = E_FAIL;
    const std::vector<DriveInfo> drives = enumerateDrives(server.creator());
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].label, "Good (E:)");
    EXPECT_TRUE(drives[0].validated);
    EXPECT_EQ(drives[1].path, "F");
    EXPECT_EQ(drives[1].label, "Invalid (F:)");
    EXPECT_FALSE(drives[1].validated);
    EXPECT_EQ(drives[2].displayName, "");
    EXPECT_EQ(drives[2].path, "");
    EXPECT_EQ(drives[2].label, "");
    EXPECT_FALSE(drives[2].validated);
    EXPECT_THAT(std::vector<std::string>(server.calls.begin() + 3, server.calls.begin() + 7),
                ElementsAre("Item(0)", "GetPrinterDisplayName", "GetPrinterPath", "Validate"));
}

TEST_F(DriveCoreTest, CountFailuresPropagate) {
    server.failures["Count"] = static_cast<HRESULT>(0xC0041087u);
    EXPECT_THROW(enumerateDrives(server.creator()), QMRT_Exception);
    try {
        countDrives(server.creator());
        FAIL();
    } catch (const QMRT_Exception& error) {
        EXPECT_EQ(error.code(), 4231);
    }
    try {
        countDrives([](IDiscPrintMgr**) -> HRESULT { throw std::bad_alloc(); });
        FAIL();
    } catch (const QMRT_Exception& error) {
        EXPECT_EQ(error.code(), 256);
        EXPECT_EQ(error.location(), "QMRT_EnumDiscPrinters");
        EXPECT_EQ(error.message(), "Unknown Win32 error");
        EXPECT_EQ(error.nativeError(), -1);
    }
}

TEST_F(DriveCoreTest, DetectionCallsInOrder) {
    server.drives = {drive(L"E", L"One"), drive(L"F", L"Two", 7)};
    QMRT_MediaInformation info;
    ASSERT_TRUE(detectMedia("F", info, true, server.creator()));
    EXPECT_EQ(info.imagingParameter, 7);
    EXPECT_THAT(server.calls,
                ElementsAre("Create", "EnumDiscPrinters", "Count", "Item(0)", "GetPrinterPath", "Item(1)",
                            "GetPrinterPath", "Validate", "CloseDriveTray", "GetCurrentMedia(1)"));
    server.calls.clear();
    ASSERT_TRUE(detectMedia("E", info, false, server.creator()));
    EXPECT_EQ(std::count(server.calls.begin(), server.calls.end(), "CloseDriveTray"), 0);
}

TEST_F(DriveCoreTest, DriveFoundByExactPathOnly) {
    server.drives = {drive(L"E", L"One")};
    try {
        findDriveByPath("e", server.creator());
        FAIL();
    } catch (const QMRT_Exception& error) {
        EXPECT_EQ(error.code(), 563);
        EXPECT_EQ(error.location(), "QuillmarkModel::getQuillmarkDiscPrinterByPath(QString path)");
        EXPECT_EQ(error.message(), "");
        EXPECT_EQ(error.nativeError(), 0);
    }
}

TEST_F(DriveCoreTest, ScanLines) {
    server.drives = {drive(L"E", L"Quillmark QM-1"), drive(L"F", L"Spare", -1), drive(L"G", L"Empty"),
                     drive(L"H", L"Broken"), drive(L"I", L"Moved")};
    server.drives[2].media.reset();
    server.drives[3].failures["Validate"] = E_FAIL;
    // Enumerated as I, then gone when detection looks for it.
    server.drives[4].laterPaths = {L"I"};
    server.drives[4].path = L"J";
    EXPECT_THAT(scanDrivesAndMedia(detector(), server.creator()),
                ElementsAre("Drive 0 : Quillmark QM-1 (E:), Media Imaging Parameter : 12",
                            "Drive 1 : Spare (F:), Media Imaging Parameter : -1",
                            "Drive 2 : Empty (G:), No media detected",
                            "Drive 3 : Broken (H:), No media detected",
                            "Drive 4 : Moved (I:), No media detected"));
}

TEST_F(DriveCoreTest, ScanFailures) {
    server.createResult = static_cast<HRESULT>(0x80040154u);
    EXPECT_THAT(scanDrivesAndMedia(detector(), server.creator()),
                ElementsAre("An expection occurred enumerating drives"));
    server.createResult = S_OK;
    server.drives = {drive(L"E", L"One")};
    const MediaDetector throwing = [](const std::string&) -> std::optional<QMRT_MediaInformation> {
        throw QMRT_Exception(542, "somewhere", "drive busy", 0);
    };
    EXPECT_THAT(scanDrivesAndMedia(throwing, server.creator()),
                ElementsAre("Drive 0 : One (E:)Error getting media ID:drive busyError code:542\n"));
}

TEST(GetUpdateShellCommand, ReleasesTheManagerWhenTheCallFails) {
    fake::Server server;
    server.updateCommand = L"C:\\QMS\\update.exe /quiet";
    EXPECT_EQ(getUpdateShellCommand(server.creator()), "C:\\QMS\\update.exe /quiet");
    server.failures["GetUpdateShellCommand"] = static_cast<HRESULT>(0xC0041087u);
    EXPECT_THROW(getUpdateShellCommand(server.creator()), QMRT_Exception);
    EXPECT_EQ(server.liveObjects, 0);
}

} // namespace
