#include "diagtool/bundle/Redactor.h"

#include "diagtool/bundle/BundleFormat.h"

#include "platform/WindowsText.h"

#include <algorithm>
#include <cwctype>

namespace qmbundle {

namespace {

bool isWordChar(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' ||
           c >= 0x80;
}

wchar_t fold(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : static_cast<wchar_t>(std::towlower(c));
}

bool matchesAt(std::wstring_view text, std::size_t at, std::wstring_view name) {
    if (at + name.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (fold(text[at + i]) != fold(name[i])) {
            return false;
        }
    }
    const bool before = at == 0 || !isWordChar(text[at - 1]);
    const bool after = at + name.size() == text.size() || !isWordChar(text[at + name.size()]);
    return before && after;
}

std::wstring replaceNames(std::wstring_view text, const std::vector<std::pair<std::wstring, std::wstring>>& names) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        bool replaced = false;
        for (const auto& [name, placeholder] : names) {
            if (!name.empty() && matchesAt(text, at, name)) {
                out += placeholder;
                at += name.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += text[at++];
        }
    }
    return out;
}

bool isDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// "S-1-5-21-" then three or more numbers: the three after 21 are the
// domain (or machine) part that identifies the computer.
std::wstring replaceSids(std::wstring_view text) {
    static constexpr std::wstring_view kPrefix = L"S-1-5-21-";
    std::wstring out;
    for (std::size_t at = 0; at < text.size();) {
        const bool start = at + kPrefix.size() <= text.size() && (at == 0 || !isWordChar(text[at - 1])) &&
                           std::equal(kPrefix.begin(), kPrefix.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                                      [](wchar_t a, wchar_t b) { return fold(a) == fold(b); });
        if (start) {
            std::size_t p = at + kPrefix.size();
            int numbers = 0;
            std::size_t afterThree = p;
            while (p < text.size() && isDigit(text[p])) {
                while (p < text.size() && isDigit(text[p])) {
                    ++p;
                }
                ++numbers;
                if (numbers == 3) {
                    afterThree = p;
                }
                if (p + 1 < text.size() && text[p] == L'-' && isDigit(text[p + 1])) {
                    ++p;
                } else {
                    break;
                }
            }
            if (numbers >= 3) {
                out += L"S-1-5-21-0-0-0";
                at = afterThree;
                continue;
            }
        }
        out += text[at++];
    }
    return out;
}

} // namespace

Redactor::Redactor(std::wstring userName, std::wstring computerName) : active_(true) {
    if (!userName.empty()) {
        names_.emplace_back(std::move(userName), kRedactedUser);
    }
    if (!computerName.empty()) {
        names_.emplace_back(std::move(computerName), kRedactedComputer);
    }
    // The longer name first, so that one holding the other is replaced whole.
    std::sort(names_.begin(), names_.end(), [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
}

std::wstring Redactor::text(std::wstring_view text) const {
    if (!active_) {
        return std::wstring(text);
    }
    return replaceSids(replaceNames(text, names_));
}

std::string Redactor::utf8(std::string_view text) const {
    if (!active_) {
        return std::string(text);
    }
    return qmplatform::toUtf8(this->text(qmplatform::fromUtf8(std::string(text))));
}

std::vector<std::uint8_t> Redactor::textFile(std::span<const std::uint8_t> bytes) const {
    if (!active_) {
        return {bytes.begin(), bytes.end()};
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        std::wstring wide;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            wide += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
        }
        const std::wstring done = text(wide);
        std::vector<std::uint8_t> out = {0xFF, 0xFE};
        for (wchar_t c : done) {
            out.push_back(static_cast<std::uint8_t>(c & 0xFF));
            out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
        }
        if (bytes.size() % 2 != 0) {
            out.push_back(bytes.back());
        }
        return out;
    }
    // Byte for byte as characters 0-255: ASCII names match in any
    // ASCII-compatible encoding, and names in UTF-8 match as their bytes.
    std::vector<std::pair<std::wstring, std::wstring>> byteNames;
    for (const auto& [name, placeholder] : names_) {
        std::wstring asBytes;
        for (unsigned char c : qmplatform::toUtf8(name)) {
            asBytes += static_cast<wchar_t>(c);
        }
        byteNames.emplace_back(asBytes, placeholder);
    }
    std::wstring wide(bytes.begin(), bytes.end());
    const std::wstring done = replaceSids(replaceNames(wide, byteNames));
    std::vector<std::uint8_t> out;
    out.reserve(done.size());
    for (wchar_t c : done) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
    return out;
}

std::vector<std::uint8_t> Redactor::sid(std::span<const std::uint8_t> sid) const {
    std::vector<std::uint8_t> out(sid.begin(), sid.end());
    if (!active_ || sid.size() < 8 || sid[0] != 1) {
        return out;
    }
    const std::size_t count = sid[1];
    const bool ntAuthority = sid[2] == 0 && sid[3] == 0 && sid[4] == 0 && sid[5] == 0 && sid[6] == 0 && sid[7] == 5;
    if (!ntAuthority || count < 4 || sid.size() < 8 + 4 * count) {
        return out;
    }
    const std::uint32_t first = sid[8] | sid[9] << 8 | sid[10] << 16 | static_cast<std::uint32_t>(sid[11]) << 24;
    if (first != 21) {
        return out;
    }
    std::fill(out.begin() + 12, out.begin() + 24, std::uint8_t{0});
    return out;
}

bool Redactor::mentionedIn(std::span<const std::uint8_t> bytes) const {
    if (!active_) {
        return false;
    }
    std::wstring asBytes(bytes.begin(), bytes.end());
    std::wstring asWide;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        asWide += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
    }
    std::wstring asWideOdd;
    for (std::size_t i = 1; i + 1 < bytes.size(); i += 2) {
        asWideOdd += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
    }
    for (const auto& [name, placeholder] : names_) {
        for (const std::wstring* haystack : {&asBytes, &asWide, &asWideOdd}) {
            for (std::size_t at = 0; at < haystack->size(); ++at) {
                if (matchesAt(*haystack, at, name)) {
                    return true;
                }
            }
        }
    }
    return false;
}

} // namespace qmbundle
