// The system services a program reaches Windows through, as one bundle.
// A program takes the default at start (the real system on Windows, the
// emulated machine elsewhere); tests build whichever they need.
#pragma once

#include "platform/Clock.h"
#include "platform/DynamicLibraries.h"
#include "platform/Environment.h"
#include "platform/EventLog.h"
#include "platform/Files.h"
#include "platform/MessageTables.h"
#include "platform/Power.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/ShellFolders.h"
#include "platform/TextCodec.h"
#include "platform/VersionInfo.h"

#include <filesystem>
#include <memory>
#include <string>

namespace qmplatform {

// The services of one System. Each is shared, so that a System made from
// another's parts with one of them replaced (a read-only registry, failing
// files, a test clock) uses all the others as they are.
struct SystemParts {
    std::shared_ptr<Registry> registry;
    std::shared_ptr<TextCodec> text;
    std::shared_ptr<Environment> environment;
    std::shared_ptr<ShellFolders> shellFolders;
    std::shared_ptr<Files> files;
    std::shared_ptr<ServiceControl> services;
    std::shared_ptr<Power> power;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<DynamicLibraries> libraries;
    std::shared_ptr<VersionInfo> versionInfo;
    // Messages of modules loaded through libraries.
    std::shared_ptr<MessageTables> messages;
    std::shared_ptr<EventLog> eventLog;
};

// A part the caller keeps alive itself (a test double on the stack, a part
// of a System that outlives this one), shared without being owned.
template <class Part>
std::shared_ptr<Part> borrowed(Part& part) {
    return std::shared_ptr<Part>(std::shared_ptr<Part>(), &part);
}

class System {
public:
    // Throws std::invalid_argument naming the first part that is missing.
    explicit System(SystemParts parts);
    virtual ~System() = default;
    System(const System&) = delete;
    System& operator=(const System&) = delete;

    Registry& registry() { return *parts_.registry; }
    TextCodec& text() { return *parts_.text; }
    Environment& environment() { return *parts_.environment; }
    ShellFolders& shellFolders() { return *parts_.shellFolders; }
    Files& files() { return *parts_.files; }
    ServiceControl& services() { return *parts_.services; }
    Power& power() { return *parts_.power; }
    Clock& clock() { return *parts_.clock; }
    DynamicLibraries& libraries() { return *parts_.libraries; }
    VersionInfo& versionInfo() { return *parts_.versionInfo; }
    MessageTables& messages() { return *parts_.messages; }
    EventLog& eventLog() { return *parts_.eventLog; }

    // For a System made over this one: valid while this one lives, since
    // parts may refer to what only this one owns (an emulated machine).
    const SystemParts& parts() const { return parts_; }

private:
    SystemParts parts_;
};

// Windows: the real system. Elsewhere: the machine that QUILLMARK_SYSROOT
// names, or the user's own copy of the shipped default machine.
// Null with the reason in `error` when no machine can be opened.
std::unique_ptr<System> makeDefaultSystem(std::string& error);
// The same, throwing std::runtime_error with the reason.
std::unique_ptr<System> makeDefaultSystem();

} // namespace qmplatform
