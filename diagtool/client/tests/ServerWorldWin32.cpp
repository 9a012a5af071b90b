// The system's COM. The CTest fixture copied DiscPrintMgr.dll into a machine
// folder of the build tree and registered it in the Wine prefix (or on
// Windows), as the host software's installer would.
#include "ServerWorld.h"

#include "platform/machine/Machine.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

namespace {

std::wstring windowsForm(const char* path) {
    std::wstring wide(path, path + std::char_traits<char>::length(path));
    if (!wide.empty() && wide.front() == L'/') {
        wide = L"Z:" + wide;
    }
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
}

class Win32ServerWorld final : public ServerWorld {
public:
    Win32ServerWorld() {
        std::string error;
        // The registry is the system's own: of the machine folder only its
        // settings are read, as the server does.
        qmplatform::emulated::Machine::Options settingsOnly;
        settingsOnly.needsHives = false;
        machine_ = qmplatform::emulated::Machine::open(std::filesystem::path(windowsForm(QM_SERVER_MACHINE)),
                                                       settingsOnly, error);
        EXPECT_NE(machine_, nullptr) << error;
    }
    void setServerSettings(const nlohmann::ordered_json& section) override {
        ASSERT_NE(machine_, nullptr);
        std::string error;
        ASSERT_TRUE(machine_->updateSettings(
            [&](nlohmann::ordered_json& document, std::string&) {
                document["discPrintMgr"] = section;
                return true;
            },
            error))
            << error;
    }
    nlohmann::ordered_json serverSettings() override { return machine_->settingsDocument()["discPrintMgr"]; }
    std::filesystem::path hostPath(const std::wstring& windowsPath) override {
        return machine_->hostPath(windowsPath);
    }
    LONG serverObjects() override {
        // Loaded by COM already; this only finds it.
        const HMODULE module = GetModuleHandleW(L"DiscPrintMgr.dll");
        if (module == nullptr) {
            return 0;
        }
        auto count = reinterpret_cast<LONG (*)()>(
            reinterpret_cast<void*>(GetProcAddress(module, "DiscPrintMgrLiveObjects")));
        return count != nullptr ? count() : -1;
    }

private:
    std::unique_ptr<qmplatform::emulated::Machine> machine_;
};

} // namespace

std::unique_ptr<ServerWorld> makeServerWorld() {
    return std::make_unique<Win32ServerWorld>();
}

std::unique_ptr<ServerWorld> makeWorldWithoutServer() {
    return nullptr;
}
