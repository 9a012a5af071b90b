// A private copy of a shipped sample machine, opened as an emulated system
// whose waits take no time.
#pragma once

#include <gtest/gtest.h>

#include "platform/machine/EmulatedSystem.h"
#include "platform/ManualClock.h"
#include "platform/RegKey.h"
#include "platform/RegistryData.h"
#include "platform/WindowsText.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace qmtest {

inline std::filesystem::path samplesDir() {
    const char* source = std::getenv("QM_SOURCE_DIR");
    return std::filesystem::path(source != nullptr ? source : QM_TEST_SOURCE_DIR) / "samples" / "machines";
}

struct SampleMachine {
    std::filesystem::path root;
    std::shared_ptr<qmplatform::ManualClock> clock = std::make_shared<qmplatform::ManualClock>();
    std::unique_ptr<qmplatform::emulated::EmulatedSystem> system;

    explicit SampleMachine(const std::string& name) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string folder =
            "qm_checks_" + std::string(test->test_suite_name()) + "_" + test->name() + "_" + name;
        for (char& c : folder) {
            if (c == '/') {
                c = '_';
            }
        }
        root = std::filesystem::path(::testing::TempDir()) / folder;
        std::filesystem::remove_all(root);
        std::filesystem::copy(samplesDir() / name, root, std::filesystem::copy_options::recursive);
        reopen();
    }
    // A second look at the same folder, as the next run of a program sees it.
    void reopen() {
        system.reset();
        std::string error;
        qmplatform::emulated::EmulatedSystemOptions options;
        options.clock = clock;
        system = qmplatform::emulated::makeEmulatedSystem(root, options, error);
        ASSERT_TRUE(system) << error;
    }
    qmplatform::System& sys() { return *system; }
    qmplatform::Registry& registry() { return system->registry(); }
};

// Direct registry access for arranging and checking machine state.
inline void setHklmValue(qmplatform::Registry& registry, std::wstring_view key, std::wstring_view name,
                         const std::wstring* text, const std::uint32_t* number) {
    qmplatform::RegKey k;
    ASSERT_EQ(k.create(registry, qmplatform::RegRoot::LocalMachine, key, qmplatform::RegAccess::AllAccess),
              0);
    if (text != nullptr) {
        ASSERT_EQ(k.writeString(name, *text), 0);
    } else if (number != nullptr) {
        ASSERT_EQ(k.writeDword(name, *number), 0);
    } else {
        ASSERT_EQ(k.deleteValue(name), 0);
    }
}

inline bool hklmKeyExists(qmplatform::Registry& registry, std::wstring_view key) {
    qmplatform::RegKey k;
    return k.open(registry, qmplatform::RegRoot::LocalMachine, key, qmplatform::RegAccess::Read) == 0;
}

inline long readHklm(qmplatform::Registry& registry, std::wstring_view key, std::wstring_view name,
                     qmplatform::RegValue& out) {
    qmplatform::RegKey k;
    const long opened = k.open(registry, qmplatform::RegRoot::LocalMachine, key, qmplatform::RegAccess::Read);
    return opened != 0 ? opened : k.get()->queryValue(name, out);
}

} // namespace qmtest
