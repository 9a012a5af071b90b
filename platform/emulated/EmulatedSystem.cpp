#include "emulated/EmulatedSystem.h"

#include "emulated/EmulatedDynamicLibraries.h"
#include "emulated/EmulatedTextCodec.h"

namespace qmplatform::emulated {

EmulatedSystem::EmulatedSystem(std::unique_ptr<Machine> machine, const EmulatedSystemOptions& options)
    : machine_(std::move(machine)),
      clock_(options.clock ? options.clock : std::shared_ptr<Clock>(makeSystemClock())) {
    registry_ = std::make_unique<EmulatedRegistry>(
        EmulatedRegistry::Options{machine_->hiveFolder(), machine_->lockFile(), machine_->administrator()});
    text_ = makeEmulatedTextCodec();
    environment_ = std::make_unique<EmulatedEnvironment>(*machine_);
    shellFolders_ = std::make_unique<EmulatedShellFolders>(*machine_);
    files_ = std::make_unique<EmulatedFiles>(*machine_);
    services_ = std::make_unique<EmulatedServiceControl>(*machine_, *registry_, *clock_);
    power_ = std::make_unique<EmulatedPower>(*machine_);
    libraries_ = std::make_unique<EmulatedDynamicLibraries>(*machine_);
    versionInfo_ = std::make_unique<EmulatedVersionInfo>(*machine_);
    messages_ = std::make_unique<EmulatedMessageTables>(
        *machine_, *libraries_, [this](ModuleHandle module) { return libraries_->hostPathOf(module); });
    eventLog_ = std::make_unique<EmulatedEventLog>(*machine_);
}

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
