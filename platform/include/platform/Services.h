// The service control manager. Handles close when destroyed.
#pragma once

#include "platform/Win32Codes.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace qmplatform {

struct ServiceStatus {
    std::uint32_t serviceType = 0;
    std::uint32_t currentState = 0; // kServiceStopped, kServiceStartPending, kServiceRunning, ...
    std::uint32_t win32ExitCode = 0;
};

class ServiceHandle {
public:
    virtual ~ServiceHandle() = default;
    [[nodiscard]] virtual long queryStatus(ServiceStatus& out) = 0;
    [[nodiscard]] virtual long start() = 0;
    // Asks a running service to stop; it may stay stop pending for a while,
    // so callers that need it stopped query until it is. Needs the stop
    // right (kServiceStop) on the handle.
    [[nodiscard]] virtual long stop() = 0;
};

class ServiceManagerHandle {
public:
    virtual ~ServiceManagerHandle() = default;
    [[nodiscard]] virtual long openService(std::wstring_view name, std::uint32_t access,
                             std::unique_ptr<ServiceHandle>& out) = 0;
};

class ServiceControl {
public:
    virtual ~ServiceControl() = default;
    // The manager on the local computer. All access needs administrator rights.
    [[nodiscard]] virtual long openManager(std::uint32_t access, std::unique_ptr<ServiceManagerHandle>& out) = 0;
};

} // namespace qmplatform
