#include "platform/com/Com.h"

#include <array>
#include <cstdint>

namespace qmplatform::com {

namespace {

// Where each of the 16 bytes of a GUID sits in "{01234567-89AB-CDEF-0123-456789ABCDEF}",
// in the order Data1 (most significant byte first), Data2, Data3, Data4.
constexpr std::array<std::size_t, 16> kHexPairOffsets = {1,  3,  5,  7,  10, 12, 15, 17,
                                                         20, 22, 25, 27, 29, 31, 33, 35};
constexpr std::array<std::size_t, 4> kHyphenOffsets = {9, 14, 19, 24};
constexpr std::size_t kGuidTextLength = 38;

int hexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    return -1;
}

std::array<std::uint8_t, 16> guidBytes(REFGUID guid) {
    std::array<std::uint8_t, 16> bytes{};
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(guid.Data1 >> (24 - 8 * i));
    }
    bytes[4] = static_cast<std::uint8_t>(guid.Data2 >> 8);
    bytes[5] = static_cast<std::uint8_t>(guid.Data2);
    bytes[6] = static_cast<std::uint8_t>(guid.Data3 >> 8);
    bytes[7] = static_cast<std::uint8_t>(guid.Data3);
    for (int i = 0; i < 8; ++i) {
        bytes[8 + i] = guid.Data4[i];
    }
    return bytes;
}

constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

bool isHighSurrogate(std::uint32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(std::uint32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

} // namespace

std::wstring guidToString(REFGUID guid) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text = L"{00000000-0000-0000-0000-000000000000}";
    const auto bytes = guidBytes(guid);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text[kHexPairOffsets[i]] = kDigits[bytes[i] >> 4];
        text[kHexPairOffsets[i] + 1] = kDigits[bytes[i] & 0x0F];
    }
    return text;
}

bool guidFromString(std::wstring_view text, GUID& out) {
    if (text.size() != kGuidTextLength || text.front() != L'{' || text.back() != L'}') {
        return false;
    }
    for (const std::size_t at : kHyphenOffsets) {
        if (text[at] != L'-') {
            return false;
        }
    }
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = hexValue(text[kHexPairOffsets[i]]);
        const int low = hexValue(text[kHexPairOffsets[i] + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    GUID guid{};
    guid.Data1 = static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
                 static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
    guid.Data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.Data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i) {
        guid.Data4[i] = bytes[8 + i];
    }
    out = guid;
    return true;
}

std::wstring wideFromOle(const OLECHAR* text, std::size_t length) {
    std::wstring wide;
    if (text == nullptr) {
        return wide;
    }
    wide.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const auto unit = static_cast<std::uint32_t>(static_cast<std::uint16_t>(text[i]));
        if (kWideIsUtf16) {
            wide.push_back(static_cast<wchar_t>(unit));
        } else if (isHighSurrogate(unit) && i + 1 < length &&
                   isLowSurrogate(static_cast<std::uint16_t>(text[i + 1]))) {
            const auto low = static_cast<std::uint32_t>(static_cast<std::uint16_t>(text[++i]));
            wide.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            // A lone surrogate has no code point of its own.
            wide.push_back(static_cast<wchar_t>(0xFFFD));
        } else {
            wide.push_back(static_cast<wchar_t>(unit));
        }
    }
    return wide;
}

std::basic_string<OLECHAR> oleFromWide(std::wstring_view text) {
    std::basic_string<OLECHAR> ole;
    ole.reserve(text.size());
    for (const wchar_t c : text) {
        auto code = static_cast<std::uint32_t>(c);
        if (kWideIsUtf16) {
            ole.push_back(static_cast<OLECHAR>(code));
            continue;
        }
        if (code > 0x10FFFF || isHighSurrogate(code) || isLowSurrogate(code)) {
            code = 0xFFFD;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            ole.push_back(static_cast<OLECHAR>(0xD800 + (code >> 10)));
            ole.push_back(static_cast<OLECHAR>(0xDC00 + (code & 0x3FF)));
        } else {
            ole.push_back(static_cast<OLECHAR>(code));
        }
    }
    return ole;
}

BSTR bstrFromWide(std::wstring_view text) {
    const std::basic_string<OLECHAR> ole = oleFromWide(text);
    // A BSTR counts its bytes in 32 bits.
    if (ole.size() > 0x7FFFFFFEu / sizeof(OLECHAR)) {
        return nullptr;
    }
    return SysAllocStringLen(ole.data(), static_cast<UINT>(ole.size()));
}

std::wstring wideFromBstr(BSTR text) {
    return wideFromOle(text, SysStringLen(text));
}

} // namespace qmplatform::com
