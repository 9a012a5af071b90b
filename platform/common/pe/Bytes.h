// Little-endian reads and UTF-16LE texts inside untrusted byte ranges. Every
// read says whether it fitted, so the parsers above never index past a span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform::bytes {

inline bool fits(std::span<const std::uint8_t> data, std::size_t offset, std::size_t size) {
    return offset <= data.size() && size <= data.size() - offset;
}

inline bool readU16(std::span<const std::uint8_t> data, std::size_t offset, std::uint16_t& out) {
    if (!fits(data, offset, 2)) {
        return false;
    }
    out = static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
    return true;
}

inline bool readU32(std::span<const std::uint8_t> data, std::size_t offset, std::uint32_t& out) {
    if (!fits(data, offset, 4)) {
        return false;
    }
    out = static_cast<std::uint32_t>(data[offset]) | (static_cast<std::uint32_t>(data[offset + 1]) << 8) |
          (static_cast<std::uint32_t>(data[offset + 2]) << 16) |
          (static_cast<std::uint32_t>(data[offset + 3]) << 24);
    return true;
}

// Unchecked forms for offsets already proven to fit.
inline std::uint16_t u16At(std::span<const std::uint8_t> data, std::size_t offset) {
    return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
}
inline std::uint32_t u32At(std::span<const std::uint8_t> data, std::size_t offset) {
    return static_cast<std::uint32_t>(data[offset]) | (static_cast<std::uint32_t>(data[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(data[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(data[offset + 3]) << 24);
}

inline void putU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void putU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}
inline void setU16(std::vector<std::uint8_t>& out, std::size_t offset, std::uint16_t value) {
    out[offset] = static_cast<std::uint8_t>(value);
    out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}
inline void setU32(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
inline void padTo4(std::vector<std::uint8_t>& out) {
    while (out.size() % 4 != 0) {
        out.push_back(0);
    }
}

// wchar_t is UTF-16 on Windows and UTF-32 elsewhere; the files are UTF-16LE
// on both, so conversions go through code units here.
std::u16string toUtf16(std::wstring_view text);
std::wstring fromUtf16(std::u16string_view text);

// Appends the text as UTF-16LE, with a terminating zero when asked.
void putUtf16(std::vector<std::uint8_t>& out, std::wstring_view text, bool terminate = true);

// Reads a zero-terminated UTF-16LE text starting at `offset` and ending
// before `limit` (itself bounded by the span). `next` receives the offset
// after the terminator. False when no terminator comes before the limit.
bool readUtf16Z(std::span<const std::uint8_t> data, std::size_t offset, std::size_t limit, std::wstring& out,
                std::size_t& next);

// Case-insensitive comparison of texts as Windows compares resource and
// version keys (ASCII and Latin-1 letters).
bool equalsIgnoreCase(std::wstring_view a, std::wstring_view b);

} // namespace qmplatform::bytes
