#include "win32/Win32Registry.h"

#include <windows.h>

#include <climits>

namespace qmplatform {

namespace {

// Texts longer than an int cannot be passed to the conversion functions in
// one call; no registry text comes near that.
class AnsiCodePage final : public TextCodec {
public:
    unsigned codePage() const override { return GetACP(); }

    std::string toAnsi(std::wstring_view text) const override {
        if (text.empty() || text.size() > INT_MAX) {
            return {};
        }
        const int length = static_cast<int>(text.size());
        const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
        if (size <= 0) {
            return {};
        }
        std::string out(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, out.data(), size, nullptr, nullptr);
        return out;
    }

    std::wstring fromAnsi(std::string_view text) const override {
        if (text.empty() || text.size() > INT_MAX) {
            return {};
        }
        const int length = static_cast<int>(text.size());
        const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
        if (size <= 0) {
            return {};
        }
        std::wstring out(static_cast<std::size_t>(size), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.data(), length, out.data(), size);
        return out;
    }
};

} // namespace

std::unique_ptr<TextCodec> makeWin32TextCodec() {
    return std::make_unique<AnsiCodePage>();
}

} // namespace qmplatform
