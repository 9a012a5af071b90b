// Track and mark spacing: nanometres in the DRF, optionally shown per inch.
#pragma once

#include <cstdint>

namespace resedit {

enum class SpacingUnit { Nanometres, PerInch };

// One formula serves both directions (nm -> tpi/dpi and back):
// floor(25 400 000 / value + 0.5); 0 stays 0.
std::uint32_t convertSpacing(std::uint32_t value);

// A spacing as the user sees it. The nanometre value is kept exactly, so a
// per-inch figure the user has not touched converts back to the nanometres it
// came from instead of to the nearest rounded neighbour (85 tpi would
// otherwise turn 300000 nm into 298824 nm).
class SpacingField {
public:
    void setNanometres(std::uint32_t nm) { nm_ = nm; }
    std::uint32_t nanometres() const { return nm_; }

    SpacingUnit unit() const { return unit_; }
    // The value shown in the current unit.
    std::uint32_t shown() const;
    // Takes a value the user has typed in the current unit.
    void setShown(std::uint32_t value);
    // Switching to the unit in force does nothing.
    void setUnit(SpacingUnit unit) { unit_ = unit; }

private:
    std::uint32_t nm_ = 0;
    SpacingUnit unit_ = SpacingUnit::PerInch;
};

} // namespace resedit
