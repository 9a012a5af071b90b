#include "PrintEngineInstall.h"

#include "platform/machine/Machine.h"
#include "platform/ShellFolders.h"
#include "platform/Win32Codes.h"

#include <nlohmann/json.hpp>

namespace qmprtens {

bool printEngineInstallPath(const qmplatform::ShellFolders& shellFolders, std::wstring& out) {
    std::wstring path;
    if (shellFolders.folderPath(qmplatform::kCsidlProgramFilesCommon, path) != 0) {
        return false;
    }
    if (!qmplatform::pathAppend(path, L"Quillmark") || !qmplatform::pathAppend(path, L"QMPrtEn.dll")) {
        return false;
    }
    out = path;
    return true;
}

bool installPrintEngine(qmplatform::emulated::Machine& machine, const qmplatform::ShellFolders& shellFolders,
                        const std::filesystem::path& builds, std::string& error) {
    std::string variant = "full";
    const nlohmann::ordered_json settings = machine.settingsDocument();
    if (const auto engine = settings.find("printEngine"); engine != settings.end() && engine->is_object()) {
        if (const auto leaveOut = engine->find("leaveOut"); leaveOut != engine->end()) {
            if (!leaveOut->is_string()) {
                error = "printEngine.leaveOut is not an entry name";
                return false;
            }
            variant = "without-" + leaveOut->get<std::string>();
        }
    }
    const std::filesystem::path source = builds / variant / "Quillmark" / "QMPrtEn.dll";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(source, ec)) {
        error = "no engine build " + source.string();
        return false;
    }
    std::wstring target;
    if (!printEngineInstallPath(shellFolders, target)) {
        error = "the machine has no common program files folder";
        return false;
    }
    const std::filesystem::path host = machine.hostPath(target);
    if (host.empty()) {
        error = "cannot place the engine on the machine";
        return false;
    }
    std::filesystem::create_directories(host.parent_path(), ec);
    if (ec ||
        !std::filesystem::copy_file(source, host, std::filesystem::copy_options::overwrite_existing, ec)) {
        error = "cannot copy " + source.string() + " to " + host.string() + ": " + ec.message();
        return false;
    }
    return true;
}

std::filesystem::path builtPrintEngines() {
    return QMPRTEN_BUILDS;
}

} // namespace qmprtens
