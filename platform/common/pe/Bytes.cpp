#include "Bytes.h"

namespace qmplatform::bytes {

std::u16string toUtf16(std::wstring_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        const auto code = static_cast<std::uint32_t>(c);
        if constexpr (sizeof(wchar_t) == 2) {
            out.push_back(static_cast<char16_t>(code));
        } else if (code > 0xFFFF && code <= 0x10FFFF) {
            const std::uint32_t v = code - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        } else if (code > 0x10FFFF) {
            out.push_back(u'\uFFFD');
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

std::wstring fromUtf16(std::u16string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if constexpr (sizeof(wchar_t) == 2) {
            out.push_back(static_cast<wchar_t>(c));
        } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] < 0xE000) {
            const std::uint32_t v = 0x10000 + ((static_cast<std::uint32_t>(c) - 0xD800) << 10) +
                                    (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
            out.push_back(static_cast<wchar_t>(v));
            ++i;
        } else {
            // A lone surrogate stays as it is, as Windows keeps it.
            out.push_back(static_cast<wchar_t>(c));
        }
    }
    return out;
}

void putUtf16(std::vector<std::uint8_t>& out, std::wstring_view text, bool terminate) {
    for (char16_t unit : toUtf16(text)) {
        putU16(out, static_cast<std::uint16_t>(unit));
    }
    if (terminate) {
        putU16(out, 0);
    }
}

bool readUtf16Z(std::span<const std::uint8_t> data, std::size_t offset, std::size_t limit, std::wstring& out,
                std::size_t& next) {
    if (limit > data.size()) {
        limit = data.size();
    }
    std::u16string units;
    for (std::size_t pos = offset; pos + 2 <= limit; pos += 2) {
        const std::uint16_t unit = u16At(data, pos);
        if (unit == 0) {
            out = fromUtf16(units);
            next = pos + 2;
            return true;
        }
        units.push_back(static_cast<char16_t>(unit));
    }
    return false;
}

namespace {
// Deterministic whatever the C locale says: ASCII and Latin-1 letters.
wchar_t upper(wchar_t c) {
    if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return static_cast<wchar_t>(c - 0x20);
    }
    return c;
}
} // namespace

bool equalsIgnoreCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace qmplatform::bytes
