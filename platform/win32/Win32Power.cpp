#include "win32/Win32Backends.h"

#include <windows.h>

namespace qmplatform {

namespace {

class Win32Power final : public Power {
public:
    long enableShutdownPrivilege() override {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            return static_cast<long>(GetLastError());
        }
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        long result = kErrorSuccess;
        if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
            result = static_cast<long>(GetLastError());
        } else {
            // AdjustTokenPrivileges succeeds even when the account lacks the
            // privilege; only the last error tells (ERROR_NOT_ALL_ASSIGNED).
            SetLastError(ERROR_SUCCESS);
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
            result = static_cast<long>(GetLastError());
        }
        CloseHandle(token);
        return result;
    }

    bool exitWindows(std::uint32_t flags) override {
        return ExitWindowsEx(flags, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED) != 0;
    }
};

} // namespace

std::unique_ptr<Power> makeWin32Power() {
    return std::make_unique<Win32Power>();
}

} // namespace qmplatform
