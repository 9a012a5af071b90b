// What the stand-in engine knows about its drives: the "printEngine" section
// of the machine's settings (SETTINGS.md), or the defaults.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace qmprtens {

struct QualityConfig {
    std::uint32_t linearVelocity = 0; // micrometres per second
    std::uint32_t trackPitch = 0;     // nanometres
    std::uint32_t markSpacing = 0;    // nanometres
    std::uint8_t writePower = 0;
    std::uint8_t readPower = 0;
    std::int8_t focusOffset = 0;
};

struct DriveConfig {
    std::u16string name;
    std::u16string vendor;
    std::u16string product;
    std::u16string revision;
    std::int32_t number = 0;
    bool listed = true;
    std::uint16_t driveId = 0;
    bool mediaPresent = true;
    std::uint16_t imagingParameter = 0;
    std::uint8_t manufacturer = 0;
    std::uint16_t recordVersion = 3;
    // A quality without parameters is not supported by the drive's DRF.
    std::array<std::optional<QualityConfig>, 3> qualities;
    std::map<std::string, int> failures; // entry name -> code, for calls on this drive
};

struct EngineConfig {
    int apiVersion = 0x1002;
    std::map<std::string, int> failures; // entry name -> code, for every call
    std::vector<DriveConfig> drives;
};

// The engine with no settings: two listed drives, a disc in each.
EngineConfig defaultEngineConfig();

// Reads a "printEngine" section. False, with the reason, when the section
// is malformed; `out` is untouched then.
bool parseEngineConfig(const nlohmann::json& section, EngineConfig& out, std::string& error);

// The settings of the machine at `root` (its machine.json); a machine
// without the section gets the defaults.
bool readMachineEngineConfig(const std::filesystem::path& root, EngineConfig& out, std::string& error);

// The engine's machine: the machine folder the engine's own file lies in,
// else QUILLMARK_SYSROOT, else none (the defaults apply).
std::optional<std::filesystem::path> engineMachineRoot();

} // namespace qmprtens
