#include "Win32DynamicLibraries.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace qmplatform {

namespace {

HMODULE native(ModuleHandle module) {
    return reinterpret_cast<HMODULE>(module);
}

class Win32DynamicLibraries final : public DynamicLibraries {
public:
    ModuleHandle load(std::wstring_view nameOrPath, std::uint32_t flags, long& error) override {
        const std::wstring name(nameOrPath);
        const HMODULE module = LoadLibraryExW(name.c_str(), nullptr, flags);
        if (module == nullptr) {
            error = static_cast<long>(GetLastError());
        }
        return reinterpret_cast<ModuleHandle>(module);
    }

    void* resolve(ModuleHandle module, const char* entryName) override {
        return reinterpret_cast<void*>(GetProcAddress(native(module), entryName));
    }

    bool free(ModuleHandle module) override { return FreeLibrary(native(module)) != FALSE; }

    long moduleFileName(ModuleHandle module, std::wstring& out) override {
        // Paths may exceed MAX_PATH; a full buffer means the name was cut.
        std::wstring buffer(MAX_PATH, L'\0');
        while (true) {
            const DWORD length =
                GetModuleFileNameW(native(module), buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) {
                return static_cast<long>(GetLastError());
            }
            if (length < buffer.size()) {
                buffer.resize(length);
                out = std::move(buffer);
                return ERROR_SUCCESS;
            }
            if (buffer.size() >= 32768) {
                return ERROR_INSUFFICIENT_BUFFER;
            }
            buffer.resize(buffer.size() * 2);
        }
    }

    std::uint32_t setErrorMode(std::uint32_t mode) override { return SetErrorMode(mode); }
};

} // namespace

std::unique_ptr<DynamicLibraries> makeWin32DynamicLibraries() {
    return std::make_unique<Win32DynamicLibraries>();
}

} // namespace qmplatform
