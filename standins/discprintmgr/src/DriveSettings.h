// The simulated drives of a machine: the "discPrintMgr" section of its
// machine.json, read afresh at every enumeration so that a test (or a user
// with qmmachine set) can change drives while a client runs.
//
//   "discPrintMgr": {
//     "updateShellCommand": "https://...",
//     "spoolFolder": "C:\\ProgramData\\Quillmark\\Spool",
//     "failures": {"EnumDiscPrinters": "0x80004005"},      manager and enumerator
//     "drives": [{"path": "E", "vendor": "...", "product": "...",
//                 "displayName": "...", "capabilities": 1,
//                 "innerRadius": 15000, "outerRadius": 59000,
//                 "tray": "closed" | "open", "detectMilliseconds": 0,
//                 "media": null | {"imagingParameter": 12, "shapeAndSize": 0,
//                                  "value1": 0, "value2": 0, "value4": 0,
//                                  "value5": 0, "bytes": [0,0,0,0,0,0]},
//                 "failures": {"Validate": "0xC004022B", ...}}]
//   }
//
// HRESULTs are numbers or "0x" hex texts. A malformed section reads as no
// drives with the reason kept, so the server fails its calls instead of
// making something up.
#pragma once

#include "contracts/QMCAPI.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace discprintmgr {

inline constexpr const char* kSection = "discPrintMgr";
inline constexpr const wchar_t* kDefaultSpoolFolder = L"C:\\ProgramData\\Quillmark\\Spool";

struct SimulatedDrive {
    std::wstring path;
    std::wstring vendor = L"Quillmark";
    std::wstring product = L"QLD-2400";
    std::wstring displayName = L"Quillmark QLD-2400";
    std::int32_t capabilities = 1;
    std::int32_t innerRadius = 15000;
    std::int32_t outerRadius = 59000;
    bool trayOpen = false;
    std::uint32_t detectMilliseconds = 0;
    std::optional<QMCAPILib::QMCAPI_MEDIA_INFORMATION> media;
    std::map<std::string, HRESULT> failures;
};

struct ServerSettings {
    std::wstring updateShellCommand;
    std::wstring spoolFolder = kDefaultSpoolFolder;
    std::map<std::string, HRESULT> failures;
    std::vector<SimulatedDrive> drives;
};

// The whole machine.json document in; false with a reason for a section
// that is there but malformed (a missing section is a machine without drives).
bool readServerSettings(const nlohmann::ordered_json& document, ServerSettings& settings, std::string& error);
// The section for these settings, as qmmachine writes it into samples.
nlohmann::ordered_json serverSettingsJson(const ServerSettings& settings);

} // namespace discprintmgr
