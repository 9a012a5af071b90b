// The registry backends a test runs against on this platform: the emulated
// machine everywhere, the real registry on Windows (under Wine in the
// Windows lane). Tests that change the real registry work below a scratch
// key of HKEY_CURRENT_USER.
#pragma once

#include "platform/Registry.h"
#include "platform/TextCodec.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace regtest {

struct Backend {
    std::string name;
    std::function<std::unique_ptr<qmplatform::Registry>(const std::filesystem::path& scratchDir)> make;
    std::function<std::unique_ptr<qmplatform::TextCodec>()> codec;
};

std::vector<Backend> backends();

// Test names and failures show the backend by its name.
inline void PrintTo(const Backend& backend, std::ostream* os) {
    *os << backend.name;
}

// An empty folder of its own below the test temporary folder.
std::filesystem::path freshDir(const std::string& name);

// The key and every key below it.
void deleteTree(qmplatform::Registry& registry, qmplatform::RegRoot root, const std::wstring& path);

// A name for the running test, usable as a file or key name.
std::string currentTestName();

} // namespace regtest
