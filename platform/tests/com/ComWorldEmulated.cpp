// The suite's own COM runtime on a fresh emulated machine: the test server
// and a plain module installed under Program Files and registered in the
// machine's registry, as the host software's installer registers its server.
#include "ComWorld.h"

#include "TestServer.h"

#include "platform/machine/EmulatedBackends.h"
#include "platform/machine/EmulatedDynamicLibraries.h"
#include "platform/machine/Machine.h"
#include "platform/machine/EmulatedRegistry.h"
#include "platform/RegistryData.h"
#include "platform/com/ComRuntime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace qmplatform;

constexpr const wchar_t* kFolder = L"C:\\Program Files\\Quillmark Tests\\";

class EmulatedComWorld final : public ComWorld {
public:
    EmulatedComWorld() {
        static std::atomic<int> serial{0};
        root_ = fs::path(::testing::TempDir()) / ("com_world_" + std::to_string(serial++));
        fs::remove_all(root_);
        std::string error;
        machine_ = emulated::Machine::create(root_, emulated::MachineSettings{}, error);
        EXPECT_NE(machine_, nullptr) << error;
        registry_ = std::make_unique<emulated::EmulatedRegistry>(
            emulated::EmulatedRegistry::Options{machine_->hiveFolder(), machine_->lockFile(), true});
        environment_ = std::make_unique<emulated::EmulatedEnvironment>(*machine_);
        libraries_ = std::make_unique<emulated::EmulatedDynamicLibraries>(*machine_);

        install(QM_TEST_SERVER_FILE, L"QmTestSrv.dll");
        install(QM_TEST_MODULE_FILE, L"QmTestMod.dll");
        std::ofstream(machine_->hostPath(std::wstring(kFolder) + L"QmBadFormat.dll"))
            << "This is no module.\n";
        // Registered through an environment reference, as installers often do.
        registerClass(CLSID_QmTestCounter, L"%ProgramFiles%\\Quillmark Tests\\QmTestSrv.dll", kRegExpandSz);
        registerClass(CLSID_QmTestUnserved, serverPath(), kRegSz);
        registerClass(CLSID_QmTestMissingModule, std::wstring(kFolder) + L"QmMissing.dll", kRegSz);
        registerClass(CLSID_QmTestNoEntry, std::wstring(kFolder) + L"QmTestMod.dll", kRegSz);
        registerClass(CLSID_QmTestBadFormat, std::wstring(kFolder) + L"QmBadFormat.dll", kRegSz);
        binding_ = std::make_unique<com::ScopedRuntimeBinding>(
            com::RuntimeBinding{registry_.get(), libraries_.get(), environment_.get()});
    }
    ~EmulatedComWorld() override {
        binding_.reset();
        libraries_.reset();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    DynamicLibraries& libraries() override { return *libraries_; }
    std::wstring serverPath() const override { return std::wstring(kFolder) + L"QmTestSrv.dll"; }
    HRESULT failureResult(Failure failure, DWORD) const override { return windowsFailureResult(failure); }

private:
    void install(const char* from, const wchar_t* name) {
        std::error_code ec;
        const fs::path to = machine_->hostPath(std::wstring(kFolder) + name);
        fs::create_directories(to.parent_path(), ec);
        EXPECT_TRUE(fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec)) << ec.message();
    }

    void registerClass(REFCLSID clsid, const std::wstring& module, std::uint32_t type) {
        std::unique_ptr<RegistryKey> key;
        const std::wstring path = L"CLSID\\" + com::guidToString(clsid) + L"\\InprocServer32";
        ASSERT_EQ(registry_->createKey(RegRoot::ClassesRoot, path, RegAccess::AllAccess, key), kErrorSuccess);
        ASSERT_EQ(key->setValue(L"", type, regSzData(module)), kErrorSuccess);
        ASSERT_EQ(key->setValue(L"ThreadingModel", kRegSz, regSzData(L"Both")), kErrorSuccess);
    }

    fs::path root_;
    std::unique_ptr<emulated::Machine> machine_;
    std::unique_ptr<emulated::EmulatedRegistry> registry_;
    std::unique_ptr<emulated::EmulatedEnvironment> environment_;
    std::unique_ptr<emulated::EmulatedDynamicLibraries> libraries_;
    std::unique_ptr<com::ScopedRuntimeBinding> binding_;
};

} // namespace

std::unique_ptr<ComWorld> makeComWorld() {
    return std::make_unique<EmulatedComWorld>();
}
