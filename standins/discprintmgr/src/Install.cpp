#include "discprintmgr/Install.h"

#include "contracts/QMCAPI.h"

#include "platform/machine/Machine.h"
#include "platform/RegKey.h"
#include "platform/Registry.h"

namespace discprintmgr {

namespace fs = std::filesystem;
using namespace qmplatform;

bool installServer(const emulated::Machine& machine, Registry& registry, const fs::path& moduleFile,
                   std::string& error) {
    const fs::path target = machine.hostPath(kInstalledModule);
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (!fs::copy_file(moduleFile, target, fs::copy_options::overwrite_existing, ec)) {
        error = "cannot install " + moduleFile.string() + ": " + ec.message();
        return false;
    }
    // Rebuilt modules keep their permissions, so a read-only source stays
    // replaceable by the next install.
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, ec);

    const std::wstring clsid = com::guidToString(QMCAPILib::CLSID_DiscPrintMgr);
    RegKey key;
    long rc = key.create(registry, RegRoot::ClassesRoot, L"CLSID\\" + clsid + L"\\InprocServer32",
                         RegAccess::AllAccess);
    if (rc == kErrorSuccess) {
        rc = key.writeString(L"", kInstalledModule);
    }
    if (rc == kErrorSuccess) {
        rc = key.writeString(L"ThreadingModel", L"Both");
    }
    if (rc != kErrorSuccess) {
        error = "cannot register DiscPrintMgr: registry error " + std::to_string(rc);
        return false;
    }
    return true;
}

bool hasHostSoftware(Registry& registry) {
    RegKey key;
    return key.open(registry, RegRoot::LocalMachine, L"SOFTWARE\\Quillmark", RegAccess::Read) ==
           kErrorSuccess;
}

} // namespace discprintmgr
