#include "platform/machine/EmulatedDynamicLibraries.h"

#include "platform/machine/Machine.h"

#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <system_error>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace qmplatform::emulated {

namespace {

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool hasDrive(std::wstring_view path) {
    return path.size() >= 2 && path[1] == L':' &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

// "C:\x" or "\x": a path that does not depend on a current directory.
bool isAbsolute(std::wstring_view path) {
    return (hasDrive(path) && path.size() >= 3 && isSeparator(path[2])) ||
           (!path.empty() && isSeparator(path[0]));
}

std::wstring_view lastComponent(std::wstring_view path) {
    const auto at = path.find_last_of(L"\\/");
    if (at != std::wstring_view::npos) {
        return path.substr(at + 1);
    }
    // "C:name" is a name on drive C:.
    return hasDrive(path) ? path.substr(2) : path;
}

std::wstring joinPath(std::wstring_view folder, std::wstring_view name) {
    std::wstring path(folder);
    if (!path.empty() && !isSeparator(path.back())) {
        path += L'\\';
    }
    path += name;
    return path;
}

// What a file holds, judged by its headers as Windows' loader and ld.so would.
enum class FileKind : std::uint8_t { Pe, Elf, ForeignElf, Other, Unreadable };

constexpr std::array<unsigned char, 4> kElfMagic = {0x7F, 'E', 'L', 'F'};
constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::size_t kElfClassByte = 4;
constexpr std::size_t kElfMachineField = 18;

#if defined(__x86_64__)
constexpr unsigned kOwnElfClass = 2;
constexpr unsigned kOwnElfMachine = 62; // EM_X86_64
#elif defined(__aarch64__)
constexpr unsigned kOwnElfClass = 2;
constexpr unsigned kOwnElfMachine = 183; // EM_AARCH64
#elif defined(__i386__)
constexpr unsigned kOwnElfClass = 1;
constexpr unsigned kOwnElfMachine = 3; // EM_386
#else
constexpr unsigned kOwnElfClass = 0;
constexpr unsigned kOwnElfMachine = 0;
#endif

FileKind fileKind(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return FileKind::Unreadable;
    }
    std::array<unsigned char, 64> head{};
    in.read(reinterpret_cast<char*>(head.data()), head.size());
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got >= 2 && head[0] == 'M' && head[1] == 'Z') {
        if (got < kPeOffsetField + 4) {
            return FileKind::Other;
        }
        const std::uint32_t peOffset = head[kPeOffsetField] | head[kPeOffsetField + 1] << 8 |
                                       head[kPeOffsetField + 2] << 16 |
                                       static_cast<std::uint32_t>(head[kPeOffsetField + 3]) << 24;
        std::array<char, 4> signature{};
        in.clear();
        in.seekg(peOffset);
        in.read(signature.data(), signature.size());
        const bool pe = in.gcount() == 4 && std::memcmp(signature.data(), "PE\0\0", 4) == 0;
        return pe ? FileKind::Pe : FileKind::Other;
    }
    if (got >= kElfMachineField + 2 && std::equal(kElfMagic.begin(), kElfMagic.end(), head.begin())) {
        // ELF stores the machine in the file's own byte order; ours is little-endian.
        const unsigned machine = head[kElfMachineField] | head[kElfMachineField + 1] << 8;
        return head[kElfClassByte] == kOwnElfClass && machine == kOwnElfMachine ? FileKind::Elf
                                                                                : FileKind::ForeignElf;
    }
    return FileKind::Other;
}

std::wstring ownExecutable() {
#if defined(_WIN32)
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
#else
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {};
    }
    // Wine shows the host's root as drive Z:.
    std::wstring path = L"Z:" + fromUtf8(self.string());
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
#endif
}

} // namespace

