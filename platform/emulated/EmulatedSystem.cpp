#include "platform/machine/EmulatedSystem.h"

#include "platform/machine/EmulatedDynamicLibraries.h"
#include "emulated/EmulatedEventLog.h"
#include "emulated/EmulatedMessageTables.h"
#include "emulated/EmulatedVersionInfo.h"
#include "emulated/EmulatedTextCodec.h"

namespace qmplatform::emulated {

namespace {

SystemParts partsOn(Machine& m, const EmulatedSystemOptions& options) {
    SystemParts parts;
    parts.clock = options.clock ? options.clock : std::shared_ptr<Clock>(makeSystemClock());
    auto registry = std::make_shared<EmulatedRegistry>(
        EmulatedRegistry::Options{m.hiveFolder(), m.lockFile(), m.administrator()});
    auto libraries = std::make_shared<EmulatedDynamicLibraries>(m);
    parts.registry = registry;
    parts.text = makeEmulatedTextCodec();
    parts.environment = std::make_shared<EmulatedEnvironment>(m);
    parts.shellFolders = std::make_shared<EmulatedShellFolders>(m);
    parts.files = std::make_shared<EmulatedFiles>(m);
    parts.services = std::make_shared<EmulatedServiceControl>(m, *registry, *parts.clock);
    parts.power = std::make_shared<EmulatedPower>(m);
    parts.libraries = libraries;
    parts.versionInfo = std::make_shared<EmulatedVersionInfo>(m);
    parts.messages = std::make_shared<EmulatedMessageTables>(*libraries);
    parts.eventLog = std::make_shared<EmulatedEventLog>(m);
    return parts;
}

} // namespace

EmulatedSystem::EmulatedSystem(std::unique_ptr<Machine> machine, const EmulatedSystemOptions& options)
    : MachineOwner{std::move(machine)}, System(partsOn(*MachineOwner::machine, options)),
      // The parts were made just above, of these types.
      registry_(static_cast<EmulatedRegistry*>(&registry())),
      libraries_(static_cast<EmulatedDynamicLibraries*>(&libraries())) {}

EmulatedSystem::~EmulatedSystem() = default;

std::unique_ptr<EmulatedSystem> makeEmulatedSystem(const std::filesystem::path& root,
                                                   const EmulatedSystemOptions& options, std::string& error) {
    std::unique_ptr<Machine> machine = Machine::open(root, Machine::Options{options.programPath}, error);
    if (!machine) {
        return nullptr;
    }
    return std::make_unique<EmulatedSystem>(std::move(machine), options);
}

} // namespace qmplatform::emulated
