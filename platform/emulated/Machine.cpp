#include "emulated/Machine.h"

#include "emulated/MachineLock.h"
#include "emulated/MachineSettings.h"
#include "emulated/registry/EmulatedRegistry.h"
#include "emulated/registry/RegFile.h"

#include "platform/FileReplace.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace qmplatform::emulated {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

// Host file names: UTF-16 on Windows, UTF-8 bytes elsewhere.
fs::path hostName(std::wstring_view name) {
#ifdef _WIN32
    return fs::path(std::wstring(name));
#else
    return fs::path(toUtf8(name));
#endif
}

std::wstring wideName(const fs::path& name) {
#ifdef _WIN32
    return name.wstring();
#else
    return fromUtf8(name.string());
#endif
}

fs::path runningExecutable() {
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) {
        return {};
    }
    buffer.resize(n);
    return fs::path(buffer);
#else
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe;
#endif
}

bool isDriveLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool validComponent(std::wstring_view name) {
    for (const wchar_t c : name) {
        if (static_cast<std::uint32_t>(c) < 0x20 ||
            std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos) {
            return false;
        }
    }
    return true;
}

bool isWithin(const fs::path& path, const fs::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty() && std::next(f) == folder.end()) {
            return true; // a trailing separator of the folder
        }
        if (p == path.end() || *p != *f) {
            return false;
        }
    }
    return true;
}

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &now);
#else
    gmtime_r(&now, &parts);
#endif
    std::array<char, 32> text{};
    const std::size_t n = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &parts);
    return std::string(text.data(), n);
}

// Holds the machine lock for one scope; a lock file that cannot be made
// (a read-only machine) is an error, not an exception.
class HeldLock {
public:
    explicit HeldLock(const fs::path& file) : lock_(file) {
        std::error_code ec;
        held_ = lock_.lock(ec);
        if (!held_) {
            error_ = "cannot lock " + file.string() + ": " + ec.message();
        }
    }
    ~HeldLock() {
        if (held_) {
            lock_.unlock();
        }
    }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
    bool held(std::string& error) const {
        if (!held_) {
            error = error_;
        }
        return held_;
    }

private:
    MachineLock lock_;
    bool held_ = false;
    std::string error_;
};

// The parser's own words, without its prefix, after the line they concern:
// "line 3: syntax error while parsing object key - ...".
bool parseJsonText(const std::string& text, Json& out, std::string& error) {
    try {
        out = Json::parse(text);
        return true;
    } catch (const Json::parse_error& e) {
        // The parser counts lines itself ("parse error at line 3, column 7");
        // the byte offset is the fallback.
        std::string reason = e.what();
        const std::size_t at = reason.find("at line ");
        long long line = 0;
        if (at != std::string::npos) {
            line = std::atoll(reason.c_str() + at + 8);
        } else {
            const std::size_t end = std::min<std::size_t>(e.byte > 0 ? e.byte - 1 : 0, text.size());
            line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end), '\n');
        }
        const std::size_t column = reason.find("column ");
        const std::size_t colon = reason.find(": ", column == std::string::npos ? 0 : column);
        if (colon != std::string::npos) {
            reason.erase(0, colon + 2);
        }
        error = "line " + std::to_string(line) + ": " + reason;
        return false;
    }
}

bool writeDocument(const fs::path& file, const Json& document, std::string& error) {
    const std::string text = document.dump(2) + "\n";
    return writeFileReplacing(file, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), error);
}

