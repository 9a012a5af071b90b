#include "platform/Win32Codes.h"
#include "win32/Win32Resources.h"

#include <windows.h>

#include <string>

namespace qmplatform {

namespace {

class Win32EventLog final : public EventLog {
public:
    explicit Win32EventLog(Win32EventLogApi api) : api_(std::move(api)) {}

    EventLogHandle open(std::wstring_view logName, long& error) override {
        const std::wstring name(logName);
        return result(api_.open(name.c_str()), error);
    }

    EventLogHandle openBackup(std::wstring_view windowsPath, long& error) override {
        const std::wstring path(windowsPath);
        return result(api_.openBackup(path.c_str()), error);
    }

    long read(EventLogHandle log, std::uint32_t flags, std::uint32_t recordNumber,
              std::span<std::uint8_t> buffer, std::uint32_t& bytesRead, std::uint32_t& bytesNeeded) override {
        if (buffer.size() > kEventLogMaxReadBuffer) {
            return kErrorInvalidParameter;
        }
        std::uint32_t read = 0;
        std::uint32_t needed = 0;
        if (!api_.read(log, flags, recordNumber, buffer.data(), static_cast<std::uint32_t>(buffer.size()),
                       &read, &needed)) {
            const long error = static_cast<long>(api_.lastError());
            if (error == kErrorInsufficientBuffer) {
                bytesNeeded = needed;
            }
            return error == kErrorSuccess ? kErrorHandleEof : error;
        }
        // The count is the system's word; never let it claim more than the
        // buffer holds.
        bytesRead = read > buffer.size() ? static_cast<std::uint32_t>(buffer.size()) : read;
        bytesNeeded = 0;
        return kErrorSuccess;
    }

    bool close(EventLogHandle log) override { return log != nullptr && api_.close(log); }

private:
    EventLogHandle result(void* handle, long& error) {
        if (handle == nullptr) {
            error = static_cast<long>(api_.lastError());
            return nullptr;
        }
        error = kErrorSuccess;
        return static_cast<EventLogHandle>(handle);
    }

    Win32EventLogApi api_;
};

} // namespace

Win32EventLogApi systemEventLogApi() {
    Win32EventLogApi api;
    api.open = [](const wchar_t* name) -> void* { return OpenEventLogW(nullptr, name); };
    api.openBackup = [](const wchar_t* file) -> void* { return OpenBackupEventLogW(nullptr, file); };
    api.read = [](void* log, std::uint32_t flags, std::uint32_t number, void* buffer, std::uint32_t size,
                  std::uint32_t* bytesRead, std::uint32_t* bytesNeeded) {
        DWORD read = 0;
        DWORD needed = 0;
        const BOOL ok = ReadEventLogW(static_cast<HANDLE>(log), flags, number, buffer, size, &read, &needed);
        *bytesRead = read;
        *bytesNeeded = needed;
        return ok != FALSE;
    };
    api.close = [](void* log) { return CloseEventLog(static_cast<HANDLE>(log)) != FALSE; };
    api.lastError = [] { return static_cast<std::uint32_t>(GetLastError()); };
    return api;
}

std::unique_ptr<EventLog> makeWin32EventLog(Win32EventLogApi api) {
    return std::make_unique<Win32EventLog>(std::move(api));
}

} // namespace qmplatform
