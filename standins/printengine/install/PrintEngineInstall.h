// The host software's installer step for the print engine: the engine goes
// to "<common program files>\Quillmark\QMPrtEn.dll" on the machine, where the
// probe tools find it through their PATH extension.
#pragma once

#include "platform/System.h"

#include <filesystem>
#include <string>

namespace qmplatform::emulated {
class Machine;
}

namespace qmprtens {

// The machine's Windows path of the installed engine.
bool printEngineInstallPath(const qmplatform::ShellFolders& shellFolders, std::wstring& out);

// Copies the built engine into the machine. `builds` holds one folder per
// build variant (full, without-<entry>), each with Quillmark/QMPrtEn.dll; the
// machine's "printEngine.leaveOut" setting picks the variant.
bool installPrintEngine(qmplatform::emulated::Machine& machine, const qmplatform::ShellFolders& shellFolders,
                        const std::filesystem::path& builds, std::string& error);

// The folder of the engine builds made with this program's build.
std::filesystem::path builtPrintEngines();

} // namespace qmprtens
