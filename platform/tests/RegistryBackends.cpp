#include "RegistryBackends.h"

#include "emulated/EmulatedTextCodec.h"
#include "platform/machine/EmulatedRegistry.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "win32/Win32Registry.h"
#endif

namespace fs = std::filesystem;
using namespace qmplatform;

namespace regtest {

std::vector<Backend> backends() {
    std::vector<Backend> all;
    all.push_back({"emulated",
                   [](const fs::path& dir) -> std::unique_ptr<Registry> {
                       return std::make_unique<emulated::EmulatedRegistry>(
                           emulated::EmulatedRegistry::Options{dir / "registry", dir / "machine.lock", true});
                   },
                   [] { return makeEmulatedTextCodec(); }});
#ifdef _WIN32
    all.push_back(
        {"win32", [](const fs::path&) { return makeWin32Registry(); }, [] { return makeWin32TextCodec(); }});
#endif
    return all;
}

fs::path freshDir(const std::string& name) {
    const fs::path dir = fs::path(::testing::TempDir()) / ("qm_reg_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void deleteTree(Registry& registry, RegRoot root, const std::wstring& path) {
    std::unique_ptr<RegistryKey> key;
    if (registry.openKey(root, path, RegAccess::Read, key) != kErrorSuccess) {
        return;
    }
    std::vector<std::wstring> children;
    std::wstring name;
    for (std::uint32_t i = 0; key->enumKey(i, name) == kErrorSuccess; ++i) {
        children.push_back(name);
    }
    key.reset();
    for (const std::wstring& child : children) {
        deleteTree(registry, root, path + L"\\" + child);
    }
    (void)registry.deleteKey(root, path);
}

std::string currentTestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return name;
}

} // namespace regtest
