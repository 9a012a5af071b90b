// The 21 values the editors show. Where each lives in a resource set, its
// width and its field name come from the DRF model's editor-value table; this
// header gives them names the dialogs can use.
#pragma once

#include "drf/EditorValues.h"

#include <cstddef>
#include <cstdint>

namespace resedit {

enum class EditValue : std::uint8_t {
    TrackSpacing = drf::kTrackSpacing,
    MarkSpacing = drf::kMarkSpacing,
    TrackShiftSpokes = drf::kTrackShiftSpokes,
    FocusOffset = drf::kFocusOffset,
    WriteSpeed = drf::kWriteSpeed,
    WriteLaserPower = drf::kWriteLaserPower,
    ReadLaserPower = drf::kReadLaserPower,
    UseDefaultFocus = drf::kUseDefaultFocus,
    HostDynamicTrackShifting = drf::kHostDynamicTrackShifting,
    DrivePowerOffset = drf::kDrivePowerOffset,
    DrivePowerSlopeNumerator = drf::kDrivePowerSlopeNumerator,
    DrivePowerSlopeDenominator = drf::kDrivePowerSlopeDenominator,
    SpiralTracking = drf::kSpiralTracking,
    SeamModulation = drf::kSeamModulation,
    TrackLengthRoundingMode = drf::kTrackLengthRoundingMode,
    WritePowerUpperFixedTolerance = drf::kWritePowerUpperFixedTolerance,
    WritePowerUpperToleranceFactor = drf::kWritePowerUpperToleranceFactor,
    WritePowerLowerFixedTolerance = drf::kWritePowerLowerFixedTolerance,
    WritePowerLowerToleranceFactor = drf::kWritePowerLowerToleranceFactor,
    CutBlankTracks = drf::kCutBlankTracks,
    TrimCircularTracks = drf::kTrimCircularTracks,
};
inline constexpr std::size_t kEditValueCount = drf::kEditorValueCount;

constexpr std::size_t index(EditValue v) {
    return static_cast<std::size_t>(v);
}
constexpr EditValue editValueAt(std::size_t i) {
    return static_cast<EditValue>(i);
}

using NumberWidth = drf::ValueWidth;
using EditValues = drf::EditorValueArray;

constexpr const drf::EditorValue& info(EditValue v) {
    return drf::kEditorValues[index(v)];
}

} // namespace resedit
