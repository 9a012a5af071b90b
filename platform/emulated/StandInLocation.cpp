#include "platform/machine/StandInLocation.h"

#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace qmplatform::emulated {

std::filesystem::path moduleFileOf(const void* address) {
#ifdef _WIN32
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module)) {
        return {};
    }
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return std::filesystem::path(std::wstring(buffer.data(), length));
        }
        buffer.resize(buffer.size() * 2);
    }
#else
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return std::filesystem::path(info.dli_fname);
#endif
}

std::optional<std::filesystem::path> machineOfModule(const std::filesystem::path& moduleFile) {
    std::error_code ec;
    if (!moduleFile.empty()) {
        for (std::filesystem::path p = moduleFile.parent_path(); !p.empty(); p = p.parent_path()) {
            if (std::filesystem::is_regular_file(p / "machine.json", ec) &&
                std::filesystem::is_directory(p / "drive_c", ec)) {
                return p;
            }
            if (p == p.parent_path()) {
                break;
            }
        }
    }
    if (const char* sysroot = std::getenv("QUILLMARK_SYSROOT"); sysroot != nullptr && *sysroot != 0) {
        return std::filesystem::path(sysroot);
    }
    return std::nullopt;
}

} // namespace qmplatform::emulated
