#include "SampleMachines.h"

#include "platform/machine/DefaultMachine.h"
#include "SampleDrives.h"

#include "platform/machine/Machine.h"
#include "platform/machine/EmulatedRegistry.h"
#include "platform/FileReplace.h"
#include "platform/RegKey.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <variant>

namespace qmmachine {

namespace fs = std::filesystem;
using namespace qmplatform;
using namespace qmplatform::emulated;

namespace {

struct Sample {
    const char* name;
    bool hostSoftware;
    bool healthySettings; // allocatecdroms, autorun, Enum, IAA
    bool accelerator;     // the Intel Application Accelerator is installed
    bool administrator;
    ServiceBehaviour service;
};

constexpr ServiceBehaviour kRunning{ServiceRunState::Running, 0, false};
constexpr ServiceBehaviour kStopped{ServiceRunState::Stopped, 0, false};

constexpr std::array kSamples{
    Sample{"healthy", true, true, false, true, kRunning},
    Sample{"broken", true, false, true, true, kStopped},
    Sample{"slow-service", true, true, false, true, ServiceBehaviour{ServiceRunState::Stopped, 3, false}},
    Sample{"dead-service", true, true, false, true, ServiceBehaviour{ServiceRunState::Stopped, 0, true}},
    Sample{"bare", false, true, false, true, kStopped},
    Sample{"no-admin", true, false, true, false, kStopped},
    Sample{"no-drives", true, true, false, true, kRunning},
};

constexpr const wchar_t* kUser = L"quill";
constexpr const wchar_t* kInstallFolder = L"C:\\Program Files\\Common Files\\Quillmark";

struct ExpandSz {
    std::wstring text;
};
using Data = std::variant<std::wstring, ExpandSz, std::uint32_t, std::vector<std::uint8_t>>;

struct Value {
    std::wstring name;
    Data data;
};

class Writer {
public:
    explicit Writer(Registry& registry) : registry_(registry) {}

    void key(std::wstring_view path, const std::vector<Value>& values) {
        RegKey key;
        if (failed_ ||
            check(key.create(registry_, RegRoot::LocalMachine, path, RegAccess::AllAccess), path)) {
            return;
        }
        for (const Value& value : values) {
            long rc = kErrorSuccess;
            if (const auto* text = std::get_if<std::wstring>(&value.data)) {
                rc = key.writeString(value.name, *text);
            } else if (const auto* expand = std::get_if<ExpandSz>(&value.data)) {
                rc = key.writeString(value.name, expand->text, kRegExpandSz);
            } else if (const auto* number = std::get_if<std::uint32_t>(&value.data)) {
                rc = key.writeDword(value.name, *number);
            } else {
                rc = key.writeBinary(value.name, std::get<std::vector<std::uint8_t>>(value.data));
            }
            if (check(rc, path)) {
                return;
            }
        }
    }

    bool ok(std::string& error) const {
        if (failed_) {
            error = error_;
        }
        return !failed_;
    }

private:
    bool check(long rc, std::wstring_view path) {
        if (rc != kErrorSuccess) {
            failed_ = true;
            error_ = "registry write to " + toUtf8(path) + " failed with " + std::to_string(rc);
        }
        return failed_;
    }