std::vector<std::wstring> librarySearchCandidates(std::wstring_view name,
                                                  const LibrarySearchFolders& folders) {
    std::vector<std::wstring> candidates;
    const std::wstring_view fileName = lastComponent(name);
    if (fileName.empty()) {
        return candidates;
    }
    std::wstring path(name);
    if (fileName.back() == L'.') {
        path.pop_back();
    } else if (fileName.find(L'.') == std::wstring_view::npos) {
        path += L".dll";
    }
    if (path.empty() || isSeparator(path.back())) {
        return candidates;
    }

    if (isAbsolute(path) || hasDrive(path)) {
        candidates.push_back(path);
        return candidates;
    }
    if (name.find_first_of(L"\\/") != std::wstring_view::npos) {
        if (!folders.programFolder.empty()) {
            candidates.push_back(joinPath(folders.programFolder, path));
        }
        return candidates;
    }
    if (!folders.programFolder.empty()) {
        candidates.push_back(joinPath(folders.programFolder, path));
    }
    for (const std::wstring& folder : folders.systemFolders) {
        candidates.push_back(joinPath(folder, path));
    }
    std::wstring_view rest = folders.pathVariable;
    while (!rest.empty()) {
        const auto end = rest.find(L';');
        const std::wstring_view folder = rest.substr(0, end);
        rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end + 1);
        if (isAbsolute(folder) && hasDrive(folder)) {
            candidates.push_back(joinPath(folder, path));
        }
    }
    return candidates;
}

struct EmulatedDynamicLibraries::Module {
    std::filesystem::path hostFile; // canonical
    std::wstring windowsPath;
    bool dataFile = false;
    void* shared = nullptr; // dlopen handle of an ELF stand-in
    unsigned references = 0;
    std::shared_ptr<const std::vector<std::uint8_t>> image; // read on first use
};

EmulatedDynamicLibraries::EmulatedDynamicLibraries(const Machine& machine) : machine_(machine) {}

EmulatedDynamicLibraries::~EmulatedDynamicLibraries() {
#if !defined(_WIN32)
    for (const auto& module : modules_) {
        if (module->shared != nullptr) {
            dlclose(module->shared);
        }
    }
#endif
}

EmulatedDynamicLibraries::Module* EmulatedDynamicLibraries::find(ModuleHandle module) const {
    const auto it = std::find_if(modules_.begin(), modules_.end(), [module](const auto& known) {
        return reinterpret_cast<ModuleHandle>(known.get()) == module;
    });
    return it == modules_.end() ? nullptr : it->get();
}

ModuleHandle EmulatedDynamicLibraries::load(std::wstring_view nameOrPath, std::uint32_t flags, long& error) {
    const bool dataFile = (flags & kLoadLibraryAsDatafile) != 0;
    const bool bareName =
        nameOrPath.find_first_of(L"\\/") == std::wstring_view::npos && !hasDrive(nameOrPath);
    LibrarySearchFolders folders;
    folders.programFolder = machine_.programFolder();
    folders.systemFolders = {machine_.systemFolder(), machine_.windowsFolder()};
    folders.pathVariable = machine_.environmentVariable(L"PATH").value_or(std::wstring());
    const std::vector<std::wstring> candidates = librarySearchCandidates(nameOrPath, folders);

    const std::lock_guard lock(mutex_);
    // Windows hands out a module already loaded under the same file name
    // before it searches anywhere.
    if (bareName && !dataFile && !candidates.empty()) {
        const std::wstring_view wanted = lastComponent(candidates.front());
        for (const auto& module : modules_) {
            if (!module->dataFile && equalNoCase(lastComponent(module->windowsPath), wanted)) {
                ++module->references;
                return reinterpret_cast<ModuleHandle>(module.get());
            }
        }
    }

    std::filesystem::path found;
    for (const std::wstring& candidate : candidates) {
        const std::filesystem::path host = machine_.hostPath(candidate);
        std::error_code ec;
        if (host.empty() || !std::filesystem::exists(host, ec)) {
            continue;
        }
        // A folder of the name ends the search, as the loader cannot open it.
        if (std::filesystem::is_directory(host, ec)) {
            error = kErrorAccessDenied;
            return nullptr;
        }
        found = host;
        break;
    }
    if (found.empty()) {
        error = kErrorModNotFound;
        return nullptr;
    }
    // One module per file, however it was named: the file system decides
    // what is the same file (links, and case on a host that ignores it).
    // Windows maps a data file anew for every load, unless the file is
    // loaded as a module already.
    for (const auto& module : modules_) {
        std::error_code ec;
        if (!module->dataFile && std::filesystem::equivalent(module->hostFile, found, ec)) {
            ++module->references;
            return reinterpret_cast<ModuleHandle>(module.get());
        }
    }
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::canonical(found, ec);
    if (ec) {
        canonical = found;
    }

    auto module = std::make_unique<Module>();
    module->hostFile = canonical;
    module->windowsPath = machine_.windowsPath(found);
    module->dataFile = dataFile;
    module->references = 1;
    switch (fileKind(found)) {
    case FileKind::Pe:
        break;
    case FileKind::Elf:
        if (dataFile) {
            error = kErrorBadExeFormat;
            return nullptr;
        }
#if defined(_WIN32)
        error = kErrorBadExeFormat;
        return nullptr;
#else
        module->shared = dlopen(found.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module->shared == nullptr) {
            // The file is of our kind, so what failed is what it needs.
            error = kErrorModNotFound;
            return nullptr;
        }
        break;
#endif
    case FileKind::Unreadable:
        error = kErrorAccessDenied;
        return nullptr;
    case FileKind::ForeignElf:
    case FileKind::Other:
        error = kErrorBadExeFormat;
        return nullptr;
    }
    modules_.push_back(std::move(module));
    return reinterpret_cast<ModuleHandle>(modules_.back().get());
}

