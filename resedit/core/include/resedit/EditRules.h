// The editors' rules that do not need a DRF: validation before Apply and Save,
// enabling by format version and by drive.
#pragma once

#include "resedit/EditValues.h"
#include "resedit/EditorLayout.h"
#include "resedit/Texts.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace resedit {

// The messages of every rule that fails, in the order the user sees them.
// The format-4 editor has no spiral tracking rule: its seam and spiral values
// are carried through untouched.
std::vector<std::string_view> validate(EditorKind kind, const EditValues& values);

// Which fields, headings and which read-power label the formats-1-to-3 editor shows.
struct Enabling {
    std::array<bool, kEditValueCount> field{};
    std::array<bool, 3> group{};
    std::string_view readPowerLabel = kReadPowerLabelTenth;

    Enabling() {
        field.fill(true);
        group.fill(true);
    }
};

// Versions 1, 2 and 3 set the Marking Control and Spiral Tracking enabling and the
// read-power label; any other version leaves `enabling` as it is.
void applyVersionEnabling(std::uint32_t formatVersion, Enabling& enabling);

// Only some drives have track shift spokes; the value is still read and written.
bool trackShiftSpokesEnabled(std::uint16_t driveId);

} // namespace resedit
