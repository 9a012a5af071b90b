#include "platform/System.h"

#include <stdexcept>

#ifdef _WIN32
#include "win32/Win32System.h"
#else
#include "emulated/DefaultMachine.h"
#include "emulated/EmulatedSystem.h"
#endif

namespace qmplatform {

std::unique_ptr<System> makeDefaultSystem(std::string& error) {
#ifdef _WIN32
    (void)error;
    return makeWin32System();
#else
    std::filesystem::path root;
    if (!emulated::defaultMachineRoot(root, error)) {
        return nullptr;
    }
    return emulated::makeEmulatedSystem(root, {}, error);
#endif
}

std::unique_ptr<System> makeDefaultSystem() {
    std::string error;
    std::unique_ptr<System> system = makeDefaultSystem(error);
    if (!system) {
        throw std::runtime_error(error);
    }
    return system;
}

} // namespace qmplatform
