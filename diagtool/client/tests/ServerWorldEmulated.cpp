#include "ServerWorld.h"

#include "discprintmgr/Install.h"

#include "platform/machine/EmulatedBackends.h"
#include "platform/machine/EmulatedDynamicLibraries.h"
#include "platform/machine/Machine.h"
#include "platform/machine/EmulatedRegistry.h"
#include "platform/com/ComRuntime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace qmplatform;

class EmulatedServerWorld final : public ServerWorld {
public:
    explicit EmulatedServerWorld(bool install) {
        static std::atomic<int> serial{0};
        root_ = fs::path(::testing::TempDir()) / ("dpm_world_" + std::to_string(serial++));
        fs::remove_all(root_);
        std::string error;
        machine_ = emulated::Machine::create(root_, emulated::MachineSettings{}, error);
        EXPECT_NE(machine_, nullptr) << error;
        registry_ = std::make_unique<emulated::EmulatedRegistry>(
            emulated::EmulatedRegistry::Options{machine_->hiveFolder(), machine_->lockFile(), true});
        environment_ = std::make_unique<emulated::EmulatedEnvironment>(*machine_);
        libraries_ = std::make_unique<emulated::EmulatedDynamicLibraries>(*machine_);
        if (install) {
            EXPECT_TRUE(discprintmgr::installServer(*machine_, *registry_, QM_DISCPRINTMGR_MODULE, error))
                << error;
        }
        binding_ = std::make_unique<com::ScopedRuntimeBinding>(
            com::RuntimeBinding{registry_.get(), libraries_.get(), environment_.get()});
    }
    ~EmulatedServerWorld() override {
        binding_.reset();
        libraries_.reset();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    void setServerSettings(const nlohmann::ordered_json& section) override {
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
        long error = 0;
        const ModuleHandle module = libraries_->load(discprintmgr::kInstalledModule, 0, error);
        if (module == nullptr) {
            return -1;
        }
        auto count = reinterpret_cast<LONG (*)()>(libraries_->resolve(module, "DiscPrintMgrLiveObjects"));
        const LONG live = count != nullptr ? count() : -1;
        libraries_->free(module);
        return live;
    }

private:
    fs::path root_;
    std::unique_ptr<emulated::Machine> machine_;
    std::unique_ptr<emulated::EmulatedRegistry> registry_;
    std::unique_ptr<emulated::EmulatedEnvironment> environment_;
    std::unique_ptr<emulated::EmulatedDynamicLibraries> libraries_;
    std::unique_ptr<com::ScopedRuntimeBinding> binding_;
};

} // namespace

std::unique_ptr<ServerWorld> makeServerWorld() {
    return std::make_unique<EmulatedServerWorld>(true);
}

std::unique_ptr<ServerWorld> makeWorldWithoutServer() {
    return std::make_unique<EmulatedServerWorld>(false);
}
