#include "diagtool/catalogue/ErrorCodeParser.h"

#include <limits>

namespace {

constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

int digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99; // above every base, so the caller rejects it
}

} // namespace

std::optional<std::uint32_t> tryParseErrorCode(std::string_view text) {
    text = trimmed(text);
    unsigned base = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.size() >= 2 && text[0] == '0') {
        base = 8;
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t value = 0;
    for (char c : text) {
        const auto digit = static_cast<unsigned>(digitValue(c));
        if (digit >= base)
            return std::nullopt;
        value = value * base + digit;
        // Checked per digit, so a long run of digits can never wrap the accumulator.
        if (value > kMax)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::uint32_t parseErrorCode(std::string_view text) {
    return tryParseErrorCode(text).value_or(0);
}

std::optional<std::uint32_t> catalogueCodeOfComFailure(std::uint32_t value) {
    if ((value & kComFailureMask) != kComFailurePrefix)
        return std::nullopt;
    return value & ~kComFailureMask;
}