    Registry& registry_;
    bool failed_ = false;
    std::string error_;
};

void writeWindows(Writer& w, const Sample& s) {
    w.key(L"SOFTWARE\\Classes", {});
    w.key(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", {{L"ProductName", L"Windows 10 Pro"},
                                                               {L"CurrentBuildNumber", L"19045"},
                                                               {L"CurrentVersion", L"6.3"}});
    w.key(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
          {{L"Shell", L"explorer.exe"}, {L"allocatecdroms", s.healthySettings ? L"0" : L"1"}});
    w.key(L"SYSTEM\\CurrentControlSet\\Services\\cdrom",
          {{L"Type", 1u},
           {L"Start", 1u},
           {L"ErrorControl", 1u},
           {L"ImagePath", ExpandSz{L"System32\\drivers\\cdrom.sys"}},
           {L"autorun", s.healthySettings ? 1u : 0u}});
    if (s.healthySettings) {
        w.key(L"SYSTEM\\CurrentControlSet\\Services\\cdrom\\Enum",
              {{L"0", L"IDE\\CdRomQUILLMARK_QLD-2400_______________1.00____\\5&2a3b4c5d&0&0.0.0"},
               {L"Count", 1u},
               {L"NextInstance", 1u}});
    }
    w.key(L"SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application",
          {{L"File", ExpandSz{L"%SystemRoot%\\system32\\config\\AppEvent.Evt"}}, {L"MaxSize", 0x80000u}});
    if (s.accelerator) {
        w.key(L"SOFTWARE\\INTEL\\Intel Application Accelerator", {{L"Version", L"2.3.0.2160"}});
    }
}

void writeHostSoftware(Writer& w, const Sample& s) {
    const std::wstring install = std::wstring(kInstallFolder) + L"\\";
    w.key(L"SOFTWARE\\Quillmark",
          {{L"LogLevel", L"Error"},
           {L"APILogging", 0u},
           {L"IAA", s.healthySettings ? 1u : 0u},
           {L"InstallFolder", install},
           {L"InstallId", std::vector<std::uint8_t>{0x51, 0x4D, 0x53, 0x00, 0x01, 0x02, 0x00, 0x00, 0x7A,
                                                    0x3C, 0x11, 0x9E, 0x42, 0x08, 0xC5, 0xD0}}});
    w.key(L"SOFTWARE\\Quillmark\\Engine", {{L"Generation", 4u}, {L"ResourceFolder", install + L"res"}});
    w.key(L"SOFTWARE\\Quillmark\\Service",
          {{L"PipeName", L"\\\\.\\pipe\\QuillmarkService"}, {L"TimeoutMs", 5000u}});
    w.key(L"SYSTEM\\CurrentControlSet\\Services\\QuillmarkService",
          {{L"Type", 0x10u},
           {L"Start", s.healthySettings ? 2u : 3u},
           {L"ErrorControl", 1u},
           {L"ImagePath", ExpandSz{L"\"" + install + L"QuillmarkService.exe\""}},
           {L"ObjectName", s.healthySettings ? L"LocalSystem" : L"localsystem"},
           {L"DisplayName", L"Quillmark Service"},
           {L"Description", L"Drives Quillmark disc labelling for the labelling API."}});
    w.key(L"SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\QuillmarkService",
          {{L"EventMessageFile", ExpandSz{L"%CommonProgramFiles%\\Quillmark\\QMSvcMsg.dll"}},
           {L"TypesSupported", 7u}});
    // The updater registered its source without a message file.
    w.key(L"SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\QuillmarkService Updater",
          {{L"TypesSupported", 7u}});
}

// ---- error logs ------------------------------------------------------------
// The XML error logs of the host software in the three log folders: every
// entry form, a file of another root element, a broken file and one file
// name in two folders. Their times decide the listing order and a checkout
// keeps none, so they go into the machine's file-time manifest.
struct SampleLog {
    const wchar_t* folder;
    const wchar_t* name;
    std::uint32_t unixTime;
    std::string_view content;
};

constexpr std::uint32_t kLogDay = 1793606400u; // 2026-11-02 08:00:00 UTC

constexpr std::array kSampleLogs{
    SampleLog{L"C:\\Program Files\\Common Files\\Quillmark\\log", L"QMCAPI.xml", kLogDay + 1800,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<QMLog>\r\n"
              "  <Error>\r\n    <Time>2026-11-02 08:29:41</Time>\r\n    <Category>LabelingAPI</Category>\r\n"
              "    <ErrorInfo>\r\n      <Context>CQMDrive::Burn</Context>\r\n"
              "      <ExternalErrorNum>0x80040231</ExternalErrorNum>\r\n"
              "      <InternalErrorNum>4268</InternalErrorNum>\r\n"
              "      <ErrorMessage>Writing to the service pipe failed.</ErrorMessage>\r\n"
              "    </ErrorInfo>\r\n  </Error>\r\n"
              "  <Info>\r\n    <Time>2026-11-02 08:29:43</Time>\r\n    <Category>LabelingAPI</Category>\r\n"
              "    <ErrorInfo>Reconnected to QuillmarkService.</ErrorInfo>\r\n  </Info>\r\n"
              "  <Error>\r\n    <Time>2026-11-02 08:30:02</Time>\r\n    <Category>LabelingAPI</Category>\r\n"
              "    <ErrorInfo>\r\n      <Context>CQMDrive::GetMediaInfo</Context>\r\n"
              "      <ExternalErrorNum>0x80040201</ExternalErrorNum>\r\n"
              "      <InternalErrorNum>0x201</InternalErrorNum>\r\n"
              "      <ErrorMessage>The print engine could not be loaded.</ErrorMessage>\r\n"
              "    </ErrorInfo>\r\n  </Error>\r\n</QMLog>\r\n"},
    SampleLog{
        L"C:\\Program Files\\Common Files\\Quillmark\\log", L"QMPrtEn.xml", kLogDay + 600,
        "<?xml version=\"1.0\"?>\n<QMLog>\n"
        "  <Error><Time>2026-11-02 08:09:12</Time><Category>PrintEngine</Category>"
        "<ErrorInfo>Drive resource file res\\QLD2400.bin not found.</ErrorInfo></Error>\n"
        "  <Warning><Category>PrintEngine</Category><ErrorInfo>Media not calibrated.</ErrorInfo></Warning>\n"
        "  <Debug><Time>2026-11-02 08:09:13</Time></Debug>\n"
        "</QMLog>\n"},
    SampleLog{L"C:\\Program Files\\Common Files\\Quillmark\\log", L"QMSetup.xml", kLogDay + 60,
              "<?xml version=\"1.0\"?>\n<InstallLog><Step>copy files</Step></InstallLog>\n"},
    SampleLog{L"C:\\users\\quill\\AppData\\Local\\Quillmark\\log", L"QMCAPI.xml", kLogDay + 2400,
              "<?xml version=\"1.0\"?>\n<QMLog>\n"
              "  <Info><Time>2026-11-02 08:40:00</Time><Category>Diagnostics</Category>"
              "<ErrorInfo>Logging level set to Debug.</ErrorInfo></Info>\n"
              "  <Error><Time>2026-11-02 08:40:05</Time><Category>LabelingAPI</Category><ErrorInfo>"
              "<Context>CQMDriveList::Refresh</Context><ExternalErrorNum>0x80041070</ExternalErrorNum>"
              "<InternalErrorNum>4208</InternalErrorNum><ErrorMessage/></ErrorInfo></Error>\n"
              "</QMLog>\n"},
    SampleLog{L"C:\\users\\quill\\AppData\\Local\\Quillmark\\log", L"QMCAPI.old.xml", kLogDay - 86400,
              "<?xml version=\"1.0\"?>\n<QMLog>\n  <Info><Time>2026-11-01 08:00:00</Time>"
              "<Category>LabelingAPI</Category><ErrorInfo>Session started.</ErrorInfo>\n"},
    SampleLog{L"C:\\ProgramData\\Quillmark\\log", L"QMService.xml", kLogDay + 1200,
              "<?xml version=\"1.0\"?>\n<QMLog>\n"
              "  <Notice><Time>2026-11-02 08:20:00</Time><Category>Service</Category>"
              "<ErrorInfo>Drive <b>E:</b> ready.</ErrorInfo></Notice>\n"
              "</QMLog>\n"},
    SampleLog{L"C:\\ProgramData\\Quillmark\\log", L"QMEmpty.xml", kLogDay + 1300, "<QMLog/>\n"},
};

bool writeSampleLogs(const Machine& machine, std::string& error) {
    nlohmann::ordered_json manifest = nlohmann::ordered_json::object();
    for (const SampleLog& log : kSampleLogs) {
        const std::wstring windowsPath = std::wstring(log.folder) + L"\\" + log.name;
        const fs::path host = machine.hostPath(windowsPath);
        std::error_code ec;
        fs::create_directories(host.parent_path(), ec);
        if (!writeFileReplacing(host, reinterpret_cast<const std::uint8_t*>(log.content.data()),
                                log.content.size(), error)) {
            return false;
        }
        manifest[host.lexically_relative(machine.root()).generic_string()] = log.unixTime;
    }
    const std::string text = manifest.dump(2) + "\n";
    if (!writeFileReplacing(machine.root() / kFileTimesManifest,
                            reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), error)) {
        return false;
    }
    return applyFileTimes(machine.root(), error);
}

