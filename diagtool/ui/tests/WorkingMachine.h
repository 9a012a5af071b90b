// A working copy of a shipped sample machine, made the way a user makes one
// (`qmmachine create DIR --from SAMPLE`, which installs the host software's
// COM server where the sample has the host software), opened as an emulated
// system and bound to the COM runtime for the life of the object.
#pragma once

#include "QmMachineCommand.h"

#include "platform/machine/EmulatedSystem.h"
#include "platform/ManualClock.h"
#include "platform/com/ComRuntime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

namespace qmtest {

inline std::filesystem::path shippedSamples() {
    const char* source = std::getenv("QM_SOURCE_DIR");
    return std::filesystem::path(source != nullptr ? source : QM_TEST_SOURCE_DIR) / "samples" / "machines";
}

class WorkingMachine {
public:
    explicit WorkingMachine(const std::string& sample) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string folder =
            "qm_shell_" + std::string(test->test_suite_name()) + "_" + test->name() + "_" + sample;
        for (char& c : folder) {
            if (c == '/') {
                c = '_';
            }
        }
        root_ = std::filesystem::path(::testing::TempDir()) / folder;
        std::filesystem::remove_all(root_);
        std::ostringstream out, err;
        const int status = qmmachine::runQmMachine(
            {"create", root_.string(), "--from", sample, "--samples", shippedSamples().string()}, out, err);
        EXPECT_EQ(status, qmmachine::kExitOk) << err.str();
        system_ = open();
        if (system_) {
            binding_ = std::make_unique<qmplatform::com::ScopedRuntimeBinding>(*system_);
        }
    }
    ~WorkingMachine() {
        // The server's objects are gone by now; unbinding lets the loader go.
        binding_.reset();
        system_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    WorkingMachine(const WorkingMachine&) = delete;
    WorkingMachine& operator=(const WorkingMachine&) = delete;

    // Another system on the same folder, as a second program sees it.
    std::unique_ptr<qmplatform::emulated::EmulatedSystem> open() const {
        std::string error;
        qmplatform::emulated::EmulatedSystemOptions options;
        // Service starts and restarts wait on this clock, which never sleeps.
        options.clock = clock_;
        auto system = qmplatform::emulated::makeEmulatedSystem(root_, options, error);
        EXPECT_NE(system, nullptr) << error;
        return system;
    }

    bool ok() const { return system_ != nullptr; }
    qmplatform::emulated::EmulatedSystem& system() { return *system_; }
    const std::filesystem::path& root() const { return root_; }
    // A Windows path of the machine as a file on this host.
    std::filesystem::path hostPath(const std::wstring& windowsPath) const {
        return system_->machine().hostPath(windowsPath);
    }

private:
    std::filesystem::path root_;
    std::shared_ptr<qmplatform::ManualClock> clock_ = std::make_shared<qmplatform::ManualClock>();
    std::unique_ptr<qmplatform::emulated::EmulatedSystem> system_;
    std::unique_ptr<qmplatform::com::ScopedRuntimeBinding> binding_;
};

} // namespace qmtest
