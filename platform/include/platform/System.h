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

class System {
public:
    virtual ~System() = default;
    virtual Registry& registry() = 0;
    virtual TextCodec& text() = 0;
    virtual Environment& environment() = 0;
    virtual ShellFolders& shellFolders() = 0;
    virtual Files& files() = 0;
    virtual ServiceControl& services() = 0;
    virtual Power& power() = 0;
    virtual Clock& clock() = 0;
    virtual DynamicLibraries& libraries() = 0;
    virtual VersionInfo& versionInfo() = 0;
    // Messages of modules loaded through libraries().
    virtual MessageTables& messages() = 0;
    virtual EventLog& eventLog() = 0;
};

// Windows: the real system. Elsewhere: the machine that QUILLMARK_SYSROOT
// names, or the user's own copy of the shipped default machine.
// Null with the reason in `error` when no machine can be opened.
std::unique_ptr<System> makeDefaultSystem(std::string& error);
// The same, throwing std::runtime_error with the reason.
std::unique_ptr<System> makeDefaultSystem();

} // namespace qmplatform
