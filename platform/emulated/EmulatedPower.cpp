#include "platform/machine/EmulatedBackends.h"

namespace qmplatform::emulated {

long EmulatedPower::enableShutdownPrivilege() {
    privilegeEnabled_ = true;
    return kErrorSuccess;
}

bool EmulatedPower::exitWindows(std::uint32_t flags) {
    if (!privilegeEnabled_) {
        return false; // ERROR_PRIVILEGE_NOT_HELD on Windows
    }
    std::string error;
    return machine_.recordRestart(flags, error);
}

} // namespace qmplatform::emulated
