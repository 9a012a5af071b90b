#include "platform/Win32Codes.h"
#include "win32/Win32Resources.h"

#include <windows.h>

#include <vector>

namespace qmplatform {

namespace {

// FormatMessageW reads as many arguments as the message names, up to %99,
// with no count to stop it: the array always holds 99 entries, those the
// caller did not give pointing at an empty text, so a message that names
// more inserts than the caller has inserts nothing for them instead of
// reading past the array.
constexpr std::size_t kMaxInserts = 99;
const wchar_t kEmpty[] = L"";

class Win32MessageTables final : public MessageTables {
public:
    long formatMessage(ModuleHandle module, std::uint32_t messageId, std::uint32_t languageId,
                       std::span<const MessageArgument> arguments, std::size_t maxChars,
                       std::wstring& out) override {
        std::vector<DWORD_PTR> array(kMaxInserts, reinterpret_cast<DWORD_PTR>(kEmpty));
        for (std::size_t i = 0; i < arguments.size() && i < kMaxInserts; ++i) {
            const MessageArgument& a = arguments[i];
            if (a.kind == MessageArgument::Kind::Text) {
                array[i] = reinterpret_cast<DWORD_PTR>(a.text.c_str());
            } else if (a.kind == MessageArgument::Kind::Number) {
                array[i] = static_cast<DWORD_PTR>(a.number);
            }
        }
        const DWORD flags = FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY;
        auto* args = reinterpret_cast<va_list*>(array.data());
        if (maxChars == 0) {
            wchar_t* allocated = nullptr;
            const DWORD n =
                FormatMessageW(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER, reinterpret_cast<HMODULE>(module),
                               messageId, languageId, reinterpret_cast<wchar_t*>(&allocated), 0, args);
            if (n == 0) {
                return static_cast<long>(GetLastError());
            }
            out.assign(allocated, n);
            LocalFree(allocated);
            return kErrorSuccess;
        }
        std::wstring buffer(maxChars, L'\0');
        const DWORD n = FormatMessageW(flags, reinterpret_cast<HMODULE>(module), messageId, languageId,
                                       buffer.data(), static_cast<DWORD>(maxChars), args);
        if (n == 0) {
            return static_cast<long>(GetLastError());
        }
        buffer.resize(n);
        out = std::move(buffer);
        return kErrorSuccess;
    }
};

} // namespace

std::unique_ptr<MessageTables> makeWin32MessageTables() {
    return std::make_unique<Win32MessageTables>();
}

} // namespace qmplatform
