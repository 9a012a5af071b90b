#include "platform/System.h"

#include <stdexcept>
#include <string>
#include <utility>

#ifdef _WIN32
#include "win32/Win32System.h"
#else
#include "platform/machine/DefaultMachine.h"
#include "platform/machine/EmulatedSystem.h"
#endif

namespace qmplatform {

System::System(SystemParts parts) : parts_(std::move(parts)) {
    const std::pair<const void*, const char*> required[] = {
        {parts_.registry.get(), "registry"},       {parts_.text.get(), "text"},
        {parts_.environment.get(), "environment"}, {parts_.shellFolders.get(), "shellFolders"},
        {parts_.files.get(), "files"},             {parts_.services.get(), "services"},
        {parts_.power.get(), "power"},             {parts_.clock.get(), "clock"},
        {parts_.libraries.get(), "libraries"},     {parts_.versionInfo.get(), "versionInfo"},
        {parts_.messages.get(), "messages"},       {parts_.eventLog.get(), "eventLog"}};
    for (const auto& [part, name] : required) {
        if (part == nullptr) {
            throw std::invalid_argument(std::string("System: no ") + name);
        }
    }
}

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
