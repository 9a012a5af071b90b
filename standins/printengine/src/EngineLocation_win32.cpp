#include "EngineConfig.h"

#include <windows.h>

namespace qmprtens {

std::filesystem::path engineFilePath() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&engineFilePath), &self)) {
        return {};
    }
    wchar_t path[32768];
    const DWORD n = GetModuleFileNameW(self, path, static_cast<DWORD>(std::size(path)));
    if (n == 0 || n >= std::size(path)) {
        return {};
    }
    return std::filesystem::path(path, path + n);
}

} // namespace qmprtens