void* EmulatedDynamicLibraries::resolve(ModuleHandle module, const char* entryName) {
    // Values below 0x10000 are ordinals (MAKEINTRESOURCE), which ELF lacks.
    if (entryName == nullptr || reinterpret_cast<std::uintptr_t>(entryName) < 0x10000) {
        return nullptr;
    }
    const std::lock_guard lock(mutex_);
    const Module* known = find(module);
    if (known == nullptr || known->shared == nullptr) {
        return nullptr;
    }
#if defined(_WIN32)
    return nullptr;
#else
    return dlsym(known->shared, entryName);
#endif
}

bool EmulatedDynamicLibraries::free(ModuleHandle module) {
    const std::lock_guard lock(mutex_);
    Module* known = find(module);
    if (known == nullptr) {
        return false;
    }
    if (--known->references == 0) {
#if !defined(_WIN32)
        if (known->shared != nullptr) {
            dlclose(known->shared);
        }
#endif
        modules_.erase(std::find_if(modules_.begin(), modules_.end(),
                                    [known](const auto& entry) { return entry.get() == known; }));
    }
    return true;
}

long EmulatedDynamicLibraries::moduleFileName(ModuleHandle module, std::wstring& out) {
    if (module == nullptr) {
        std::wstring program = machine_.programPath();
        if (program.empty()) {
            program = ownExecutable();
        }
        if (program.empty()) {
            return kErrorModNotFound;
        }
        out = std::move(program);
        return kErrorSuccess;
    }
    const std::lock_guard lock(mutex_);
    const Module* known = find(module);
    // A data file is no module of the process, as on Windows.
    if (known == nullptr || known->dataFile) {
        return kErrorModNotFound;
    }
    out = known->windowsPath;
    return kErrorSuccess;
}

std::uint32_t EmulatedDynamicLibraries::setErrorMode(std::uint32_t mode) {
    return errorMode_.exchange(mode);
}

std::filesystem::path EmulatedDynamicLibraries::hostPathOf(ModuleHandle module) const {
    const std::lock_guard lock(mutex_);
    const Module* known = find(module);
    return known == nullptr ? std::filesystem::path() : known->hostFile;
}

std::shared_ptr<const std::vector<std::uint8_t>> EmulatedDynamicLibraries::imageOf(ModuleHandle module,
                                                                                   long& error) const {
    const std::lock_guard lock(mutex_);
    Module* known = find(module);
    if (known == nullptr) {
        error = kErrorInvalidHandle;
        return nullptr;
    }
    if (!known->image) {
        // Windows maps the file; a resource module larger than this is no
        // module anyone gives the loader.
        constexpr std::uintmax_t kMaxImageBytes = 256u << 20;
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(known->hostFile, ec);
        if (ec || size > kMaxImageBytes) {
            error = ec ? kErrorFileNotFound : kErrorNotEnoughMemory;
            return nullptr;
        }
        auto bytes = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(size));
        std::ifstream in(known->hostFile, std::ios::binary);
        in.read(reinterpret_cast<char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
        if (!in || static_cast<std::uintmax_t>(in.gcount()) != size) {
            error = kErrorAccessDenied;
            return nullptr;
        }
        known->image = std::move(bytes);
    }
    error = kErrorSuccess;
    return known->image;
}

} // namespace qmplatform::emulated