// The folders every Windows installation has. Version control keeps no
// empty folders, so a machine copied from the samples gets them when opened.
bool makeStandardFolders(const fs::path& root, const std::wstring& userName, std::string& error) {
    const fs::path drive = root / "drive_c";
    const fs::path profile = drive / "users" / hostName(userName);
    for (const fs::path& folder : {drive / "Program Files" / "Common Files", drive / "ProgramData",
                                   profile / "AppData" / "Local" / "Temp", profile / "AppData" / "Roaming",
                                   drive / "users" / "Public", drive / "windows" / "system32"}) {
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec) {
            error = "cannot create " + folder.string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

} // namespace

EnvironmentBlock Machine::standardEnvironment(std::wstring_view userName) {
    const std::wstring user(userName);
    const std::wstring profile = L"C:\\users\\" + user;
    return EnvironmentBlock{
        {L"ALLUSERSPROFILE", L"C:\\ProgramData"},
        {L"APPDATA", profile + L"\\AppData\\Roaming"},
        {L"CommonProgramFiles", L"C:\\Program Files\\Common Files"},
        {L"COMPUTERNAME", L"QUILLMARK-PC"},
        {L"ComSpec", L"C:\\windows\\system32\\cmd.exe"},
        {L"HOMEDRIVE", L"C:"},
        {L"HOMEPATH", L"\\users\\" + user},
        {L"LOCALAPPDATA", profile + L"\\AppData\\Local"},
        {L"OS", L"Windows_NT"},
        {L"PATH", L"C:\\windows\\system32;C:\\windows;C:\\windows\\system32\\wbem"},
        {L"PATHEXT", L".COM;.EXE;.BAT;.CMD"},
        {L"ProgramData", L"C:\\ProgramData"},
        {L"ProgramFiles", L"C:\\Program Files"},
        {L"PUBLIC", L"C:\\users\\Public"},
        {L"SystemDrive", L"C:"},
        {L"SystemRoot", L"C:\\windows"},
        {L"TEMP", profile + L"\\AppData\\Local\\Temp"},
        {L"TMP", profile + L"\\AppData\\Local\\Temp"},
        {L"USERNAME", user},
        {L"USERPROFILE", profile},
        {L"windir", L"C:\\windows"},
    };
}

Machine::Machine(fs::path root, const Options& options)
    : root_(std::move(root)), programPath_(options.programPath) {
    std::error_code ec;
    canonicalRoot_ = fs::canonical(root_, ec);
    if (ec) {
        canonicalRoot_ = fs::absolute(root_, ec).lexically_normal();
    }
}

Machine::~Machine() = default;

std::unique_ptr<Machine> Machine::open(const fs::path& root, std::string& error) {
    return open(root, Options{}, error);
}

std::unique_ptr<Machine> Machine::open(const fs::path& root, const Options& options, std::string& error) {
    std::error_code ec;
    if (!fs::is_regular_file(root / "machine.json", ec)) {
        error = root.string() + " is not a machine folder (its machine.json is missing)";
        return nullptr;
    }
    std::unique_ptr<Machine> machine(new Machine(fs::absolute(root, ec), options));
    Json document;
    MachineSettings settings;
    {
        const HeldLock lock(machine->lockFile());
        if (!lock.held(error) || !machine->readDocument(document, error)) {
            return nullptr;
        }
        if (!settingsFromJson(document, settings, error)) {
            error = machine->settingsFile().string() + ": " + error;
            return nullptr;
        }
        // A hive that cannot be read is not an empty registry: every check
        // would report the machine's settings as absent. The machine does not
        // open, and the file stays as it is for whoever looks into it.
        EmulatedRegistry hives({machine->hiveFolder(), machine->lockFile(), true});
        for (const RegRoot root : {RegRoot::LocalMachine, RegRoot::CurrentUser}) {
            if (options.needsHives && !hives.checkHive(root, error)) {
                return nullptr;
            }
        }
    }
    std::string ignored; // a read-only machine still opens
    makeStandardFolders(machine->root_, settings.userName, ignored);
    machine->administrator_ = settings.administrator;
    machine->userName_ = settings.userName;
    machine->environment_ = settings.environment.empty() ? standardEnvironment(settings.userName)
                                                         : std::move(settings.environment);
    if (machine->programPath_.empty()) {
        const fs::path exe = runningExecutable();
        if (!exe.empty()) {
            machine->programPath_ = machine->windowsPath(exe);
        }
    }
    return machine;
}

std::unique_ptr<Machine> Machine::create(const fs::path& root, const MachineSettings& settings,
                                         std::string& error) {
    std::error_code ec;
    if (fs::exists(root, ec) && !fs::is_empty(root, ec)) {
        error = root.string() + " exists and is not empty";
        return nullptr;
    }
    MachineSettings initial = settings;
    if (initial.environment.empty()) {
        initial.environment = standardEnvironment(initial.userName);
    }
    Json document = Json::object();
    settingsToJson(initial, document);
    // Validates the user name before it becomes a folder.
    MachineSettings checked;
    if (!settingsFromJson(document, checked, error)) {
        return nullptr;
    }
    if (!makeStandardFolders(root, initial.userName, error)) {
        return nullptr;
    }
    if (!writeDocument(root / "machine.json", document, error)) {
        return nullptr;
    }
    // The hives start empty, but they are there: a missing one is damage.
    const std::vector<std::uint8_t> emptyHive = writeRegFile({});
    for (const RegRoot hive : {RegRoot::LocalMachine, RegRoot::CurrentUser}) {
        if (!writeFileReplacing(EmulatedRegistry::hiveFile(root, hive), emptyHive.data(), emptyHive.size(),
                                error)) {
            return nullptr;
        }
    }
    return open(root, error);
}

bool Machine::readDocument(Json& out, std::string& error) const {
    std::ifstream in(settingsFile(), std::ios::binary);
    if (!in) {
        error = "cannot read " + settingsFile().string();
        return false;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Json document;
    if (!parseJsonText(text, document, error)) {
        error = settingsFile().string() + ": " + error;
        return false;
    }
    if (!document.is_object()) {
        error = settingsFile().string() + " is not a JSON object";
        return false;
    }
    out = std::move(document);
    return true;
}

fs::path Machine::hostPath(std::wstring_view windowsPath) const {
    std::wstring path(windowsPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    // "\\?\C:\..." is the same path without the length limit.
    if (path.starts_with(L"\\\\?\\")) {
        path.erase(0, 4);
    }
    if (path.starts_with(L"\\\\")) {
        return {}; // a network share is not on this machine
    }
    wchar_t drive = L'c';
    std::wstring_view rest = path;
    if (rest.size() >= 2 && rest[1] == L':') {
        if (!isDriveLetter(rest[0])) {
            return {};
        }
        drive = static_cast<wchar_t>(rest[0] | 0x20);
        rest.remove_prefix(2);
    }
    // Components as Windows normalises them: "." dropped, ".." taken back
    // (never past the drive's root), trailing dots and spaces ignored.
    std::vector<std::wstring> components;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(L'\\'), rest.size());
        std::wstring_view component = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (component.empty() || component == L".") {
            continue;
        }
        if (component == L"..") {
            if (!components.empty()) {
                components.pop_back();
            }
            continue;
        }
        while (!component.empty() && (component.back() == L'.' || component.back() == L' ')) {
            component.remove_suffix(1);
        }
        if (component.empty() || !validComponent(component)) {
            return {};
        }
        components.emplace_back(component);
    }

    fs::path result = root_ / hostName(std::wstring(L"drive_") + drive);
    bool resolving = true;
    std::error_code ec;
    for (const std::wstring& component : components) {
        fs::path next = result / hostName(component);
        if (resolving && !fs::exists(fs::symlink_status(next, ec))) {
            // No entry of that exact spelling: look for one that differs in
            // case only, the first in name order when there are several.
            std::vector<fs::path> matches;
            for (fs::directory_iterator it(result, ec), end; !ec && it != end; it.increment(ec)) {
                if (equalNoCase(wideName(it->path().filename()), component)) {
                    matches.push_back(it->path());
                }
            }
            if (matches.empty()) {
                resolving = false; // nothing below a missing folder exists
            } else {
                next = *std::min_element(matches.begin(), matches.end());
            }
        }
        result = std::move(next);
    }
    // A link inside the machine must not lead out of it.
    const fs::path resolved = fs::weakly_canonical(result, ec);
    if (ec || !isWithin(resolved, canonicalRoot_)) {
        return {};
    }
    return result;
}

std::wstring Machine::windowsPath(const fs::path& hostPath) const {
    std::error_code ec;
    const fs::path absolute = fs::absolute(hostPath, ec).lexically_normal();
    for (const fs::path& base : {root_.lexically_normal(), canonicalRoot_}) {
        const fs::path relative = absolute.lexically_relative(base);
        if (relative.empty() || *relative.begin() == "..") {
            continue;
        }
        auto it = relative.begin();
        const std::wstring drive = wideName(*it);
        if (drive.size() != 7 || !drive.starts_with(L"drive_") || !isDriveLetter(drive[6])) {
            continue;
        }
        std::wstring result = {static_cast<wchar_t>(drive[6] & ~0x20), L':', L'\\'};
        bool first = true;
        for (++it; it != relative.end(); ++it) {
            const std::wstring name = wideName(*it);
            if (name.empty() || name == L".") {
                continue;
            }
            if (!first) {
                result += L'\\';
            }
            result += name;
            first = false;
        }
        return result;
    }
    return {};
}

std::wstring Machine::programFolder() const {
    const std::size_t slash = programPath_.rfind(L'\\');
    if (slash == std::wstring::npos) {
        return {};
    }
    // "C:\x.exe" has the folder "C:\", as GetModuleFileName's folder would read.
    return programPath_.substr(0, slash == 2 ? 3 : slash);
}

EnvironmentBlock Machine::environment() const {
    std::lock_guard guard(mutex_);
    return environment_;
}

std::optional<std::wstring> Machine::environmentVariable(std::wstring_view name) const {
    std::lock_guard guard(mutex_);
    const auto it = environment_.find(name);
    if (it == environment_.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool Machine::setEnvironmentVariable(std::wstring_view name, std::optional<std::wstring_view> value) {
    if (name.empty() || name.find(L'=', 1) != std::wstring_view::npos) {
        return false;
    }
    std::lock_guard guard(mutex_);
    const auto it = environment_.find(name);
    if (!value) {
        if (it != environment_.end()) {
            environment_.erase(it);
        }
        return true;
    }
    if (it != environment_.end()) {
        it->second = std::wstring(*value); // the name keeps its first spelling, as on Windows
    } else {
        environment_.emplace(std::wstring(name), std::wstring(*value));
    }
    return true;
}

Json Machine::settingsDocument() const {
    const HeldLock lock(lockFile());
    Json document;
    std::string error;
    if (!lock.held(error) || !readDocument(document, error)) {
        document = Json::object();
    }
    return document;
}

MachineSettings Machine::settings() const {
    MachineSettings settings;
    std::string error;
    if (!settingsFromJson(settingsDocument(), settings, error)) {
        return MachineSettings{};
    }
    return settings;
}

ServiceBehaviour Machine::service(std::wstring_view name) const {
    const MachineSettings current = settings();
    const auto it = current.services.find(name);
    return it == current.services.end() ? ServiceBehaviour{} : it->second;
}

bool Machine::updateSettings(const std::function<bool(Json&, std::string&)>& edit, std::string& error) {
    const HeldLock lock(lockFile());
    Json document;
    if (!lock.held(error) || !readDocument(document, error) || !edit(document, error)) {
        return false;
    }
    MachineSettings checked;
    if (!settingsFromJson(document, checked, error)) {
        error = "not written: " + error;
        return false;
    }
    return writeDocument(settingsFile(), document, error);
}

bool Machine::setService(std::wstring_view name, const ServiceBehaviour& behaviour, std::string& error) {
    return updateSettings(
        [&](Json& document, std::string&) {
            serviceToJson(name, behaviour, document);
            return true;
        },
        error);
}

bool Machine::recordRestart(std::uint32_t flags, std::string& error) {
    return updateSettings(
        [&](Json& document, std::string&) {
            Json& restarts = document["restarts"];
            if (!restarts.is_array()) {
                restarts = Json::array();
            }
            restarts.push_back(Json{{"flags", flags}, {"time", utcNow()}});
            return true;
        },
        error);
}

} // namespace qmplatform::emulated
