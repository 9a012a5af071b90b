// Control ids, captions and grouping of the two editor dialogs and the
// launcher. The dialogs build themselves from these tables.
#pragma once

#include "resedit/EditValues.h"

#include <array>
#include <span>
#include <string_view>

namespace resedit {

// The editor for formats 1 to 3 and the one for format 4.
enum class EditorKind { Classic, Reorg };

// The editor that shows a DRF of a format version.
constexpr EditorKind editorForVersion(std::uint32_t version) {
    return version < 4 ? EditorKind::Classic : EditorKind::Reorg;
}

struct FieldLayout {
    EditValue value;
    int editId;
    int labelId; // 0: the label has no id of its own
    std::string_view label;
    int group; // index into EditorLayout::groups
};

struct Heading {
    int id;
    std::string_view text;
};

struct FontSpec {
    std::string_view face;
    int pointSize;
};

// Which of the dialog fonts a control takes.
enum class FontRole { Title, Text, Heading };
struct FontUse {
    int id;
    FontRole role;
};

struct EditorLayout {
    EditorKind kind;
    int resourceId;
    FontSpec dialogFont;
    int widthDlu;
    int heightDlu;
    Heading version;
    Heading title;
    Heading subtitle;
    int help;
    Heading mediaLabel;
    int media;
    Heading qualityLabel;
    int quality;
    Heading fileGroup;
    Heading fileLabel;
    Heading fileName; // text: what the control shows before a DRF is loaded
    Heading driveLabel;
    int driveId;
    Heading versionLabel;
    int formatVersion;
    std::array<Heading, 3> groups;
    std::array<Heading, 2> trackUnits; // nm, tpi
    std::array<Heading, 2> markUnits;  // nm, dpi
    Heading readPowerLabel;            // id 0 in the format-4 editor, whose label is fixed
    Heading selectDrf;
    Heading apply;
    Heading save;
    Heading exit;
    std::span<const FieldLayout> fields;
    std::span<const FontUse> fonts;
};

// The big, the normal and the small bold font of every dialog (pixel heights).
struct FontDef {
    int pixelHeight;
    int weight;
};
inline constexpr std::string_view kDialogFontFace = "Microsoft Sans Serif";
inline constexpr FontDef kTitleFont{24, 700};
inline constexpr FontDef kTextFont{18, 400};
inline constexpr FontDef kHeadingFont{17, 700};
inline constexpr FontDef kLauncherInfoFont{16, 400};

inline constexpr std::array<FieldLayout, 21> kClassicFields{{
    {EditValue::TrackSpacing, 1003, 0, "Track Spacing", 0},
    {EditValue::MarkSpacing, 1008, 0, "Mark Spacing", 0},
    {EditValue::TrackShiftSpokes, 1007, 1064, "Track Shift Spokes", 0},
    {EditValue::HostDynamicTrackShifting, 1012, 0, "Host-Based Dynamic Track Shifting (1-dynamic,0-fixed)",
     0},
    {EditValue::WriteSpeed, 1002, 0, "Write Speed Override (m/s)", 1},
    {EditValue::WriteLaserPower, 1000, 0, "Write Laser Power Override (mW)", 1},
    {EditValue::ReadLaserPower, 1001, 1041, "Read Laser Power Override (0.1 mW)", 1},
    {EditValue::FocusOffset, 1035, 0, "Focus Offset", 1},
    {EditValue::UseDefaultFocus, 1013, 0, "Use Default Focus (1-default)", 1},
    {EditValue::DrivePowerOffset, 1015, 0, "Drive Power Offset (uW)", 1},
    {EditValue::DrivePowerSlopeNumerator, 1016, 0, "Drive Power Slope Numerator", 1},
    {EditValue::DrivePowerSlopeDenominator, 1017, 0, "Drive Power Slope Denominator", 1},
    {EditValue::WritePowerUpperFixedTolerance, 1018, 0, "Write Power Upper Fixed Tolerance (uW)", 1},
    {EditValue::WritePowerUpperToleranceFactor, 1019, 0, "Write Power Upper Tolerance Factor (%)", 1},
    {EditValue::WritePowerLowerFixedTolerance, 1020, 0, "Write Power Lower Fixed Tolerance (uW)", 1},
    {EditValue::WritePowerLowerToleranceFactor, 1021, 0, "Write Power Lower Tolerance Factor (%)", 1},
    {EditValue::CutBlankTracks, 1022, 0, "Cut Blank Tracks\n(1 - true, 0 - false)", 1},
    {EditValue::TrimCircularTracks, 1034, 0, "Trim Circular Tracks\n(1 - true, 0 - false)", 1},
    {EditValue::TrackLengthRoundingMode, 1033, 0,
     "Track Length Rounding Mode\n(0 - round, 1 - pad,\n2 - trim)", 1},
    {EditValue::SpiralTracking, 1046, 0, "Spiral Tracking\n(1-on, 0-off)", 2},
    {EditValue::SeamModulation, 1047, 0, "Seam Modulation\n(1-on, 0-off)", 2},
}};

// Spiral tracking and seam modulation have no controls here; their values are
// carried through unchanged.
inline constexpr std::array<FieldLayout, 19> kReorgFields{{
    {EditValue::TrackSpacing, 1074, 0, "Track Spacing", 0},
    {EditValue::MarkSpacing, 1078, 0, "Mark Spacing", 0},
    {EditValue::FocusOffset, 1082, 0, "Focus Offset", 0},
    {EditValue::WriteSpeed, 1084, 0, "Write Speed Override (m/s)", 0},
    {EditValue::WriteLaserPower, 1086, 0, "Write Laser Power Override (mW)", 0},
    {EditValue::ReadLaserPower, 1088, 0, "Read Laser Power Override (0.1 mW)", 0},
    {EditValue::TrackShiftSpokes, 1080, 1135, "Track Shift Spokes", 0},
    {EditValue::UseDefaultFocus, 1090, 0, "Use Default Focus (1-default)", 1},
    {EditValue::HostDynamicTrackShifting, 1092, 0, "Host-Based Dynamic Track Shifting (1-dynamic,0-fixed)",
     2},
    {EditValue::DrivePowerOffset, 1094, 0, "Drive Power Offset\n(uW)", 2},
    {EditValue::DrivePowerSlopeNumerator, 1096, 0, "Drive Power Slope Numerator", 2},
    {EditValue::DrivePowerSlopeDenominator, 1098, 0, "Drive Power Slope Denominator", 2},
    {EditValue::TrimCircularTracks, 1114, 0, "Trim Circular Tracks\n(1 - true, 0 - false)", 2},
    {EditValue::TrackLengthRoundingMode, 1116, 0,
     "Track Length Rounding Mode (0 - round, \n1 - pad,  2 - trim)", 2},
    {EditValue::WritePowerUpperFixedTolerance, 1102, 0, "Write Power Upper Fixed Tolerance (uW)", 2},
    {EditValue::WritePowerUpperToleranceFactor, 1104, 0, "Write Power Upper Tolerance Factor (%)", 2},
    {EditValue::WritePowerLowerFixedTolerance, 1106, 0, "Write Power Lower Fixed Tolerance (uW)", 2},
    {EditValue::WritePowerLowerToleranceFactor, 1108, 0, "Write Power Lower Tolerance Factor (%)", 2},
    {EditValue::CutBlankTracks, 1110, 0, "Cut Blank Tracks\n(1 - true, 0 - false)", 2},
}};

inline constexpr std::array<FontUse, 18> kClassicFonts{{
    {1023, FontRole::Title},
    {1132, FontRole::Text},
    {1131, FontRole::Text},
    {1024, FontRole::Heading},
    {1025, FontRole::Heading},
    {1043, FontRole::Heading},
    {1042, FontRole::Heading},
    {1044, FontRole::Text},
    {1051, FontRole::Heading},
    {1050, FontRole::Text},
    {1037, FontRole::Heading},
    {1036, FontRole::Text},
    {1026, FontRole::Text},
    {1027, FontRole::Text},
    {1045, FontRole::Text},
    {1009, FontRole::Text},
    {1010, FontRole::Text},
    {1032, FontRole::Text},
}};

// The format-4 dialog makes its title big and its three group headings bold.
inline constexpr std::array<FontUse, 4> kReorgFonts{{{1128, FontRole::Title},
                                                     {1069, FontRole::Heading},
                                                     {1068, FontRole::Heading},
                                                     {1070, FontRole::Heading}}};

inline constexpr EditorLayout kClassicLayout{
    EditorKind::Classic,
    102,
    {"Microsoft Sans Serif", 9},
    499,
    380,
    {1032, "Version 4.1"},
    {1023, "Quillmark resedit "},
    {1132, "Editor for DRF Formats 1, 2 & 3"},
    1131,
    {1024, "Select Media"},
    1009,
    {1025, "Select Print Quality"},
    1010,
    {1043, "DRF File Information"},
    {1042, "File"},
    {1044, ""},
    {1051, "Drive ID"},
    1050,
    {1037, "Format Version"},
    1036,
    {{{1026, "Track Mapping"}, {1027, "Marking Control"}, {1045, "Spiral Tracking"}}},
    {{{1028, "nm"}, {1029, "tpi"}}},
    {{{1030, "nm"}, {1031, "dpi"}}},
    {1041, "Read Laser Power Override (0.1 mW)"},
    {1067, "Select DRF"},
    {1014, "Apply"},
    {1005, "Save DRF"},
    {1006, "Exit"},
    kClassicFields,
    kClassicFonts,
};

inline constexpr EditorLayout kReorgLayout{
    EditorKind::Reorg,
    130,
    {"MS Shell Dlg", 8},
    581,
    439,
    {1032, "Version 4.1"},
    {1128, "Quillmark resedit"},
    {1133, "Editor for DRF Format 4"},
    1134,
    {1127, "Select Media"},
    1126,
    {1125, "Select Print Quality"},
    1124,
    {1117, "DRF File Information"},
    {1122, "File"},
    {1123, "some filename"},
    {1120, "Drive ID"},
    1121,
    {1118, "Format Version"},
    1119,
    {{{1069, "Drive/Media/Print Quality Data"}, {1068, "Drive/Media Data"}, {1070, "Drive Data"}}},
    {{{1072, "nm"}, {1073, "tpi"}}},
    {{{1076, "nm"}, {1077, "dpi"}}},
    {0, "Read Laser Power Override (0.1 mW)"},
    {1015, "Select DRF"},
    {1014, "Apply"},
    {1005, "Save DRF"},
    {2, "Exit"},
    kReorgFields,
    kReorgFonts,
};

constexpr const EditorLayout& layoutFor(EditorKind kind) {
    return kind == EditorKind::Classic ? kClassicLayout : kReorgLayout;
}

// Dialog 129, the launcher.
struct LauncherLayout {
    int resourceId;
    FontSpec dialogFont;
    int widthDlu;
    int heightDlu;
    Heading title;
    int info;
    Heading selectDrf;
    Heading exit;
    std::string_view versionText;
};
inline constexpr LauncherLayout kLauncherLayout{
    129,  {"MS Shell Dlg", 8},  395,         251,           {1130, "Quillmark resedit"},
    1129, {1004, "Select DRF"}, {2, "Exit"}, "Version 4.1",
};

} // namespace resedit
