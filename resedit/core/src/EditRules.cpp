#include "resedit/EditRules.h"

#include "resedit/Texts.h"

#include <algorithm>

namespace resedit {

namespace {

constexpr std::array<std::uint16_t, 8> kTrackShiftDrives{104, 106, 107, 109, 111, 112, 120, 65535};

// The Marking Control values that format 1 lacks.
constexpr std::array<EditValue, 3> kSinceFormat2{EditValue::FocusOffset, EditValue::TrimCircularTracks,
                                                 EditValue::TrackLengthRoundingMode};
constexpr std::array<EditValue, 2> kSinceFormat3{EditValue::SpiralTracking, EditValue::SeamModulation};
constexpr int kSpiralGroup = 2;

} // namespace

std::vector<std::string_view> validate(EditorKind kind, const EditValues& values) {
    std::vector<std::string_view> messages;
    const auto value = [&](EditValue v) { return values[index(v)]; };
    const int overridesSet = (value(EditValue::WriteLaserPower) != 0) +
                             (value(EditValue::ReadLaserPower) != 0) + (value(EditValue::WriteSpeed) != 0);
    if (overridesSet != 0 && overridesSet != 3) {
        messages.push_back(kMsgOverrides);
    }
    if (kind == EditorKind::Classic && value(EditValue::SpiralTracking) == 0 &&
        value(EditValue::SeamModulation) == 1) {
        messages.push_back(kMsgSeamNeedsSpiral);
    }
    return messages;
}

void applyVersionEnabling(std::uint32_t formatVersion, Enabling& enabling) {
    if (formatVersion < 1 || formatVersion > 3) {
        return;
    }
    for (EditValue v : kSinceFormat2) {
        enabling.field[index(v)] = formatVersion >= 2;
    }
    for (EditValue v : kSinceFormat3) {
        enabling.field[index(v)] = formatVersion >= 3;
    }
    // Format 2 leaves the heading as it was; only formats 1 and 3 set it.
    if (formatVersion != 2) {
        enabling.group[kSpiralGroup] = formatVersion == 3;
    }
    enabling.readPowerLabel = formatVersion == 1 ? kReadPowerLabelMilliwatt : kReadPowerLabelTenth;
}

bool trackShiftSpokesEnabled(std::uint16_t driveId) {
    return std::find(kTrackShiftDrives.begin(), kTrackShiftDrives.end(), driveId) != kTrackShiftDrives.end();
}

} // namespace resedit
