// Installs the DiscPrintMgr server into an emulated machine the way the host
// software's installer does on Windows: the module into the common program
// files and its class under HKEY_CLASSES_ROOT.
#pragma once

#include <filesystem>
#include <string>

namespace qmplatform {
class Registry;
namespace emulated {
class Machine;
}
} // namespace qmplatform

namespace discprintmgr {

inline constexpr const wchar_t* kInstalledModule =
    L"C:\\Program Files\\Common Files\\Quillmark\\DiscPrintMgr.dll";

// Copies `moduleFile` to kInstalledModule and registers it as the
// in-process server of DiscPrintMgr (ThreadingModel "Both").
bool installServer(const qmplatform::emulated::Machine& machine, qmplatform::Registry& registry,
                   const std::filesystem::path& moduleFile, std::string& error);

// True when the machine has the host software (SOFTWARE\Quillmark).
bool hasHostSoftware(qmplatform::Registry& registry);

} // namespace discprintmgr
