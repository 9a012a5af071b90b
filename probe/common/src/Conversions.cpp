#include "probe/Conversions.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace probe {

int velocityMmPerSecond(std::uint32_t micrometresPerSecond) {
    // In 64 bits: a 32-bit sum would wrap for the largest velocities.
    return static_cast<int>((std::uint64_t{micrometresPerSecond} + 500) / 1000);
}

int perInch(std::uint32_t nanometres) {
    if (nanometres == 0) {
        return 0;
    }
    return static_cast<int>(std::floor(25400000.0 / nanometres + 0.5));
}

double readPowerMilliwatts(std::uint8_t byte, std::uint16_t recordVersion) {
    return recordVersion >= kReadPowerTenthsVersion ? byte / 10.0 : static_cast<double>(byte);
}

QualityRow qualityRow(const EngineLabelParams& params) {
    QualityRow row;
    row.linearVelocity = velocityMmPerSecond(params.linearVelocity);
    row.tracksPerInch = perInch(params.trackPitch);
    row.marksPerInch = perInch(params.markSpacing);
    row.writePower = params.writePower;
    row.readPower = readPowerMilliwatts(params.readPower, params.version);
    row.focusOffset = params.focusOffset;
    return row;
}

std::string resourceFileName(std::uint16_t driveId) {
    char name[32];
    std::snprintf(name, sizeof name, "qmdb%04x.bin", static_cast<unsigned>(driveId));
    return name;
}

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string fromEngineText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            appendUtf8(out, 0x10000 + ((char32_t{c} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            appendUtf8(out, 0xFFFD); // a lone half of a pair
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

std::string fromEngineText(const EngineChar* text, std::size_t capacity) {
    std::size_t length = 0;
    while (length < capacity && text[length] != 0) {
        ++length;
    }
    return fromEngineText(std::u16string_view(text, length));
}

std::string driveItemText(const EngineDriveDescription& d) {
    // The name object may hold embedded terminators; "%ls" stops at the first.
    const std::u16string_view name(d.name().c_str());
    return fromEngineText(name) + " - " + fromEngineText(d.textA, kDriveTextAChars) + " - " +
           fromEngineText(d.textB, kDriveTextBChars) + " - " + fromEngineText(d.textC, kDriveTextCChars) +
           " - " + std::to_string(d.number);
}

std::string formatInteger(int value) {
    return std::to_string(value);
}

// to_chars and from_chars ignore the C locale, which a GUI toolkit may have
// switched to the user's (a decimal comma would not read back).
std::string formatDouble(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    return std::string(text, result.ptr);
}

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::optional<int> parseInteger(std::string_view text) {
    std::string_view s = trimBlanks(text);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
    }
    int value = 0;
    const auto result = std::from_chars(s.data(), s.data() + s.size(), value, 10);
    if (s.empty() || result.ec != std::errc() || result.ptr != s.data() + s.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseDouble(std::string_view text) {
    std::string_view s = trimBlanks(text);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
    }
    double value = 0.0;
    const auto result = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (s.empty() || result.ec != std::errc() || result.ptr != s.data() + s.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

ScopedDriveDescription::ScopedDriveDescription() {
    std::memset(static_cast<void*>(&record_), 0, sizeof record_);
    new (record_.nameStorage) EngineString();
}

ScopedDriveDescription::~ScopedDriveDescription() {
    record_.name().~EngineString();
}

} // namespace probe
