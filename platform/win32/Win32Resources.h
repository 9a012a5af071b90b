// The real Windows behind the version-resource, message-table and event-log
// interfaces.
#pragma once

#include "platform/EventLog.h"
#include "platform/MessageTables.h"
#include "platform/VersionInfo.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace qmplatform {

std::unique_ptr<VersionInfo> makeWin32VersionInfo();
std::unique_ptr<MessageTables> makeWin32MessageTables();

// The event-log functions the backend calls, as a table so that tests can
// stand in a record source for the system's (Wine's are stubs that read
// nothing). Handles are the system's HANDLEs.
struct Win32EventLogApi {
    std::function<void*(const wchar_t* logName)> open;        // OpenEventLogW(NULL, name)
    std::function<void*(const wchar_t* fileName)> openBackup; // OpenBackupEventLogW(NULL, file)
    std::function<bool(void* log, std::uint32_t flags, std::uint32_t recordNumber, void* buffer,
                       std::uint32_t size, std::uint32_t* bytesRead, std::uint32_t* bytesNeeded)>
        read;                                 // ReadEventLogW
    std::function<bool(void* log)> close;     // CloseEventLog
    std::function<std::uint32_t()> lastError; // GetLastError
};
Win32EventLogApi systemEventLogApi();

std::unique_ptr<EventLog> makeWin32EventLog(Win32EventLogApi api = systemEventLogApi());

} // namespace qmplatform
