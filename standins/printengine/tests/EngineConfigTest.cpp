// The engine's settings section: what it accepts, what it refuses, and the
// defaults that fill whatever a drive leaves out.
#include "EngineConfig.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qmprtens {
namespace {

using nlohmann::json;

TEST(EngineConfig, ASectionDescribesItsDrivesOverTheDefaults) {
    const json section = json::parse(R"({
        "apiVersion": 4099,
        "failures": {"PEStartComm": 4166},
        "drives": [
          {"name": "G:\u00e9", "vendor": "V", "listed": false, "driveId": 65535, "media": null,
           "recordVersion": 2, "failures": {"PEGetLabelParams": 557},
           "qualities": {"draft": null, "best": {"focusOffset": -128, "readPower": 255, "trackPitch": 4294967295}}}
        ]})");
    EngineConfig config;
    std::string error;
    ASSERT_TRUE(parseEngineConfig(section, config, error)) << error;
    EXPECT_EQ(config.apiVersion, 4099);
    EXPECT_EQ(config.failures.at("PEStartComm"), 4166);
    ASSERT_EQ(config.drives.size(), 1u);
    const DriveConfig& d = config.drives[0];
    EXPECT_EQ(d.name, u"G:\u00e9");
    EXPECT_EQ(d.vendor, u"V");
    EXPECT_EQ(d.product, u"QM LabelDrive"); // the default drive's
    EXPECT_FALSE(d.listed);
    EXPECT_EQ(d.driveId, 65535);
    EXPECT_FALSE(d.mediaPresent);
    EXPECT_EQ(d.recordVersion, 2);
    EXPECT_EQ(d.failures.at("PEGetLabelParams"), 557);
    ASSERT_TRUE(d.qualities[0]);
    EXPECT_EQ(d.qualities[0]->focusOffset, -128);
    EXPECT_EQ(d.qualities[0]->readPower, 255);
    EXPECT_EQ(d.qualities[0]->trackPitch, 4294967295u);
    EXPECT_EQ(d.qualities[0]->linearVelocity, 1200000u); // kept from the default
    EXPECT_TRUE(d.qualities[1]);
    EXPECT_FALSE(d.qualities[2]);
}

TEST(EngineConfig, MalformedSectionsAreRefusedWithTheirPlace) {
    const std::pair<const char*, const char*> cases[] = {
        {R"([])", "printEngine is not an object"},
        {R"({"apiVersion": "4098"})", "printEngine.apiVersion is not an integer"},
        {R"({"drives": {}})", "printEngine.drives is not an array"},
        {R"({"drives": [{"driveId": 65536}]})", "printEngine.drives[0].driveId is out of range"},
        {R"({"drives": [{"driveId": -1}]})", "printEngine.drives[0].driveId is out of range"},
        {R"({"drives": [{"qualities": {"best": {"focusOffset": 128}}}]})",
         "printEngine.drives[0].qualities.best.focusOffset is out of range"},
        {R"({"drives": [{"qualities": {"fine": {}}}]})",
         "printEngine.drives[0].qualities.fine is not best, normal or draft"},
        {R"({"drives": [{}, {"listed": 1}]})", "printEngine.drives[1].listed is not true or false"},
        {R"({"failures": {"PEFly": 1}})", "printEngine.failures names no entry: PEFly"},
        {R"({"drives": [{"media": 3}]})", "printEngine.drives[0].media is not an object or null"},
    };
    json badText;
    badText["drives"] = json::array({json{{"name", std::string("E\xC3")}}});
    EngineConfig config;
    std::string error;
    EXPECT_FALSE(parseEngineConfig(badText, config, error));
    EXPECT_EQ(error, "printEngine.drives[0].name is not a UTF-8 text");
    for (const auto& [text, message] : cases) {
        EngineConfig config;
        config.apiVersion = 7;
        std::string error;
        EXPECT_FALSE(parseEngineConfig(json::parse(text), config, error)) << text;
        EXPECT_EQ(error, message) << text;
        EXPECT_EQ(config.apiVersion, 7) << text;
    }
}

TEST(EngineConfig, AMachineWithoutTheSectionGetsTheDefaultsAndABrokenFileIsAnError) {
    const auto root = std::filesystem::temp_directory_path() / "qmprten-config-test";
    std::filesystem::create_directories(root);
    std::ofstream(root / "machine.json") << R"({"userName": "quill"})";
    EngineConfig config;
    std::string error;
    ASSERT_TRUE(readMachineEngineConfig(root, config, error)) << error;
    EXPECT_EQ(config.drives.size(), defaultEngineConfig().drives.size());
    EXPECT_EQ(config.apiVersion, 0x1002);

    std::ofstream(root / "machine.json") << R"({"printEngine": )";
    EXPECT_FALSE(readMachineEngineConfig(root, config, error));
    std::filesystem::remove_all(root);
    EXPECT_FALSE(readMachineEngineConfig(root, config, error));
}

} // namespace
} // namespace qmprtens
