// The emulated Windows machine: one folder laid out like a Wine prefix, which
// the emulated backends of the platform interfaces work on.
//
//   <root>/machine.json      the machine's own settings (MachineSettings below)
//   <root>/machine.lock      serialises writers of every machine file
//   <root>/HKLM.reg          HKEY_LOCAL_MACHINE (HKEY_CLASSES_ROOT lives in it)
//   <root>/HKCU.reg          HKEY_CURRENT_USER
//   <root>/drive_c/...       drive C: ("Program Files", "ProgramData",
//                            "users/<name>/AppData/Local", "windows/system32")
//
// Callers speak Windows paths; hostPath() is the one mapping onto the folder.
#pragma once

#include "platform/WindowsText.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmplatform::emulated {

using EnvironmentBlock = std::map<std::wstring, std::wstring, NoCaseLess>;

// How a service behaves on this machine; its configuration (Type, Start,
// ObjectName, ...) is in the registry, not here.
enum class ServiceRunState : std::uint8_t { Stopped, Running };

struct ServiceBehaviour {
    ServiceRunState state = ServiceRunState::Stopped;
    // A start keeps the service start pending this long before it runs.
    std::uint32_t startSeconds = 0;
    // The service never reaches running; a start request times out.
    bool neverStarts = false;
    bool operator==(const ServiceBehaviour&) const = default;
};

// A restart the machine was asked for (ExitWindowsEx); recorded, never acted on.
struct RestartRequest {
    std::uint32_t flags = 0;
    std::string time; // UTC, ISO 8601
    bool operator==(const RestartRequest&) const = default;
};

// The known part of machine.json. Sections and keys this version does not
// know stay in the file untouched whenever it is rewritten.
struct MachineSettings {
    std::wstring userName = L"quill";
    bool administrator = true;
    EnvironmentBlock environment; // empty: the standard one for the layout
    std::map<std::wstring, ServiceBehaviour, NoCaseLess> services;
    std::vector<RestartRequest> restarts;
};

class Machine {
public:
    struct Options {
        // Windows path of the running program on this machine (for the
        // library search and GetModuleFileName). Empty: the running
        // executable's own path when it lies inside the machine folder.
        std::wstring programPath;
        // Off only for an opener that reads machine.json alone (the server
        // stand-in, which under Wine finds the machine's settings in a
        // prefix whose registry is Wine's own): the hive files need not be
        // there then.
        bool needsHives = true;
    };

    // Opens an existing machine folder (one holding machine.json). A
    // machine.json, HKLM.reg or HKCU.reg that is missing or does not parse
    // keeps it closed, with the file and why in `error`.
    static std::unique_ptr<Machine> open(const std::filesystem::path& root, std::string& error);
    static std::unique_ptr<Machine> open(const std::filesystem::path& root, const Options& options,
                                         std::string& error);
    // Makes a new machine in an empty or missing folder: the standard
    // folders of drive C: and machine.json (an empty environment in
    // `settings` gets the standard one). The registry hives start empty.
    static std::unique_ptr<Machine> create(const std::filesystem::path& root, const MachineSettings& settings,
                                           std::string& error);

    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;
    ~Machine();

    std::filesystem::path root() const { return root_; }
    std::filesystem::path settingsFile() const { return root_ / "machine.json"; }
    std::filesystem::path lockFile() const { return root_ / "machine.lock"; }
    // Holds HKLM.reg and HKCU.reg.
    std::filesystem::path hiveFolder() const { return root_; }

    // The host path a Windows path stands for, existing or not: "C:\x" and
    // "c:/x" alike; a path without a drive is taken on C: from its root;
    // components match existing names ignoring case, as Wine resolves them;
    // ".." stops at the drive's root, and nothing leads out of the machine
    // folder (a link pointing out is refused). An empty result means the
    // path is not valid on Windows (wildcards, ':' in a name, UNC).
    std::filesystem::path hostPath(std::wstring_view windowsPath) const;
    // The reverse: "C:\..." for a host path inside a drive of the machine,
    // or empty.
    std::wstring windowsPath(const std::filesystem::path& hostPath) const;

    // Fixed for the life of this object, like a process token.
    bool administrator() const { return administrator_; }
    std::wstring userName() const { return userName_; }
    std::wstring programPath() const { return programPath_; }
    // The folder of programPath(), or empty.
    std::wstring programFolder() const;
    std::wstring windowsFolder() const { return L"C:\\windows"; }
    std::wstring systemFolder() const { return L"C:\\windows\\system32"; }

    // The environment of the program running on the machine: machine.json's
    // at open, then this process's own changes (never written back).
    EnvironmentBlock environment() const;
    std::optional<std::wstring> environmentVariable(std::wstring_view name) const;
    // No value removes the variable. False for an empty name or one with '='.
    bool setEnvironmentVariable(std::wstring_view name, std::optional<std::wstring_view> value);

    // machine.json as it is now, read afresh (another process may have
    // changed it); a file that cannot be read gives the defaults.
    MachineSettings settings() const;
    ServiceBehaviour service(std::wstring_view name) const;
    // Writes take the machine lock, re-read the file, change only their own
    // part and replace the file atomically, so concurrent writers lose nothing.
    bool setService(std::wstring_view name, const ServiceBehaviour& behaviour, std::string& error);
    bool recordRestart(std::uint32_t flags, std::string& error);
    // The whole document, for sections later work adds and for qmmachine.
    nlohmann::ordered_json settingsDocument() const;
    // Runs `edit` on the current document under the lock; the result must
    // still be valid settings, or nothing is written.
    bool updateSettings(const std::function<bool(nlohmann::ordered_json&, std::string&)>& edit,
                        std::string& error);

    // The standard environment of a machine with this user name.
    static EnvironmentBlock standardEnvironment(std::wstring_view userName);

private:
    Machine(std::filesystem::path root, const Options& options);
    bool readDocument(nlohmann::ordered_json& out, std::string& error) const; // lock held

    std::filesystem::path root_;
    bool administrator_ = true;
    std::wstring userName_;
    std::wstring programPath_;
    mutable std::mutex mutex_;
    EnvironmentBlock environment_;
    std::filesystem::path canonicalRoot_;
};

} // namespace qmplatform::emulated
