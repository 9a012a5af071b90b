#include "platform/WindowsText.h"

#include <algorithm>
#include <cstdint>

namespace qmplatform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isLowerInPairs(char32_t c) {
    // Latin Extended-A: capitals at even code points except in the two runs
    // where they sit at odd ones.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c & 1) == 0;
    }
    return (c & 1) == 1;
}

void appendCodePoint(std::wstring& out, char32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(cp));
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace

wchar_t upcaseChar(wchar_t wc) {
    const auto c = static_cast<char32_t>(wc);
    if (c < 0x80) {
        return (c >= U'a' && c <= U'z') ? static_cast<wchar_t>(c - 0x20) : wc;
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return static_cast<wchar_t>(c - 0x20);
    }
    if (c == 0xFF) {
        return static_cast<wchar_t>(0x178);
    }
    if (c >= 0x100 && c <= 0x17E && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        isLowerInPairs(c)) {
        return static_cast<wchar_t>(c - 1);
    }
    if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) {
        return static_cast<wchar_t>(c - 0x20);
    }
    if (c == 0x3C2) {
        return static_cast<wchar_t>(0x3A3);
    }
    if (c >= 0x430 && c <= 0x44F) {
        return static_cast<wchar_t>(c - 0x20);
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<wchar_t>(c - 0x50);
    }
    return wc;
}

int compareNoCase(std::wstring_view a, std::wstring_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<std::uint32_t>(upcaseChar(a[i]));
        const auto cb = static_cast<std::uint32_t>(upcaseChar(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

std::string toUtf8(std::wstring_view text) {
    std::string out;
    appendUtf8(out, text);
    return out;
}

void appendUtf8(std::string& out, std::wstring_view text) {
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Most texts are ASCII: a run of it is copied in one step.
        std::size_t ascii = i;
        while (ascii < text.size() && static_cast<std::make_unsigned_t<wchar_t>>(text[ascii]) < 0x80)
            ++ascii;
        if (ascii != i) {
            const std::size_t at = out.size();
            out.resize(at + (ascii - i));
            std::transform(text.begin() + static_cast<std::ptrdiff_t>(i),
                           text.begin() + static_cast<std::ptrdiff_t>(ascii),
                           out.begin() + static_cast<std::ptrdiff_t>(at),
                           [](wchar_t c) { return static_cast<char>(c); });
            i = ascii;
            if (i == text.size())
                break;
        }
        auto cp = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            const auto low = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i + 1]));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
            cp = kReplacement;
        }
        appendUtf8(out, cp);
    }
}

std::wstring fromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07;
            minimum = 0x10000;
        } else {
            appendCodePoint(out, kReplacement);
            ++i;
            continue;
        }
        if (i + static_cast<std::size_t>(extra) >= text.size()) {
            // The sequence runs past the end of the text.
            appendCodePoint(out, kReplacement);
            ++i;
            continue;
        }
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        if (!valid || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            appendCodePoint(out, kReplacement);
            ++i;
            continue;
        }
        appendCodePoint(out, cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

} // namespace qmplatform
