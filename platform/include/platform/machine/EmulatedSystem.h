// The System bundle of an emulated machine.
#pragma once

#include "platform/machine/EmulatedBackends.h"
#include "platform/machine/EmulatedDynamicLibraries.h"
#include "platform/machine/Machine.h"
#include "platform/machine/EmulatedRegistry.h"
#include "platform/System.h"

#include <filesystem>
#include <memory>
#include <string>

namespace qmplatform::emulated {

struct EmulatedSystemOptions {
    // Waits (the service start loop) go through it; null: the system clock.
    std::shared_ptr<Clock> clock;
    // Windows path of the running program on the machine (Machine::Options).
    std::wstring programPath;
};

namespace detail {
// Holds the machine for EmulatedSystem: a base listed before System, so the
// machine is made before the parts and outlives them.
struct MachineOwner {
    std::unique_ptr<Machine> machine;
};
} // namespace detail

class EmulatedSystem final : private detail::MachineOwner, public System {
public:
    EmulatedSystem(std::unique_ptr<Machine> machine, const EmulatedSystemOptions& options);
    ~EmulatedSystem() override;

    Machine& machine() { return *MachineOwner::machine; }
    EmulatedRegistry& emulatedRegistry() { return *registry_; }
    // The loader, for the host file behind a loaded module (hostPathOf).
    EmulatedDynamicLibraries& emulatedLibraries() { return *libraries_; }

private:
    EmulatedRegistry* registry_;
    EmulatedDynamicLibraries* libraries_;
};

// Null, with the reason in `error`, when `root` is not a machine folder.
std::unique_ptr<EmulatedSystem> makeEmulatedSystem(const std::filesystem::path& root,
                                                   const EmulatedSystemOptions& options, std::string& error);

} // namespace qmplatform::emulated
