#include "diagtool/replay/HostSoftware.h"

#include "PrintEngineInstall.h"
#include "discprintmgr/Install.h"

#include "platform/machine/EmulatedBackends.h"
#include "platform/machine/EmulatedRegistry.h"
#include "platform/machine/Machine.h"
#include "platform/WindowsText.h"

#include <memory>

namespace qmreplay {

namespace fs = std::filesystem;
using namespace qmplatform;
using namespace qmplatform::emulated;

HostSoftwareSources builtHostSoftware() {
    return {qmprtens::builtPrintEngines(), fs::path(QM_DISCPRINTMGR_MODULE)};
}

namespace {

// The print engine goes where the installer marker shows the host software.
bool installEngine(Machine& machine, const fs::path& engines, std::vector<std::string>& done, std::string& error) {
    const EmulatedShellFolders folders(machine);
    std::wstring enginePath;
    if (!qmprtens::printEngineInstallPath(folders, enginePath)) {
        return true;
    }
    const std::wstring marker = enginePath.substr(0, enginePath.rfind(L'\\')) + L"\\QM_HSI.msi";
    std::error_code ec;
    if (!fs::is_regular_file(machine.hostPath(marker), ec)) {
        return true;
    }
    if (!qmprtens::installPrintEngine(machine, folders, engines, error)) {
        return false;
    }
    done.push_back("installed the print engine as " + toUtf8(enginePath));
    return true;
}

// The server goes into every machine that has the host software. Installing
// is the owner's work: it writes HKEY_LOCAL_MACHINE whatever rights the
// machine gives its programs.
bool installServer(const Machine& machine, const fs::path& module, std::vector<std::string>& done,
                   std::string& error) {
    EmulatedRegistry registry({machine.hiveFolder(), machine.lockFile(), true});
    if (!discprintmgr::hasHostSoftware(registry)) {
        return true;
    }
    if (!discprintmgr::installServer(machine, registry, module, error)) {
        return false;
    }
    done.push_back("installed DiscPrintMgr from " + module.string());
    return true;
}

} // namespace

bool installHostSoftware(const fs::path& dir, const HostSoftwareSources& sources, std::vector<std::string>& done,
                         std::string& error) {
    const std::unique_ptr<Machine> machine = Machine::open(dir, error);
    if (!machine) {
        return false;
    }
    const HostSoftwareSources built = builtHostSoftware();
    const fs::path engines = sources.printEngines.empty() ? built.printEngines : sources.printEngines;
    const fs::path server = sources.serverModule.empty() ? built.serverModule : sources.serverModule;
    return installEngine(*machine, engines, done, error) && installServer(*machine, server, done, error);
}

} // namespace qmreplay
