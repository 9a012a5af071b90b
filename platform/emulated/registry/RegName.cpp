#include "emulated/registry/RegName.h"

#include <cstdint>

namespace qmplatform::emulated {

namespace {

// Ranges of Unicode's simple upper-case mapping that Windows' case table
// follows, as (first lower, last lower, step between letters, distance to
// the upper-case letter).
struct CaseRange {
    char16_t first;
    char16_t last;
    char16_t step;
    std::int32_t delta;
};

constexpr CaseRange kCaseRanges[] = {
    {0x0061, 0x007A, 1, -0x20}, // a-z
    {0x00E0, 0x00F6, 1, -0x20}, // à-ö
    {0x00F8, 0x00FE, 1, -0x20}, // ø-þ
    {0x00FF, 0x00FF, 1, 0x79},  // ÿ -> Ÿ
    {0x0101, 0x012F, 2, -1},    // Latin Extended-A pairs (upper case even)
    {0x0133, 0x0137, 2, -1},    //
    {0x013A, 0x0148, 2, -1},    // (upper case odd)
    {0x014B, 0x0177, 2, -1},    //
    {0x017A, 0x017E, 2, -1},    //
    {0x03AC, 0x03AC, 1, -0x26}, // Greek ά -> Ά
    {0x03AD, 0x03AF, 1, -0x25}, // έ-ί
    {0x03B1, 0x03C1, 1, -0x20}, // α-ρ
    {0x03C2, 0x03C2, 1, -0x1F}, // final ς -> Σ
    {0x03C3, 0x03CB, 1, -0x20}, // σ-ϋ
    {0x03CC, 0x03CC, 1, -0x40}, // ό -> Ό
    {0x03CD, 0x03CE, 1, -0x3F}, // ύ-ώ
    {0x0430, 0x044F, 1, -0x20}, // Cyrillic а-я
    {0x0450, 0x045F, 1, -0x50}, // ѐ-џ
};

void appendUnits(std::u16string& out, std::uint32_t c) {
    if (c > 0xFFFF && c <= 0x10FFFF) {
        out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(c > 0xFFFF ? 0xFFFD : c));
    }
}

} // namespace

char16_t regUpcase(char16_t unit) {
    for (const CaseRange& r : kCaseRanges) {
        if (unit >= r.first && unit <= r.last && (unit - r.first) % r.step == 0) {
            return static_cast<char16_t>(unit + r.delta);
        }
    }
    return unit;
}

std::u16string regNameKey(std::wstring_view name) {
    std::u16string units;
    units.reserve(name.size());
    for (const wchar_t c : name) {
        appendUnits(units, static_cast<std::uint32_t>(c));
    }
    for (char16_t& u : units) {
        u = regUpcase(u);
    }
    return units;
}

bool sameRegName(std::wstring_view a, std::wstring_view b) {
    return regNameKey(a) == regNameKey(b);
}

} // namespace qmplatform::emulated
