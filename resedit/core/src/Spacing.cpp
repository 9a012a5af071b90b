#include "resedit/Spacing.h"

#include <cmath>

namespace resedit {

namespace {
constexpr double kNanometresPerInch = 25400000.0;
}

std::uint32_t convertSpacing(std::uint32_t value) {
    if (value == 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(std::floor(kNanometresPerInch / value + 0.5));
}

std::uint32_t SpacingField::shown() const {
    return unit_ == SpacingUnit::Nanometres ? nm_ : convertSpacing(nm_);
}

void SpacingField::setShown(std::uint32_t value) {
    if (unit_ == SpacingUnit::Nanometres) {
        nm_ = value;
    } else if (value != convertSpacing(nm_)) {
        nm_ = convertSpacing(value);
    }
}

} // namespace resedit
