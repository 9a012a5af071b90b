#include "HostPlatform.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace probe::testing {

namespace {

// The tests use ASCII paths; Windows' separator becomes the host's.
std::string narrow(std::wstring_view text) {
    std::string out(text.begin(), text.end());
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::wstring widen(std::string_view text) {
    return std::wstring(text.begin(), text.end());
}

} // namespace

qmplatform::ModuleHandle HostLibraries::load(std::wstring_view nameOrPath, std::uint32_t, long& error) {
    std::string path = narrow(nameOrPath);
    if (path.find('/') == std::string::npos) {
        const char* searchPath = std::getenv("PATH");
        std::string folders = searchPath != nullptr ? searchPath : "";
        for (std::size_t start = 0; start <= folders.size();) {
            const std::size_t end = std::min(folders.find(';', start), folders.size());
            const std::filesystem::path candidate =
                std::filesystem::path(folders.substr(start, end - start)) / path;
            if (end > start && std::filesystem::is_regular_file(candidate)) {
                path = candidate.string();
                break;
            }
            start = end + 1;
        }
    }
    void* handle =
        path.find('/') != std::string::npos ? dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (handle == nullptr) {
        error = std::filesystem::exists(path) ? 193 : 126;
    }
    return static_cast<qmplatform::ModuleHandle>(handle);
}

void* HostLibraries::resolve(qmplatform::ModuleHandle module, const char* entryName) {
    return dlsym(module, entryName);
}

bool HostLibraries::free(qmplatform::ModuleHandle module) {
    return dlclose(module) == 0;
}

long HostLibraries::moduleFileName(qmplatform::ModuleHandle module, std::wstring& out) {
    if (module != nullptr) {
        return 6;
    }
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return 2;
    }
    out = widen(self.string());
    return 0;
}

std::uint32_t HostLibraries::setErrorMode(std::uint32_t mode) {
    return std::exchange(mode_, mode);
}

std::FILE* HostFiles::openForReading(std::wstring_view path) const {
    return std::fopen(narrow(path).c_str(), "rb");
}

std::optional<std::wstring> ProcessEnvironment::get(std::wstring_view name) const {
    const char* value = std::getenv(narrow(name).c_str());
    return value != nullptr ? std::optional<std::wstring>(widen(value)) : std::nullopt;
}

bool ProcessEnvironment::set(std::wstring_view name, std::optional<std::wstring_view> value) {
    return value ? setenv(narrow(name).c_str(), narrow(*value).c_str(), 1) == 0
                 : unsetenv(narrow(name).c_str()) == 0;
}

std::wstring hostFolder(const char* buildPath) {
    return widen(buildPath);
}

} // namespace probe::testing
