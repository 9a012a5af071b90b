// Fresh machines and host files for the machine and backend tests.
#pragma once

#include <gtest/gtest.h>

#include "platform/machine/Machine.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace qmtest {

inline std::filesystem::path freshFolder(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / ("qm_" + name);
    std::filesystem::remove_all(dir);
    return dir;
}

// A new machine with the standard layout, under the test's own folder.
inline std::unique_ptr<qmplatform::emulated::Machine>
freshMachine(const std::string& name, qmplatform::emulated::MachineSettings settings = {}) {
    std::string error;
    auto machine = qmplatform::emulated::Machine::create(freshFolder(name), settings, error);
    EXPECT_TRUE(machine) << error;
    return machine;
}

inline void writeHostFile(const std::filesystem::path& path, const std::string& contents) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

inline std::string readHostFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace qmtest
