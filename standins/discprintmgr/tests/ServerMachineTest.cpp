// Which machine the server module reads: the one it is installed in, else
// the one QUILLMARK_SYSROOT names (a module on drive C: of a real Windows
// cannot see the machine folder above that drive). The built module lies
// in the build tree, outside every machine, so only the variable can lead
// it to one.
#include "contracts/QMCAPI.h"

#include "platform/machine/Machine.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <dlfcn.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace QMCAPILib;

using GetClassObject = HRESULT (*)(REFCLSID, REFIID, LPVOID*);

struct Case {
    const char* name;
    int drives;                // in the machine's settings; -1: the folder is no machine
    bool setVariable;          // QUILLMARK_SYSROOT names the folder
    std::optional<LONG> count; // what the enumeration counts, or none: it fails
};

class ServerMachine : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        module_ = dlopen(QM_DISCPRINTMGR_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
        getClassObject_ = reinterpret_cast<GetClassObject>(dlsym(module_, "DllGetClassObject"));
        ASSERT_NE(getClassObject_, nullptr);
        if (const char* old = getenv("QUILLMARK_SYSROOT")) {
            saved_ = old;
        }
    }
    void TearDown() override {
        if (saved_) {
            setenv("QUILLMARK_SYSROOT", saved_->c_str(), 1);
        } else {
            unsetenv("QUILLMARK_SYSROOT");
        }
        if (module_ != nullptr) {
            dlclose(module_);
        }
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    fs::path makeFolder(int drives) {
        static std::atomic<int> serial{0};
        root_ = fs::path(::testing::TempDir()) / ("dpm_machine_" + std::to_string(serial++));
        fs::remove_all(root_);
        if (drives < 0) {
            fs::create_directories(root_ / "drive_c");
            return root_;
        }
        std::string error;
        const auto machine = qmplatform::emulated::Machine::create(root_, {}, error);
        EXPECT_NE(machine, nullptr) << error;
        EXPECT_TRUE(machine->updateSettings(
            [&](nlohmann::ordered_json& document, std::string&) {
                auto list = nlohmann::ordered_json::array();
                for (int i = 0; i < drives; ++i) {
                    list.push_back({{"path", std::string(1, static_cast<char>('E' + i))}});
                }
                document["discPrintMgr"] = {{"drives", list}};
                return true;
            },
            error))
            << error;
        return root_;
    }

    // The enumeration's count, or none when the manager cannot enumerate.
    std::optional<LONG> countDrives() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(getClassObject_(CLSID_DiscPrintMgr, IID_IClassFactory, reinterpret_cast<LPVOID*>(&factory)),
                  S_OK);
        if (factory == nullptr) {
            return std::nullopt;
        }
        IDiscPrintMgr* manager = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDiscPrintMgr, reinterpret_cast<void**>(&manager)),
                  S_OK);
        factory->Release();
        if (manager == nullptr) {
            return std::nullopt;
        }
        IEnumDiscPrinters* printers = nullptr;
        std::optional<LONG> result;
        if (manager->EnumDiscPrinters(&printers) == S_OK && printers != nullptr) {
            LONG count = -1;
            if (printers->Count(&count) == S_OK) {
                result = count;
            }
            printers->Release();
        }
        manager->Release();
        return result;
    }

    void* module_ = nullptr;
    GetClassObject getClassObject_ = nullptr;
    std::optional<std::string> saved_;
    fs::path root_;
};

TEST_P(ServerMachine, ReadsTheMachineTheVariableNamesWhenItLiesInNone) {
    const Case& c = GetParam();
    const fs::path folder = makeFolder(c.drives);
    if (c.setVariable) {
        setenv("QUILLMARK_SYSROOT", folder.c_str(), 1);
    } else {
        unsetenv("QUILLMARK_SYSROOT");
    }
    EXPECT_EQ(countDrives(), c.count);
}

INSTANTIATE_TEST_SUITE_P(Machines, ServerMachine,
                         ::testing::Values(Case{"named", 3, true, 3}, Case{"namedWithoutDrives", 0, true, 0},
                                           Case{"notNamed", 3, false, std::nullopt},
                                           Case{"namedButNoMachine", -1, true, std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
