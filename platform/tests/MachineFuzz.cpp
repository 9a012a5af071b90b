// Untrusted input of the emulated machine: Windows paths from programs and
// files (mapped, appended, expanded) and machine.json as a user may edit it.
// The mapping must never lead out of the machine; settings that read back
// must write and read back the same.
#include "common/WindowsRules.h"
#include "platform/machine/Machine.h"
#include "platform/machine/MachineSettings.h"
#include "platform/Win32Codes.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace qmplatform;
using namespace qmplatform::emulated;

namespace {

// One machine for the whole run, removed when the fuzzer exits.
struct FuzzMachine {
    FuzzMachine() : root(fs::temp_directory_path() / ("qm_machine_fuzz_" + std::to_string(::getpid()))) {
        fs::remove_all(root);
        std::string error;
        machine = Machine::create(root, {}, error);
        if (!machine) {
            std::abort();
        }
        fs::create_directories(root / "drive_c" / "Program Files" / "Common Files" / "Quillmark" / "res");
        std::ofstream(root / "drive_c" / "Program Files" / "Common Files" / "Quillmark" / "QM_HSI.msi")
            << "x";
    }
    ~FuzzMachine() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    fs::path root;
    std::unique_ptr<Machine> machine;
};

Machine& machine() {
    static FuzzMachine instance;
    return *instance.machine;
}

bool within(const fs::path& path, const fs::path& root) {
    const fs::path relative = path.lexically_normal().lexically_relative(root.lexically_normal());
    return !relative.empty() && *relative.begin() != "..";
}

std::wstring wideFrom(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    if (data[0] & 1) {
        MachineSettings settings;
        std::string error;
        const auto json = nlohmann::ordered_json::parse(data + 1, data + size, nullptr, false);
        if (!json.is_discarded() && settingsFromJson(json, settings, error)) {
            nlohmann::ordered_json written = json;
            settingsToJson(settings, written);
            MachineSettings again;
            if (!settingsFromJson(written, again, error) || again.userName != settings.userName ||
                again.administrator != settings.administrator || again.environment != settings.environment ||
                again.services != settings.services || again.restarts != settings.restarts) {
                std::abort();
            }
        }
        return 0;
    }
    const std::wstring path = wideFrom(data + 1, size - 1);
    const fs::path host = machine().hostPath(path);
    if (!host.empty()) {
        if (!within(host, machine().root()) || machine().windowsPath(host).empty()) {
            std::abort();
        }
    }
    std::wstring appended = L"C:\\Program Files\\Common Files";
    if (pathAppendRules(appended, path) && appended.size() >= kMaxPath) {
        std::abort();
    }
    (void)pathCanonicalize(path);
    (void)expandEnvironmentText(path, [](std::wstring_view name) -> std::optional<std::wstring> {
        return machine().environmentVariable(name);
    });
    return 0;
}
