#include "platform/RegistryData.h"

namespace qmplatform {

namespace {

void putUnit(std::vector<std::uint8_t>& out, std::uint32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
}

} // namespace

std::vector<std::uint8_t> utf16leBytes(std::wstring_view text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2);
    for (const wchar_t c : text) {
        const auto cp = static_cast<std::uint32_t>(c);
        if (cp > 0xFFFF && cp <= 0x10FFFF) {
            putUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
            putUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else if (cp > 0x10FFFF) {
            putUnit(out, 0xFFFD);
        } else {
            putUnit(out, cp);
        }
    }
    return out;
}

std::wstring fromUtf16le(std::span<const std::uint8_t> bytes) {
    std::wstring out;
    const std::size_t units = bytes.size() / 2;
    out.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t unit = bytes[2 * i] | (static_cast<std::uint32_t>(bytes[2 * i + 1]) << 8);
        if constexpr (sizeof(wchar_t) >= 4) {
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
                const std::uint32_t low =
                    bytes[2 * i + 2] | (static_cast<std::uint32_t>(bytes[2 * i + 3]) << 8);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    out.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
                    ++i;
                    continue;
                }
            }
        }
        // A lone surrogate stays what it is, so that the text goes back to
        // the registry unchanged.
        out.push_back(static_cast<wchar_t>(unit));
    }
    return out;
}

std::vector<std::uint8_t> regSzData(std::wstring_view text) {
    std::vector<std::uint8_t> out = utf16leBytes(text);
    putUnit(out, 0);
    return out;
}

std::wstring regSzText(std::span<const std::uint8_t> data) {
    std::wstring text = fromUtf16le(data);
    const std::size_t end = text.find(L'\0');
    if (end != std::wstring::npos) {
        text.resize(end);
    }
    return text;
}

std::vector<std::uint8_t> regMultiSzData(std::span<const std::wstring> texts) {
    std::vector<std::uint8_t> out;
    for (const std::wstring& t : texts) {
        const std::vector<std::uint8_t> one = regSzData(t);
        out.insert(out.end(), one.begin(), one.end());
    }
    putUnit(out, 0);
    return out;
}

std::vector<std::wstring> regMultiSzTexts(std::span<const std::uint8_t> data) {
    const std::wstring all = fromUtf16le(data);
    std::vector<std::wstring> texts;
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find(L'\0', start);
        if (end == std::wstring::npos) {
            end = all.size(); // the last text lacks its terminator: still a text
        }
        if (end == start) {
            break; // the empty text ends the list
        }
        texts.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return texts;
}

std::vector<std::uint8_t> regDwordData(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::vector<std::uint8_t> regQwordData(std::uint64_t value) {
    std::vector<std::uint8_t> out(8);
    for (std::size_t i = 0; i < 8; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return out;
}

} // namespace qmplatform
