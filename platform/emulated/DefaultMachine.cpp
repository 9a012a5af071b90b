#include "emulated/DefaultMachine.h"

#include "emulated/MachineLock.h"
#include "platform/WindowsText.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace qmplatform::emulated {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> environmentPath(const char* name) {
#ifdef _WIN32
    const std::wstring wide = fromUtf8(name);
    const DWORD size = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
    std::wstring value(size, L'\0');
    const DWORD n = GetEnvironmentVariableW(wide.c_str(), value.data(), size);
    if (n == 0 || n >= size) {
        return std::nullopt;
    }
    value.resize(n);
    return fs::path(value);
#else
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return fs::path(value);
#endif
}

fs::path programFolder() {
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) {
        return {};
    }
    buffer.resize(n);
    return fs::path(buffer).parent_path();
#else
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
#endif
}

bool isMachine(const fs::path& folder) {
    std::error_code ec;
    return fs::is_regular_file(folder / "machine.json", ec);
}

} // namespace

fs::path userMachineFolder() {
#ifdef _WIN32
    const std::optional<fs::path> base = environmentPath("LOCALAPPDATA");
    return base ? *base / "Quillmark" / "machine" : fs::path();
#else
    if (const std::optional<fs::path> data = environmentPath("XDG_DATA_HOME"); data && data->is_absolute()) {
        return *data / "quillmark" / "machine";
    }
    const std::optional<fs::path> home = environmentPath("HOME");
    return home ? *home / ".local" / "share" / "quillmark" / "machine" : fs::path();
#endif
}

fs::path shippedMachinesFolder() {
    const fs::path folder = programFolder();
    if (!folder.empty()) {
        const fs::path installed = folder.parent_path() / "share" / "quillmark" / "machines";
        if (isMachine(installed / "healthy")) {
            return installed;
        }
    }
#ifdef QM_SOURCE_MACHINES_DIR
    const fs::path source = fs::path(QM_SOURCE_MACHINES_DIR);
    if (isMachine(source / "healthy")) {
        return source;
    }
#endif
    return {};
}

fs::path shippedDefaultMachine() {
    const fs::path folder = shippedMachinesFolder();
    return folder.empty() ? fs::path() : folder / "healthy";
}

bool applyFileTimes(const fs::path& root, std::string& error) {
    const fs::path manifestPath = root / kFileTimesManifest;
    std::error_code ec;
    if (!fs::exists(manifestPath, ec)) {
        return true;
    }
    std::ifstream in(manifestPath, std::ios::binary);
    const nlohmann::json manifest = nlohmann::json::parse(in, nullptr, false);
    if (!manifest.is_object()) {
        error = manifestPath.string() + " is not a JSON object";
        return false;
    }
    for (const auto& [name, time] : manifest.items()) {
        const fs::path relative = fs::path(name).lexically_normal();
        if (!time.is_number_unsigned() || relative.is_absolute() || relative.empty() ||
            *relative.begin() == "..") {
            error = manifestPath.string() + ": bad entry \"" + name + "\"";
            return false;
        }
        const auto seconds = std::chrono::seconds(time.get<std::uint64_t>());
        const auto when = fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(seconds));
        std::error_code step;
        fs::last_write_time(root / relative, when, step);
        if (step) {
            error = "cannot set the time of " + (root / relative).string() + ": " + step.message();
            return false;
        }
    }
    return true;
}

bool copyMachineFolder(const fs::path& from, const fs::path& to, std::string& error) {
    if (!isMachine(from)) {
        error = from.string() + " is not a machine folder (no machine.json)";
        return false;
    }
    std::error_code ec;
    fs::create_directories(to, ec);
    for (fs::recursive_directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path relative = it->path().lexically_relative(from);
        const std::string name = it->path().filename().string();
        if (name == "machine.lock" || name.ends_with(".tmp~")) {
            continue;
        }
        const fs::path target = to / relative;
        std::error_code step;
        if (it->is_directory(step)) {
            fs::create_directories(target, step);
        } else if (it->is_regular_file(step)) {
            fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing, step);
        } else {
            continue; // links and devices have no place in a machine
        }
        if (step) {
            error = "cannot copy " + it->path().string() + ": " + step.message();
            return false;
        }
    }
    if (ec) {
        error = "cannot read " + from.string() + ": " + ec.message();
        return false;
    }
    return applyFileTimes(to, error);
}

bool defaultMachineRoot(fs::path& root, std::string& error) {
    if (const std::optional<fs::path> sysroot = environmentPath("QUILLMARK_SYSROOT")) {
        if (!isMachine(*sysroot)) {
            error = "QUILLMARK_SYSROOT (" + sysroot->string() + ") is not a machine folder (its machine.json is missing)";
            return false;
        }
        root = *sysroot;
        return true;
    }
    const fs::path user = userMachineFolder();
    if (user.empty()) {
        error = "no user data folder for the default machine";
        return false;
    }
    if (isMachine(user)) {
        root = user;
        return true;
    }
    std::error_code ec;
    fs::create_directories(user.parent_path(), ec);
    // The copy is made beside the target and renamed into place, under a
    // lock, so a second program never sees half a machine.
    MachineLock lock(user.parent_path() / "machine-copy.lock");
    if (!lock.lock(ec)) {
        error = "cannot lock " + lock.path().string() + ": " + ec.message();
        return false;
    }
    bool ok = true;
    if (!isMachine(user)) {
        const fs::path shipped = shippedDefaultMachine();
        const fs::path partial = user.parent_path() / "machine.partial";
        fs::remove_all(partial, ec);
        if (shipped.empty()) {
            error = "the shipped default machine was not found";
            ok = false;
        } else if (!copyMachineFolder(shipped, partial, error)) {
            ok = false;
        } else {
            fs::rename(partial, user, ec);
            if (ec) {
                error = "cannot make " + user.string() + ": " + ec.message();
                ok = false;
            }
        }
        if (!ok) {
            fs::remove_all(partial, ec);
        }
    }
    lock.unlock();
    if (ok) {
        root = user;
    }
    return ok;
}

} // namespace qmplatform::emulated
