// The shutdown privilege and restarting the machine.
#pragma once

#include <cstdint>

namespace qmplatform {

class Power {
public:
    virtual ~Power() = default;
    // Opens the process token (adjust-privileges and query), looks up
    // "SeShutdownPrivilege" and enables it. Returns the last error after
    // AdjustTokenPrivileges: 0 when enabled, kErrorNotAllAssigned when the
    // account does not hold it, another code when a step failed.
    [[nodiscard]] virtual long enableShutdownPrivilege() = 0;
    // ExitWindowsEx with the given flags (kEwxReboot | kEwxForce).
    [[nodiscard]] virtual bool exitWindows(std::uint32_t flags) = 0;
};

} // namespace qmplatform
