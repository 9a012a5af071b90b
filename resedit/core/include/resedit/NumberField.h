// Number entry as the dialog framework does it: a field takes only a decimal
// number that fits its width and signedness, and says why it refuses.
#pragma once

#include "resedit/EditValues.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace resedit {

// Leading and trailing blanks are allowed; a sign only where the width is signed
// ("+" everywhere). nullopt when the text is not such a number.
std::optional<std::int64_t> parseNumber(std::string_view text, NumberWidth width);

std::string formatNumber(std::int64_t value);

// "Cut Blank Tracks: Please enter an integer between 0 and 255."
std::string numberRefusal(std::string_view fieldName, NumberWidth width);

} // namespace resedit
