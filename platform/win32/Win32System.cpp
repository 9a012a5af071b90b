#include "win32/Win32System.h"

#include "win32/Win32Backends.h"
#include "win32/Win32DynamicLibraries.h"
#include "win32/Win32Registry.h"
#include "win32/Win32Resources.h"

namespace qmplatform {

std::unique_ptr<System> makeWin32System() {
    SystemParts parts;
    parts.registry = makeWin32Registry();
    parts.text = makeWin32TextCodec();
    parts.environment = makeWin32Environment();
    parts.shellFolders = makeWin32ShellFolders();
    parts.files = makeWin32Files();
    parts.services = makeWin32ServiceControl();
    parts.power = makeWin32Power();
    parts.clock = makeSystemClock();
    parts.libraries = makeWin32DynamicLibraries();
    parts.versionInfo = makeWin32VersionInfo();
    parts.messages = makeWin32MessageTables();
    parts.eventLog = makeWin32EventLog();
    return std::make_unique<System>(std::move(parts));
}

} // namespace qmplatform
