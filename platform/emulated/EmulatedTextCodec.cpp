#include "emulated/EmulatedTextCodec.h"

#include <array>
#include <cstdint>

namespace qmplatform {

namespace {

constexpr unsigned kCodePage1252 = 1252;

// Bytes 0x80 to 0x9F of Windows-1252; every other byte is the Unicode
// character of the same number. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the
// same number, as MultiByteToWideChar maps them.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

class Codepage1252 final : public TextCodec {
public:
    unsigned codePage() const override { return kCodePage1252; }

    std::string toAnsi(std::wstring_view text) const override {
        std::string out;
        out.reserve(text.size());
        for (const wchar_t c : text) {
            out.push_back(toByte(static_cast<std::uint32_t>(c)));
        }
        return out;
    }

    std::wstring fromAnsi(std::string_view text) const override {
        std::wstring out;
        out.reserve(text.size());
        for (const char c : text) {
            const auto b = static_cast<unsigned char>(c);
            out.push_back(b >= 0x80 && b <= 0x9F ? static_cast<wchar_t>(kHighControls[b - 0x80])
                                                 : static_cast<wchar_t>(b));
        }
        return out;
    }

private:
    static char toByte(std::uint32_t c) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            return static_cast<char>(c);
        }
        for (std::size_t i = 0; i < kHighControls.size(); ++i) {
            if (kHighControls[i] == c) {
                return static_cast<char>(0x80 + i);
            }
        }
        return '?';
    }
};

} // namespace

std::unique_ptr<TextCodec> makeEmulatedTextCodec() {
    return std::make_unique<Codepage1252>();
}

} // namespace qmplatform
