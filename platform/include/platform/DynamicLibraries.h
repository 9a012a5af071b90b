// Loading libraries by name or path and resolving their entries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qmplatform {

// Opaque module handle: the HMODULE on Windows, the loader's own elsewhere.
struct ModuleTag;
using ModuleHandle = ModuleTag*;

class DynamicLibraries {
public:
    virtual ~DynamicLibraries() = default;
    // LoadLibraryExW: a name without extension means a ".dll" file; a bare
    // name is searched in the program's folder, the system folders, then the
    // folders of PATH. Null on failure, with the Windows error in `error`.
    // With kLoadLibraryAsDatafile the file is mapped for its resources only:
    // no entry resolves and it has no module file name.
    virtual ModuleHandle load(std::wstring_view nameOrPath, std::uint32_t flags, long& error) = 0;
    // GetProcAddress: null when the module has no such entry (error 127).
    virtual void* resolve(ModuleHandle module, const char* entryName) = 0;
    // FreeLibrary. Its result is the one status not marked [[nodiscard]]:
    // a module that will not unload leaves the caller nothing to do.
    virtual bool free(ModuleHandle module) = 0;
    // GetModuleFileNameW; a null module names the running program.
    [[nodiscard]] virtual long moduleFileName(ModuleHandle module, std::wstring& out) = 0;
    // SetErrorMode: returns the previous mode.
    virtual std::uint32_t setErrorMode(std::uint32_t mode) = 0;
};

// Owns one loaded module and frees it on every way out of a scope.
class ScopedModule {
public:
    ScopedModule(DynamicLibraries& libraries, ModuleHandle module) : libraries_(&libraries), module_(module) {}
    ~ScopedModule() {
        if (module_ != nullptr) {
            libraries_->free(module_);
        }
    }
    ScopedModule(const ScopedModule&) = delete;
    ScopedModule& operator=(const ScopedModule&) = delete;
    ModuleHandle get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }

private:
    DynamicLibraries* libraries_;
    ModuleHandle module_;
};

} // namespace qmplatform
