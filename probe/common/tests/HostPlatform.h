// The running process's own loader, files and environment behind the
// platform interfaces, so the binding's tests can load the built engine the
// way the tools load the real one: by name, through PATH.
#pragma once

#include "platform/DynamicLibraries.h"
#include "platform/Environment.h"
#include "platform/Files.h"

#include <string>

namespace probe::testing {

// LoadLibraryExW and friends on Windows. Elsewhere dlopen, with a bare
// name searched in the folders of PATH (';'-separated, as on Windows).
class HostLibraries final : public qmplatform::DynamicLibraries {
public:
    qmplatform::ModuleHandle load(std::wstring_view nameOrPath, std::uint32_t flags, long& error) override;
    void* resolve(qmplatform::ModuleHandle module, const char* entryName) override;
    bool free(qmplatform::ModuleHandle module) override;
    long moduleFileName(qmplatform::ModuleHandle module, std::wstring& out) override;
    std::uint32_t setErrorMode(std::uint32_t mode) override;

private:
    std::uint32_t mode_ = 0;
};

class HostFiles final : public qmplatform::Files {
public:
    std::FILE* openForReading(std::wstring_view path) const override;
    bool listFolder(std::wstring_view, std::vector<qmplatform::FolderEntry>&) const override { return false; }
};

// The process environment, also as the C runtime's getenv sees it.
class ProcessEnvironment final : public qmplatform::Environment {
public:
    std::optional<std::wstring> get(std::wstring_view name) const override;
    bool set(std::wstring_view name, std::optional<std::wstring_view> value) override;
    std::wstring expand(std::wstring_view text) const override { return std::wstring(text); }
};

// A folder of the build as the test program sees it ("Z:\..." under Wine).
std::wstring hostFolder(const char* buildPath);

} // namespace probe::testing
