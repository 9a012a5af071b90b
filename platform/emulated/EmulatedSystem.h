// The System bundle of an emulated machine.
#pragma once

#include "emulated/EmulatedBackends.h"
#include "emulated/EmulatedDynamicLibraries.h"
#include "emulated/EmulatedEventLog.h"
#include "emulated/EmulatedMessageTables.h"
#include "emulated/EmulatedVersionInfo.h"
#include "emulated/Machine.h"
#include "emulated/registry/EmulatedRegistry.h"
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

class EmulatedSystem final : public System {
public:
    EmulatedSystem(std::unique_ptr<Machine> machine, const EmulatedSystemOptions& options);
    ~EmulatedSystem() override;

    Machine& machine() { return *machine_; }
    EmulatedRegistry& emulatedRegistry() { return *registry_; }
    // The loader, for the host file behind a loaded module (hostPathOf).
    EmulatedDynamicLibraries& emulatedLibraries() { return *libraries_; }

    Registry& registry() override { return *registry_; }
    TextCodec& text() override { return *text_; }
    Environment& environment() override { return *environment_; }
    ShellFolders& shellFolders() override { return *shellFolders_; }
    Files& files() override { return *files_; }
    ServiceControl& services() override { return *services_; }
    Power& power() override { return *power_; }
    Clock& clock() override { return *clock_; }
    DynamicLibraries& libraries() override { return *libraries_; }
    VersionInfo& versionInfo() override { return *versionInfo_; }
    MessageTables& messages() override { return *messages_; }
    EventLog& eventLog() override { return *eventLog_; }

private:
    std::unique_ptr<Machine> machine_;
    std::shared_ptr<Clock> clock_;
    std::unique_ptr<EmulatedRegistry> registry_;
    std::unique_ptr<TextCodec> text_;
    std::unique_ptr<EmulatedEnvironment> environment_;
    std::unique_ptr<EmulatedShellFolders> shellFolders_;
    std::unique_ptr<EmulatedFiles> files_;
    std::unique_ptr<EmulatedServiceControl> services_;
    std::unique_ptr<EmulatedPower> power_;
    std::unique_ptr<EmulatedDynamicLibraries> libraries_;
    std::unique_ptr<EmulatedVersionInfo> versionInfo_;
    std::unique_ptr<EmulatedMessageTables> messages_;
    std::unique_ptr<EmulatedEventLog> eventLog_;
};

// Null, with the reason in `error`, when `root` is not a machine folder.
std::unique_ptr<EmulatedSystem> makeEmulatedSystem(const std::filesystem::path& root,
                                                   const EmulatedSystemOptions& options, std::string& error);

} // namespace qmplatform::emulated
