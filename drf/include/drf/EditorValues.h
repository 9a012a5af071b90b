// The 21 values the DRF editors show for one print mode, and where each lives
// in a resource set. The first listed part that the set has is used, so one
// table serves every generation.
#pragma once

#include "drf/PrintEngineResources.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace drf {

enum class ValueWidth { U8, U32, I32 };

struct ValueSource {
    std::string_view part; // kind name; empty for an unused slot
    std::string_view key;
};

struct EditorValue {
    std::string_view label;
    ValueWidth width;
    std::array<ValueSource, 3> sources;
    // Formats below this one have no such value: it reads as 0 and is not written.
    std::uint32_t sinceFormat;
};

enum EditorValueIndex {
    kTrackSpacing,
    kMarkSpacing,
    kTrackShiftSpokes,
    kFocusOffset,
    kWriteSpeed,
    kWriteLaserPower,
    kReadLaserPower,
    kUseDefaultFocus,
    kHostDynamicTrackShifting,
    kDrivePowerOffset,
    kDrivePowerSlopeNumerator,
    kDrivePowerSlopeDenominator,
    kSpiralTracking,
    kSeamModulation,
    kTrackLengthRoundingMode,
    kWritePowerUpperFixedTolerance,
    kWritePowerUpperToleranceFactor,
    kWritePowerLowerFixedTolerance,
    kWritePowerLowerToleranceFactor,
    kCutBlankTracks,
    kTrimCircularTracks,
    kEditorValueCount
};

inline constexpr std::string_view kPmd = "PrintModeDataFile";
inline constexpr std::string_view kDmd = "DriveMediaDataFile";
inline constexpr std::string_view kDd = "DriveDataFile";

inline constexpr std::array<EditorValue, kEditorValueCount> kEditorValues{{
    {"Track Spacing",
     ValueWidth::U32,
     {{{kPmd, "TrackSpacingNM"}, {"ResolutionsFile", "TrackSpacingNM"}}},
     0},
    {"Mark Spacing", ValueWidth::U32, {{{kPmd, "MarkSpacingNM"}, {"ResolutionsFile", "MarkSpacingNM"}}}, 0},
    {"Track Shift Spokes",
     ValueWidth::I32,
     {{{kPmd, "PerTrackShiftAngle"}, {"TrackingFile", "PerTrackShiftAngle"}}},
     0},
    {"Focus Offset", ValueWidth::I32, {{{kPmd, "FocusOffset"}, {"Marking2File", "FocusOffset"}}}, 2},
    {"Write Speed Override (m/s)",
     ValueWidth::U32,
     {{{kPmd, "WriteVelocity"}, {"Marking2File", "WriteVelocity"}, {"MarkingFile", "WriteVelocity"}}},
     0},
    {"Write Laser Power Override (mW)",
     ValueWidth::U32,
     {{{kPmd, "LaserWritePower"}, {"Marking2File", "LaserWritePower"}, {"MarkingFile", "LaserWritePower"}}},
     0},
    {"Read Laser Power Override",
     ValueWidth::U32,
     {{{kPmd, "LaserReadPower"}, {"Marking2File", "LaserReadPower"}, {"MarkingFile", "LaserReadPower"}}},
     0},
    {"Use Default Focus",
     ValueWidth::U8,
     {{{kDmd, "UseFDflt"}, {"Marking2File", "UseFDflt"}, {"MarkingFile", "UseFDflt"}}},
     0},
    {"Host-Based Dynamic Track Shifting",
     ValueWidth::U8,
     {{{kDd, "HostDynamicTrackShifts"}, {"TrackingFile", "HostDynamicTrackShifts"}}},
     0},
    {"Drive Power Offset (uW)",
     ValueWidth::I32,
     {{{kDd, "PwrCvtOffset"}, {"Marking2File", "PwrCvtOffset"}, {"MarkingFile", "PwrCvtOffset"}}},
     0},
    {"Drive Power Slope Numerator",
     ValueWidth::I32,
     {{{kDd, "PwrCvtSlopeNum"}, {"Marking2File", "PwrCvtSlopeNum"}, {"MarkingFile", "PwrCvtSlopeNum"}}},
     0},
    {"Drive Power Slope Denominator",
     ValueWidth::I32,
     {{{kDd, "PwrCvtSlopeDen"}, {"Marking2File", "PwrCvtSlopeDen"}, {"MarkingFile", "PwrCvtSlopeDen"}}},
     0},
    {"Spiral Tracking",
     ValueWidth::U8,
     {{{kDd, "EnableSpiralTracking"}, {"FeaturesFile", "EnableSpiralTracking"}}},
     3},
    {"Seam Modulation",
     ValueWidth::U8,
     {{{kDd, "EnableSeamModulation"}, {"FeaturesFile", "EnableSpiralHostSeamModulation"}}},
     3},
    {"Track Length Rounding Mode",
     ValueWidth::U8,
     {{{kDd, "TrkLenRndMode"}, {"Marking2File", "TrkLenRndMode"}}},
     2},
    {"Write Power Upper Fixed Tolerance (uW)",
     ValueWidth::I32,
     {{{kDd, "WrtPwrUTFix"}, {"Marking2File", "WrtPwrUTFix"}, {"MarkingFile", "WrtPwrUTFix"}}},
     0},
    {"Write Power Upper Tolerance Factor (%)",
     ValueWidth::I32,
     {{{kDd, "WrtPwrUTRel"}, {"Marking2File", "WrtPwrUTRel"}, {"MarkingFile", "WrtPwrUTRel"}}},
     0},
    {"Write Power Lower Fixed Tolerance (uW)",
     ValueWidth::I32,
     {{{kDd, "WrtPwrLTFix"}, {"Marking2File", "WrtPwrLTFix"}, {"MarkingFile", "WrtPwrLTFix"}}},
     0},
    {"Write Power Lower Tolerance Factor (%)",
     ValueWidth::I32,
     {{{kDd, "WrtPwrLTRel"}, {"Marking2File", "WrtPwrLTRel"}, {"MarkingFile", "WrtPwrLTRel"}}},
     0},
    {"Cut Blank Tracks",
     ValueWidth::U8,
     {{{kDd, "CutBlankTracks"}, {"Marking2File", "CutBlankTracks"}, {"MarkingFile", "CutBlankTracks"}}},
     0},
    {"Trim Circular Tracks",
     ValueWidth::U8,
     {{{kDd, "TrimCircTracks"}, {"Marking2File", "TrimCircTracks"}}},
     2},
}};

using EditorValueArray = std::array<std::int64_t, kEditorValueCount>;

// Public result codes: 0, or -1435 when the set has none of the value's parts
// (outside the format exceptions) or the value does not fit its field.
int readEditorValue(const PrintEngineResourcesImpl& set, EditorValueIndex index, std::uint32_t formatVersion,
                    std::int64_t& value);
int writeEditorValue(PrintEngineResourcesImpl& set, EditorValueIndex index, std::uint32_t formatVersion,
                     std::int64_t value);
int readEditorValues(const PrintEngineResourcesImpl& set, std::uint32_t formatVersion,
                     EditorValueArray& values);
int writeEditorValues(PrintEngineResourcesImpl& set, std::uint32_t formatVersion,
                      const EditorValueArray& values);

// The part and key a value is stored in for this set; nullptr when the set has none.
ResourcePart* editorValuePart(const PrintEngineResourcesImpl& set, EditorValueIndex index,
                              std::string_view& key);

} // namespace drf
