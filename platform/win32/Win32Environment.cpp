#include "win32/Win32Backends.h"

#include <windows.h>

namespace qmplatform {

namespace {

class Win32Environment final : public Environment {
public:
    std::optional<std::wstring> get(std::wstring_view name) const override {
        const std::wstring key(name);
        // The value may change between the two calls; ask again with the
        // new size until it fits.
        std::wstring value(64, L'\0');
        for (;;) {
            SetLastError(ERROR_SUCCESS);
            const DWORD n =
                GetEnvironmentVariableW(key.c_str(), value.data(), static_cast<DWORD>(value.size()));
            if (n == 0) {
                if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                    return std::nullopt;
                }
                return std::wstring(); // defined and empty
            }
            if (n < value.size()) {
                value.resize(n);
                return value;
            }
            value.assign(n, L'\0');
        }
    }

    bool set(std::wstring_view name, std::optional<std::wstring_view> value) override {
        const std::wstring key(name);
        if (!value) {
            // Removing a variable that is not there is no failure.
            return SetEnvironmentVariableW(key.c_str(), nullptr) != 0 ||
                   GetLastError() == ERROR_ENVVAR_NOT_FOUND;
        }
        const std::wstring text(*value);
        return SetEnvironmentVariableW(key.c_str(), text.c_str()) != 0;
    }

    std::wstring expand(std::wstring_view text) const override {
        const std::wstring source(text);
        std::wstring out(source.size() + 64, L'\0');
        for (;;) {
            const DWORD n =
                ExpandEnvironmentStringsW(source.c_str(), out.data(), static_cast<DWORD>(out.size()));
            if (n == 0) {
                return source;
            }
            if (n <= out.size()) {
                out.resize(n - 1); // n counts the terminator
                return out;
            }
            out.assign(n, L'\0');
        }
    }
};

} // namespace

std::unique_ptr<Environment> makeWin32Environment() {
    return std::make_unique<Win32Environment>();
}

} // namespace qmplatform
