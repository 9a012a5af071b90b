// The library loader of the emulated machine. It finds a library the way
// Windows does and opens what it finds inside the machine folder:
//   - a PE file ("MZ" and a "PE\0\0" header) becomes a resource module: its
//     handle stands for the file, whose version resources and message tables
//     the resource readers take from hostPathOf(); no entry resolves;
//   - an ELF shared object of this platform (a stand-in of an outside
//     component, installed under its Windows name such as QMPrtEn.dll) is
//     opened with dlopen and its entries resolve with dlsym; loaded as a
//     data file it is refused, as Windows refuses what is not a PE file;
//   - anything else fails with kErrorBadExeFormat, a missing file with
//     kErrorModNotFound, and a folder of the name met first in the search
//     with kErrorAccessDenied.
// Modules are counted per file like Windows': loading a file again gives the
// same handle, and it goes when every load has been freed. Loaded as a data
// file (kLoadLibraryAsDatafile), a file gets a handle of its own at every
// load, which has no module file name, unless the file is loaded as a
// module already; then that module is counted once more.
#pragma once

#include "platform/DynamicLibraries.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform::emulated {

class Machine;

// Where a bare library name is looked for, in this order.
struct LibrarySearchFolders {
    std::wstring programFolder; // empty: the program is not on the machine
    std::vector<std::wstring> systemFolders;
    std::wstring pathVariable; // PATH as the program's environment has it
};

// The Windows paths the loader tries for `name`, in order. A name without an
// extension means "name.dll" ("name." means the file "name"). A full path is
// tried as it stands; a relative path with folders is taken from the
// program's folder, which is where a Windows program normally starts. A bare
// name is tried in the program's folder, the system folders, then each
// absolute folder of PATH. (Windows also tries the current directory before
// PATH; the machine has no current directory.) Empty for an empty name.
std::vector<std::wstring> librarySearchCandidates(std::wstring_view name,
                                                  const LibrarySearchFolders& folders);

class EmulatedDynamicLibraries final : public DynamicLibraries {
public:
    // The machine gives the path mapping, the program's path, the system
    // folders and the environment (whose PATH is read at every load, so
    // changes the program makes count).
    explicit EmulatedDynamicLibraries(const Machine& machine);
    // Closes what is still open.
    ~EmulatedDynamicLibraries() override;
    EmulatedDynamicLibraries(const EmulatedDynamicLibraries&) = delete;
    EmulatedDynamicLibraries& operator=(const EmulatedDynamicLibraries&) = delete;

    ModuleHandle load(std::wstring_view nameOrPath, std::uint32_t flags, long& error) override;
    void* resolve(ModuleHandle module, const char* entryName) override;
    bool free(ModuleHandle module) override;
    // A module gives the Windows path it was found at (kErrorModNotFound for
    // a data file, as on Windows). The program gives
    // the machine's program path; a program running from outside the
    // machine gives its own file in Wine's form for host paths ("Z:\...").
    long moduleFileName(ModuleHandle module, std::wstring& out) override;
    std::uint32_t setErrorMode(std::uint32_t mode) override;

    // The file on the host behind a loaded module; empty for anything else.
    std::filesystem::path hostPathOf(ModuleHandle module) const;
    // The bytes of a loaded module's file, read when first asked for and
    // kept while the module stays loaded, as Windows keeps a loaded module
    // mapped: a resource reader does not read the file again for every
    // message. Null with `error` for an unknown handle or an unreadable file.
    std::shared_ptr<const std::vector<std::uint8_t>> imageOf(ModuleHandle module, long& error) const;

private:
    struct Module;
    Module* find(ModuleHandle module) const;

    const Machine& machine_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Module>> modules_;
    std::atomic<std::uint32_t> errorMode_{0};
};

} // namespace qmplatform::emulated
