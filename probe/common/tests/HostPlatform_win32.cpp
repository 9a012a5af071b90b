#include "HostPlatform.h"

#include <windows.h>

#include <cstdlib>
#include <utility>

namespace probe::testing {

qmplatform::ModuleHandle HostLibraries::load(std::wstring_view nameOrPath, std::uint32_t flags, long& error) {
    HMODULE module = LoadLibraryExW(std::wstring(nameOrPath).c_str(), nullptr, flags);
    if (module == nullptr) {
        error = static_cast<long>(GetLastError());
    }
    return reinterpret_cast<qmplatform::ModuleHandle>(module);
}

void* HostLibraries::resolve(qmplatform::ModuleHandle module, const char* entryName) {
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), entryName));
}

bool HostLibraries::free(qmplatform::ModuleHandle module) {
    return FreeLibrary(reinterpret_cast<HMODULE>(module)) != 0;
}

long HostLibraries::moduleFileName(qmplatform::ModuleHandle module, std::wstring& out) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(reinterpret_cast<HMODULE>(module), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return static_cast<long>(GetLastError());
    }
    out.assign(path, n);
    return 0;
}

std::uint32_t HostLibraries::setErrorMode(std::uint32_t mode) {
    return SetErrorMode(mode);
}

std::FILE* HostFiles::openForReading(std::wstring_view path) const {
    return _wfopen(std::wstring(path).c_str(), L"rb");
}

std::optional<std::wstring> ProcessEnvironment::get(std::wstring_view name) const {
    wchar_t buffer[32767];
    const DWORD n = GetEnvironmentVariableW(std::wstring(name).c_str(), buffer, 32767);
    if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
        return std::nullopt;
    }
    if (n >= 32767) {
        return std::nullopt;
    }
    return std::wstring(buffer, n);
}

bool ProcessEnvironment::set(std::wstring_view name, std::optional<std::wstring_view> value) {
    // _wputenv changes the C runtime's copy too, which getenv in the engine reads.
    const std::wstring assignment =
        std::wstring(name) + L"=" + (value ? std::wstring(*value) : std::wstring());
    return _wputenv(assignment.c_str()) == 0;
}

std::wstring hostFolder(const char* buildPath) {
    std::wstring out = L"Z:";
    for (const char* p = buildPath; *p != 0; ++p) {
        out += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    }
    return out;
}

} // namespace probe::testing
