// What differs between paramscope and mediaprobe: texts, the fields of the
// dialog, the request kind and the media call. Everything else is shared.
#pragma once

#include "contracts/EngineRecords.h"
#include "probe/ReturnCodes.h"

#include <span>
#include <string_view>

namespace probe {

// The shown values a field holds.
enum class Value {
    DriveId,
    ResourceFile,
    ImagingParameter,
    Manufacturer,
    LinearVelocity,
    TracksPerInch,
    MarksPerInch,
    WritePower,
    ReadPower,
    FocusOffset,
};

enum class FieldKind { Integer, Double, Text };

struct FieldInfo {
    int id;
    Value value;
    int quality; // 0 Best, 1 Normal, 2 Draft; -1 for the drive and media fields
    FieldKind kind;
};

struct StringResource {
    int id;
    std::string_view text;
};

// Control and resource ids both tools share.
inline constexpr int kIdUpdate = 1;
inline constexpr int kIdExit = 2;
inline constexpr int kIdDriveList = 1019;
inline constexpr int kIdAboutText = 1002;
inline constexpr int kIdAboutCommand = 16;
inline constexpr int kIdMainDialog = 102;
inline constexpr int kIdAboutDialog = 100;
inline constexpr int kIdIcon = 128;
inline constexpr int kIdAboutBitmap = 131;
inline constexpr int kIdsAboutMenu = 101;
inline constexpr int kIdsAppTitle = 57344;
inline constexpr int kIdsOutOfMemory = 10003;

inline constexpr std::string_view kOutOfMemoryText = "Error, insufficient memory.";
inline constexpr std::string_view kUnexpectedText = "Unexpected exception.";
// The framework's own refusals of a typed number.
inline constexpr std::string_view kEnterIntegerText = "Please enter an integer.";
inline constexpr std::string_view kEnterNumberText = "Please enter a number.";

struct ToolProfile {
    Tool tool;
    std::string_view name;         // "paramscope"
    std::string_view caption;      // of dialog 102
    std::string_view aboutCaption; // of dialog 100
    int widthDlu;
    int heightDlu;
    RequestKind requestKind;
    Entry mediaCall;      // PEGetMediaId or PEGetMediaIdL
    bool labelParameters; // the three-quality table
    std::span<const FieldInfo> fields;
    std::span<const StringResource> strings; // 101, 57344, 10003
    std::string_view notice;                 // the start-up warning
};

extern const ToolProfile kParamscope;
extern const ToolProfile kMediaprobe;

// The dialog's label of a value, with its unit ("Linear Velocity (mm/s)").
std::string_view valueLabel(const ToolProfile& profile, Value value);
inline constexpr std::string_view kQualityLabels[kQualityCount] = {"Best", "Normal", "Draft"};

// The text of a string resource of the tool; empty when it has none.
std::string_view stringResource(const ToolProfile& profile, int id);
// A system command that opens the about box: its id with the low four bits cleared is 16.
constexpr bool isAboutCommand(unsigned id) {
    return (id & 0xFFF0u) == static_cast<unsigned>(kIdAboutCommand);
}

} // namespace probe
