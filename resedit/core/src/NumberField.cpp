#include "resedit/NumberField.h"

#include <charconv>
#include <limits>

namespace resedit {

namespace {

struct Range {
    std::int64_t low;
    std::int64_t high;
};

constexpr Range rangeOf(NumberWidth width) {
    switch (width) {
    case NumberWidth::U8:
        return {0, 255};
    case NumberWidth::U32:
        return {0, std::numeric_limits<std::uint32_t>::max()};
    case NumberWidth::I32:
        break;
    }
    return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::optional<std::int64_t> parseNumber(std::string_view text, NumberWidth width) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        if (negative && width != NumberWidth::I32) {
            return std::nullopt;
        }
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 12) {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    const Range range = rangeOf(width);
    if (value < range.low || value > range.high) {
        return std::nullopt;
    }
    return value;
}

std::string formatNumber(std::int64_t value) {
    return std::to_string(value);
}

std::string numberRefusal(std::string_view fieldName, NumberWidth width) {
    const Range range = rangeOf(width);
    std::string text(fieldName);
    text += ": Please enter an integer between ";
    text += std::to_string(range.low);
    text += " and ";
    text += std::to_string(range.high);
    text += ".";
    return text;
}

} // namespace resedit