// The installer marker: the diagnostics only open it, so it holds a note of
// what it stands for.
constexpr std::string_view kInstallerMarker =
    "Quillmark host software installer (sample machine stand-in)\r\n";

} // namespace

std::vector<std::string> sampleMachineNames() {
    std::vector<std::string> names;
    for (const Sample& s : kSamples) {
        names.emplace_back(s.name);
    }
    return names;
}

bool buildSampleMachine(std::string_view name, const fs::path& dir, std::string& error) {
    const Sample* sample = nullptr;
    for (const Sample& s : kSamples) {
        if (name == s.name) {
            sample = &s;
        }
    }
    if (sample == nullptr) {
        error = "no sample machine \"" + std::string(name) + "\"";
        return false;
    }
    MachineSettings settings;
    settings.userName = kUser;
    settings.administrator = sample->administrator;
    settings.services.emplace(L"cdrom", kRunning);
    if (sample->hostSoftware) {
        settings.services.emplace(L"QuillmarkService", sample->service);
    }
    const std::unique_ptr<Machine> machine = Machine::create(dir, settings, error);
    if (!machine) {
        return false;
    }
    // The samples are written as their maker, whatever rights their users get.
    EmulatedRegistry registry({machine->hiveFolder(), machine->lockFile(), true});
    Writer writer(registry);
    writeWindows(writer, *sample);
    if (sample->hostSoftware) {
        writeHostSoftware(writer, *sample);
    }
    RegKey user;
    if (!writer.ok(error) || user.create(registry, RegRoot::CurrentUser, L"Software\\Microsoft",
                                         RegAccess::AllAccess) != kErrorSuccess) {
        if (error.empty()) {
            error = "cannot write HKEY_CURRENT_USER";
        }
        return false;
    }
    if (sample->hostSoftware && !writeSampleLogs(*machine, error)) {
        return false;
    }
    if (sample->hostSoftware) {
        const fs::path marker = machine->hostPath(std::wstring(kInstallFolder) + L"\\QM_HSI.msi");
        std::error_code ec;
        fs::create_directories(marker.parent_path(), ec);
        if (!writeFileReplacing(marker, reinterpret_cast<const std::uint8_t*>(kInstallerMarker.data()),
                                kInstallerMarker.size(), error)) {
            return false;
        }
    }
    if (!writeSampleDrives(name, *machine, error)) {
        return false;
    }
    std::error_code ec;
    fs::remove(machine->lockFile(), ec); // a lock file is no part of a sample
    return true;
}

} // namespace qmmachine
