// The server's drive settings: what a machine.json section reads as, the
// forms refused, and the round trip of what qmmachine writes.
#include "DriveSettings.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace {

using namespace discprintmgr;
using Json = nlohmann::ordered_json;

TEST(DriveSettings, MissingSectionIsAMachineWithoutDrives) {
    ServerSettings settings;
    std::string error;
    settings.drives.resize(3);
    ASSERT_TRUE(readServerSettings(Json{{"userName", "quill"}}, settings, error));
    EXPECT_TRUE(settings.drives.empty());
    EXPECT_EQ(settings.spoolFolder, kDefaultSpoolFolder);
}

TEST(DriveSettings, RoundTrip) {
    ServerSettings settings;
    settings.updateShellCommand = L"https://example.invalid/\u00e9";
    settings.failures["Count"] = static_cast<HRESULT>(0xC0041080u);
    SimulatedDrive drive;
    drive.path = L"E";
    drive.trayOpen = true;
    drive.detectMilliseconds = 250;
    drive.media = QMCAPILib::QMCAPI_MEDIA_INFORMATION{1, 2, -1, 4, 5, {6, 7, 8, 9, 10, 255}, 2};
    drive.failures["Validate"] = static_cast<HRESULT>(0xC004022Bu);
    settings.drives = {drive, SimulatedDrive{}};

    const Json document{{"discPrintMgr", serverSettingsJson(settings)}};
    EXPECT_EQ(document["discPrintMgr"]["drives"][0]["failures"]["Validate"], "0xC004022B");
    ServerSettings read;
    std::string error;
    ASSERT_TRUE(readServerSettings(document, read, error)) << error;
    EXPECT_EQ(read.updateShellCommand, settings.updateShellCommand);
    EXPECT_EQ(read.failures, settings.failures);
    ASSERT_EQ(read.drives.size(), 2u);
    const SimulatedDrive& back = read.drives[0];
    EXPECT_TRUE(back.trayOpen);
    EXPECT_EQ(back.detectMilliseconds, 250u);
    ASSERT_TRUE(back.media);
    EXPECT_EQ(back.media->imagingParameter, -1);
    EXPECT_EQ(back.media->bytes[5], 255);
    EXPECT_EQ(back.media->shapeAndSize, 2);
    EXPECT_EQ(back.failures, drive.failures);
    EXPECT_FALSE(read.drives[1].media);
}

TEST(DriveSettings, RefusedForms) {
    const std::pair<const char*, Json> cases[] = {
        {"section not an object", Json::array()},
        {"drives not a list", Json{{"drives", 3}}},
        {"drive not an object", Json{{"drives", {1}}}},
        {"path not a text", Json{{"drives", {{{"path", 5}}}}}},
        {"tray unknown", Json{{"drives", {{{"tray", "ajar"}}}}}},
        {"imaging parameter beyond 16 bits", Json{{"drives", {{{"media", {{"imagingParameter", 40000}}}}}}}},
        {"capability beyond 32 bits", Json{{"drives", {{{"capabilities", 5000000000LL}}}}}},
        {"negative delay", Json{{"drives", {{{"detectMilliseconds", -1}}}}}},
        {"seven media bytes", Json{{"drives", {{{"media", {{"bytes", {1, 2, 3, 4, 5, 6, 7}}}}}}}}},
        {"media byte 256", Json{{"drives", {{{"media", {{"bytes", {256}}}}}}}}},
        {"media a number", Json{{"drives", {{{"media", 4}}}}}},
        {"HRESULT text", Json{{"failures", {{"Count", "E_FAIL"}}}}},
        {"HRESULT too long", Json{{"failures", {{"Count", "0x1234567890"}}}}},
        {"HRESULT trailing junk", Json{{"failures", {{"Count", "0x8000ZZ"}}}}},
        {"HRESULT beyond 32 bits", Json{{"failures", {{"Count", 4294967296LL}}}}},
        {"failures a list", Json{{"failures", {1, 2}}}},
    };
    for (const auto& [name, section] : cases) {
        SCOPED_TRACE(name);
        ServerSettings settings;
        settings.drives.resize(1);
        std::string error;
        EXPECT_FALSE(readServerSettings(Json{{"discPrintMgr", section}}, settings, error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(settings.drives.empty());
    }
}

TEST(DriveSettings, HResultForms) {
    ServerSettings settings;
    std::string error;
    ASSERT_TRUE(readServerSettings(
        Json{
            {"discPrintMgr", {{"failures", {{"A", "0xc0041012"}, {"B", -2147467259}, {"C", 3221488130LL}}}}}},
        settings, error))
        << error;
    EXPECT_EQ(settings.failures["A"], static_cast<HRESULT>(0xC0041012u));
    EXPECT_EQ(settings.failures["B"], E_FAIL);
    EXPECT_EQ(settings.failures["C"], static_cast<HRESULT>(0xC0040202u));
}

} // namespace
