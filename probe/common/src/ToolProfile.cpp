#include "probe/ToolProfile.h"

namespace probe {

namespace {

constexpr FieldInfo kParamscopeFields[] = {
    {1063, Value::DriveId, -1, FieldKind::Integer},
    {1073, Value::ResourceFile, -1, FieldKind::Text},
    {1034, Value::ImagingParameter, -1, FieldKind::Integer},
    {1035, Value::Manufacturer, -1, FieldKind::Integer},
    {1042, Value::LinearVelocity, 0, FieldKind::Integer},
    {1039, Value::LinearVelocity, 1, FieldKind::Integer},
    {1045, Value::LinearVelocity, 2, FieldKind::Integer},
    {1067, Value::TracksPerInch, 0, FieldKind::Integer},
    {1065, Value::TracksPerInch, 1, FieldKind::Integer},
    {1071, Value::TracksPerInch, 2, FieldKind::Integer},
    {1068, Value::MarksPerInch, 0, FieldKind::Integer},
    {1064, Value::MarksPerInch, 1, FieldKind::Integer},
    {1072, Value::MarksPerInch, 2, FieldKind::Integer},
    {1066, Value::WritePower, 0, FieldKind::Integer},
    {1061, Value::WritePower, 1, FieldKind::Integer},
    {1070, Value::WritePower, 2, FieldKind::Integer},
    {1062, Value::ReadPower, 0, FieldKind::Double},
    {1060, Value::ReadPower, 1, FieldKind::Double},
    {1069, Value::ReadPower, 2, FieldKind::Double},
    {1043, Value::FocusOffset, 0, FieldKind::Integer},
    {1040, Value::FocusOffset, 1, FieldKind::Integer},
    {1046, Value::FocusOffset, 2, FieldKind::Integer},
};

constexpr FieldInfo kMediaprobeFields[] = {
    {1073, Value::ResourceFile, -1, FieldKind::Text},
    {1034, Value::ImagingParameter, -1, FieldKind::Integer},
    {1035, Value::Manufacturer, -1, FieldKind::Integer},
};

constexpr StringResource kParamscopeStrings[] = {
    {kIdsAboutMenu, "&About paramscope..."},
    {kIdsAppTitle, "Quillmark Labeling Parameters"},
    {kIdsOutOfMemory, kOutOfMemoryText},
};

constexpr StringResource kMediaprobeStrings[] = {
    {kIdsAboutMenu, "&About mediaprobe..."},
    {kIdsAppTitle, "Quillmark Media Identification"},
    {kIdsOutOfMemory, kOutOfMemoryText},
};

} // namespace

const ToolProfile kParamscope{
    Tool::Paramscope,
    "paramscope",
    "paramscope v1.3",
    "About paramscope",
    424,
    252,
    RequestKind::LabelingParameters,
    Entry::GetMediaId,
    true,
    kParamscopeFields,
    kParamscopeStrings,
    "WARNING: paramscope is an engineering tool for internal use only.\n\n"
    "It was built for one version of the Quillmark System Software (print engine interface 1002) and "
    "talks to the print engine and the drives directly. Used with any other version it may damage "
    "the installation or the drives.\n\n"
    "Press OK only if you accept this risk; Cancel quits.",
};

const ToolProfile kMediaprobe{
    Tool::Mediaprobe,
    "mediaprobe",
    "mediaprobe v1.3",
    "About mediaprobe",
    316,
    108,
    RequestKind::MediaIdentification,
    Entry::GetMediaIdL,
    false,
    kMediaprobeFields,
    kMediaprobeStrings,
    "WARNING: mediaprobe is a media identification tool for internal use only.\n\n"
    "It was built for one version of the Quillmark System Software (print engine interface 1002) and "
    "talks to the print engine and the drives directly. Used with any other version it may damage "
    "the installation or the drives.\n\n"
    "Press OK only if you accept this risk; Cancel quits.",
};

std::string_view valueLabel(const ToolProfile& profile, Value value) {
    const bool media = profile.tool == Tool::Mediaprobe;
    switch (value) {
    case Value::DriveId:
        return "Drive ID";
    case Value::ResourceFile:
        return "Drive Resource File";
    case Value::ImagingParameter:
        return media ? "Media Imaging Parameter" : "Imaging Parameter";
    case Value::Manufacturer:
        return media ? "Media Manufacturer" : "Manufacturer";
    case Value::LinearVelocity:
        return "Linear Velocity (mm/s)";
    case Value::TracksPerInch:
        return "TPI";
    case Value::MarksPerInch:
        return "DPI";
    case Value::WritePower:
        return "Write Power (mW)";
    case Value::ReadPower:
        return "Read Power (mW)";
    case Value::FocusOffset:
        return "Focus Offset (microns)";
    }
    return {};
}

std::string_view stringResource(const ToolProfile& profile, int id) {
    for (const StringResource& s : profile.strings) {
        if (s.id == id) {
            return s.text;
        }
    }
    return {};
}

} // namespace probe
