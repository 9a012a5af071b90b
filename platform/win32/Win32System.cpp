#include "win32/Win32System.h"

#include "win32/Win32Backends.h"
#include "win32/Win32DynamicLibraries.h"
#include "win32/Win32Registry.h"
#include "win32/Win32Resources.h"

namespace qmplatform {

namespace {

class Win32System final : public System {
public:
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
    std::unique_ptr<Registry> registry_ = makeWin32Registry();
    std::unique_ptr<TextCodec> text_ = makeWin32TextCodec();
    std::unique_ptr<Environment> environment_ = makeWin32Environment();
    std::unique_ptr<ShellFolders> shellFolders_ = makeWin32ShellFolders();
    std::unique_ptr<Files> files_ = makeWin32Files();
    std::unique_ptr<ServiceControl> services_ = makeWin32ServiceControl();
    std::unique_ptr<Power> power_ = makeWin32Power();
    std::unique_ptr<Clock> clock_ = makeSystemClock();
    std::unique_ptr<DynamicLibraries> libraries_ = makeWin32DynamicLibraries();
    std::unique_ptr<VersionInfo> versionInfo_ = makeWin32VersionInfo();
    std::unique_ptr<MessageTables> messages_ = makeWin32MessageTables();
    std::unique_ptr<EventLog> eventLog_ = makeWin32EventLog();
};

} // namespace

std::unique_ptr<System> makeWin32System() {
    return std::make_unique<Win32System>();
}

} // namespace qmplatform
