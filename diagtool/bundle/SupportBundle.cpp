#include "diagtool/bundle/SupportBundle.h"

#include "diagtool/app/DiagnosticsReport.h"
#include "diagtool/client/DriveCore.h"
#include "diagtool/logs/EventLogRecord.h"
#include "diagtool/windows/FileFixJournal.h"
#include "diagtool/bundle/Redactor.h"
#include "diagtool/bundle/Sha256.h"
#include "diagtool/windows/WindowsDiagnostics.h"
#include "diagtool/bundle/ZipWriter.h"

#include "platform/formats/RegFile.h"
#include "platform/formats/EvtFile.h"
#include "platform/FileReplace.h"
#include "platform/RegKey.h"
#include "platform/RegistryData.h"
#include "platform/ShellFolders.h"
#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>

#ifndef QM_SUITE_VERSION
#define QM_SUITE_VERSION "unknown"
#endif

namespace qmbundle {

namespace {

using Json = nlohmann::ordered_json;
using qmplatform::RegAccess;
using qmplatform::RegRoot;
using qmplatform::toUtf8;

constexpr std::wstring_view kLocalMachine = L"HKEY_LOCAL_MACHINE\\";

// The keys the checks and the pages read, each as one .reg file. Winlogon
// holds more than the check reads (a saved password, on some machines): only
// the one value leaves the machine.
struct RegistryExport {
    const char* name;
    std::wstring_view path;
    bool recursive;
    const wchar_t* onlyValue;
    const char* what;
};
constexpr RegistryExport kRegistryExports[] = {
    {"SOFTWARE-Quillmark", L"SOFTWARE\\Quillmark", true, nullptr, "the host software's settings"},
    {"Services-QuillmarkService", L"SYSTEM\\CurrentControlSet\\Services\\QuillmarkService", true, nullptr,
     "the service's configuration"},
    {"Services-CDRom", L"SYSTEM\\CurrentControlSet\\Services\\CDRom", true, nullptr,
     "the CD-ROM driver's settings, autorun and its Enum key"},
    {"Winlogon", L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", false, L"allocatecdroms",
     "the CD-ROM allocation setting"},
    {"IntelApplicationAccelerator", L"SOFTWARE\\INTEL\\Intel Application Accelerator", true, nullptr,
     "the Intel Application Accelerator's key"},
};
constexpr std::wstring_view kApplicationSources = L"SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application";
// Keys nest at most 512 deep on Windows.
constexpr int kMaxKeyDepth = 512;

// The modules the checks, the pages and the probes read. Program modules
// (the engine, the server) are code for the customer's system: only their
// version data travels, and a replay installs the suite's own stand-ins.
struct ModuleRow {
    int csidl;
    const wchar_t* relative;
    const char* what;
    bool program;
};
constexpr ModuleRow kModules[] = {
    {0x2B, L"Quillmark\\QMCMHT.dll", "the QMS version module", false},
    {0x2B, L"Quillmark\\res\\drfVersion.dll", "the DRF version module", false},
    {0x2B, L"Quillmark\\QMPrtEn.dll", "the print engine", true},
    {0x2B, L"Quillmark\\DiscPrintMgr.dll", "the labelling server", true},
    {0x26, L"Quillmark Diagnostic Utility\\diagtool.exe", "the installed diagtool", false},
};
constexpr ModuleRow kInstallerMarker = {0x2B, L"Quillmark\\QM_HSI.msi", "the installer marker", false};
constexpr int kLogFolders[] = {0x2B, 0x1C, 0x23};
constexpr const wchar_t* kLogSubfolder = L"Quillmark\\log";

// The environment the checks, the probes and the message files read, and
// what a machine needs to stand for this one.
constexpr const wchar_t* kEnvironmentNames[] = {
    L"ALLUSERSPROFILE", L"APPDATA",  L"CommonProgramFiles", L"CommonProgramFiles(x86)", L"COMPUTERNAME",
    L"HOMEDRIVE",       L"HOMEPATH", L"LOCALAPPDATA",       L"OS",                      L"PATH",
    L"PATHEXT",         L"ProgramData", L"ProgramFiles",    L"ProgramFiles(x86)",       L"PUBLIC",
    L"SystemDrive",     L"SystemRoot", L"TEMP",             L"TMP",                     L"USERNAME",
    L"USERPROFILE",     L"windir",
};

constexpr const wchar_t* kServiceNames[] = {L"QuillmarkService", L"cdrom"};

struct StateName {
    std::uint32_t state;
    const char* name;
};
constexpr StateName kServiceStates[] = {
    {1, "stopped"},          {2, "start-pending"}, {3, "stop-pending"}, {4, "running"},
    {5, "continue-pending"}, {6, "pause-pending"}, {7, "paused"},
};

struct KindRow {
    const char* kind;
    const char* description;
};
constexpr KindRow kKinds[] = {
    {kKindReportText, "qmdiag report"},
    {kKindReportJson, "qmdiag report --json"},
    {kKindFacts, "user, computer, administrator state, environment, shell folders, services"},
    {kKindDrives, "the drives as the labelling API reports them"},
    {kKindRegistry, "registry keys, regedit's format"},
    {kKindModuleVersions, "version data of the modules"},
    {kKindModule, "a module file"},
    {kKindInstallerMarker, "the host software's installer marker"},
    {kKindErrorLog, "an XML error log"},
    {kKindEventLog, "the Application event log"},
    {kKindFixJournal, "the journal of applied fixes"},
};

std::string hresultText(std::int32_t hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

std::string isoTime(std::int64_t seconds) {
    using namespace std::chrono;
    const sys_seconds when{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(when);
    const year_month_day ymd{day};
    const hh_mm_ss<std::chrono::seconds> t{when - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(t.hours().count()), static_cast<int>(t.minutes().count()),
                  static_cast<int>(t.seconds().count()));
    return text;
}

std::string folderName(int csidl) {
    for (const FolderRow& row : kFolders) {
        if (row.csidl == csidl) {
            return row.name;
        }
    }
    return {};
}

std::string entryPath(std::wstring_view relative) {
    std::string path = toUtf8(relative);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

class Collector {
public:
    Collector(DiagtoolSession& session, const BundleOptions& options, BundleContents& out)
        : session_(session), system_(session.system()), options_(options), out_(out) {}

    void run() {
        step("environment", [&] { readEnvironment(); });
        if (options_.redact) {
            redactor_ = Redactor(userName_, computerName_);
        }
        step("report", [&] { report(); });
        step("facts", [&] { facts(); });
        step("drives", [&] { drives(); });
        step("registry", [&] { registry(); });
        step("modules", [&] { modules(); });
        step("error logs", [&] { errorLogs(); });
        step("event log", [&] { eventLog(); });
        step("fix journal", [&] { journal(); });
    }

private:
    // One item's failure is recorded and the bundle goes on.
    template <class F> void step(const char* item, F&& body) {
        try {
            body();
        } catch (const std::exception& e) {
            fail(item, e.what());
        } catch (...) {
            fail(item, "unexpected failure");
        }
    }
    void fail(const std::string& item, const std::string& error) {
        out_.failures.push_back({{"item", item}, {"error", error}});
    }
    void leaveOut(const std::string& item, std::uint64_t size, const std::string& reason) {
        out_.leftOut.push_back({{"item", item}, {"size", size}, {"reason", reason}});
    }
    void absent(const std::string& item) { out_.absent.push_back({{"item", item}}); }

    void add(std::string name, const char* kind, std::string what, std::vector<std::uint8_t> data,
             Json details = Json::object()) {
        out_.entries.push_back({std::move(name), kind, std::move(what), std::move(data), std::move(details)});
    }
    static std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
    std::string text(std::wstring_view s) const { return toUtf8(redactor_.text(s)); }

    std::optional<std::wstring> folder(int csidl) {
        auto found = folders_.find(csidl);
        if (found != folders_.end()) {
            return found->second;
        }
        std::wstring path;
        std::optional<std::wstring> result;
        if (system_.shellFolders().folderPath(csidl, path) == qmplatform::kSOk) {
            result = path;
        }
        folders_[csidl] = result;
        return result;
    }

    // Size and time of one file, from its folder's listing.
    bool stat(const std::wstring& windowsPath, qmplatform::FolderEntry& out) const {
        const std::size_t slash = windowsPath.rfind(L'\\');
        if (slash == std::wstring::npos) {
            return false;
        }
        std::vector<qmplatform::FolderEntry> entries;
        if (!system_.files().listFolder(windowsPath.substr(0, slash), entries)) {
            return false;
        }
        const std::wstring name = windowsPath.substr(slash + 1);
        for (const auto& entry : entries) {
            if (!entry.isFolder && qmplatform::equalNoCase(entry.name, name)) {
                out = entry;
                return true;
            }
        }
        return false;
    }

    bool readFile(const std::wstring& windowsPath, std::uint64_t limit, std::vector<std::uint8_t>& out) const {
        std::FILE* file = system_.files().openForReading(windowsPath);
        if (file == nullptr) {
            return false;
        }
        std::vector<std::uint8_t> data;
        std::uint8_t chunk[65536];
        bool fits = true;
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
            if (data.size() + n > limit) {
                fits = false;
                break;
            }
            data.insert(data.end(), chunk, chunk + n);
        }
        std::fclose(file);
        if (fits) {
            out = std::move(data);
        }
        return fits;
    }

    // ---- environment and names -------------------------------------------

    void readEnvironment() {
        for (const wchar_t* name : kEnvironmentNames) {
            if (auto value = system_.environment().get(name)) {
                environment_.emplace_back(name, *value);
            }
        }
        userName_ = system_.environment().get(L"USERNAME").value_or(L"");
        if (userName_.empty()) {
            // The profile folder is named after the user.
            const std::wstring profile = system_.environment().get(L"USERPROFILE").value_or(L"");
            userName_ = profile.substr(profile.rfind(L'\\') + 1);
        }
        computerName_ = system_.environment().get(L"COMPUTERNAME").value_or(L"");
    }

    // ---- report ------------------------------------------------------------

    void report() {
        const DiagnosticsReport r = collectDiagnosticsReport(session_);
        scanLines_ = r.drives;
        std::ostringstream textReport;
        printDiagnosticsReport(textReport, r);
        add(kReportTextName, kKindReportText, "what qmdiag report prints", bytesOf(redactor_.utf8(textReport.str())));
        add(kReportJsonName, kKindReportJson, "what qmdiag report --json prints",
            bytesOf(redactor_.utf8(diagnosticsReportJson(r) + "\n")));
    }

    // ---- facts -------------------------------------------------------------

    void facts() {
        Json f;
        f["userName"] = text(userName_);
        f["computerName"] = text(computerName_);
        std::unique_ptr<qmplatform::ServiceManagerHandle> manager;
        const long admin = system_.services().openManager(qmplatform::kScManagerAllAccess, manager);
        manager.reset();
        if (admin == qmplatform::kErrorSuccess) {
            f["administrator"] = true;
        } else if (admin == qmplatform::kErrorAccessDenied) {
            f["administrator"] = false;
        } else {
            f["administrator"] = nullptr;
            fail("administrator state", "the service manager answered error " + std::to_string(admin));
        }
        Json environment = Json::object();
        for (const auto& [name, value] : environment_) {
            environment[toUtf8(name)] = text(value);
        }
        f["environment"] = environment;
        Json shellFolders = Json::object();
        for (const FolderRow& row : kFolders) {
            if (auto path = folder(row.csidl)) {
                shellFolders[row.name] = text(*path);
            } else {
                shellFolders[row.name] = nullptr;
                fail(std::string("shell folder ") + row.name, "the shell does not know it");
            }
        }
        f["shellFolders"] = shellFolders;
        Json services = Json::array();
        for (const wchar_t* name : kServiceNames) {
            services.push_back(service(name));
        }
        f["services"] = services;
        std::uint64_t markerSize = 0;
        f["installerMarker"] = installerMarker(markerSize);
        add(kFactsName, kKindFacts, "the machine facts the checks use", bytesOf(f.dump(2) + "\n"));
    }

    Json service(const wchar_t* name) {
        Json s;
        s["name"] = toUtf8(name);
        qmplatform::RegKey key;
        const std::wstring path = L"SYSTEM\\CurrentControlSet\\Services\\" + std::wstring(name);
        const bool configured = key.open(system_.registry(), RegRoot::LocalMachine, path, RegAccess::Read) ==
                                qmplatform::kErrorSuccess;
        s["configured"] = configured;
        if (configured) {
            std::uint32_t number = 0;
            std::wstring value;
            s["type"] = key.readDword(L"Type", number) == qmplatform::kErrorSuccess ? Json(number) : Json(nullptr);
            s["start"] = key.readDword(L"Start", number) == qmplatform::kErrorSuccess ? Json(number) : Json(nullptr);
            s["objectName"] = key.readString(L"ObjectName", value) == qmplatform::kErrorSuccess ? Json(text(value))
                                                                                               : Json(nullptr);
            s["imagePath"] = key.readString(L"ImagePath", value) == qmplatform::kErrorSuccess ? Json(text(value))
                                                                                             : Json(nullptr);
        }
        std::unique_ptr<qmplatform::ServiceManagerHandle> manager;
        std::unique_ptr<qmplatform::ServiceHandle> handle;
        qmplatform::ServiceStatus status;
        long error = system_.services().openManager(qmplatform::kScManagerConnect, manager);
        if (error == qmplatform::kErrorSuccess) {
            error = manager->openService(name, qmplatform::kServiceQueryStatus, handle);
        }
        if (error == qmplatform::kErrorSuccess) {
            error = handle->queryStatus(status);
        }
        if (error != qmplatform::kErrorSuccess) {
            s["state"] = nullptr;
            s["error"] = error;
            return s;
        }
        s["state"] = "unknown";
        for (const StateName& row : kServiceStates) {
            if (row.state == status.currentState) {
                s["state"] = row.name;
            }
        }
        s["currentState"] = status.currentState;
        s["win32ExitCode"] = status.win32ExitCode;
        return s;
    }

    Json installerMarker(std::uint64_t& size) {
        const auto base = folder(kInstallerMarker.csidl);
        if (!base) {
            return nullptr;
        }
        const std::wstring path = *base + L"\\" + kInstallerMarker.relative;
        qmplatform::FolderEntry entry;
        if (!stat(path, entry)) {
            absent(text(path));
            return {{"present", false}};
        }
        size = entry.size;
        Json marker = {{"present", true}, {"size", entry.size}, {"file", nullptr}};
        if (entry.size > kMaxModuleFileBytes) {
            leaveOut(text(path), entry.size, "larger than the module limit");
            return marker;
        }
        std::vector<std::uint8_t> data;
        if (!readFile(path, kMaxModuleFileBytes, data)) {
            fail(text(path), "cannot be read");
            return marker;
        }
        const std::string name = addFile(kInstallerMarker.csidl, kInstallerMarker.relative, path, entry,
                                         kKindInstallerMarker, kInstallerMarker.what, std::move(data));
        marker["file"] = name;
        return marker;
    }

    std::string addFile(int csidl, std::wstring_view relative, const std::wstring& windowsPath,
                        const qmplatform::FolderEntry& entry, const char* kind, const std::string& what,
                        std::vector<std::uint8_t> data) {
        const std::string relativeText = text(relative);
        const std::string name = kFilesFolder + folderName(csidl) + "/" + entryPath(redactor_.text(relative));
        add(name, kind, what, std::move(data),
            {{"windowsPath", text(windowsPath)},
             {"folder", folderName(csidl)},
             {"relative", relativeText},
             {"lastWriteTime", entry.lastWriteTime}});
        return name;
    }

    // ---- drives ------------------------------------------------------------

    template <class F> static void attempt(Json& failures, Json& rejected, const char* method, F&& call) {
        try {
            call();
        } catch (const QMRT::QMRT_Exception& e) {
            if (e.nativeError() < 0) {
                failures[method] = hresultText(e.nativeError());
            } else {
                // The server answered, with a value the client layer refuses.
                rejected[method] = {{"code", e.code()}, {"message", e.message()}, {"value", e.nativeError()}};
            }
        }
    }

    void drives() {
        Json d;
        d["scanLines"] = Json::array();
        for (const std::wstring& line : scanLines_) {
            d["scanLines"].push_back(text(line));
        }
        Json managerFailures = Json::object();
        Json managerRejected = Json::object();
        std::string update;
        attempt(managerFailures, managerRejected, "GetUpdateShellCommand",
                [&] { update = QMRT::getUpdateShellCommand(); });
        d["updateShellCommand"] = redactor_.utf8(update);
        Json list = Json::array();
        bool reachable = false;
        try {
            QMRT::QMRT_EnumDiscPrinters enumerator;
            reachable = true;
            int count = 0;
            attempt(managerFailures, managerRejected, "Count", [&] { count = enumerator.Count(); });
            for (int i = 0; i < count; ++i) {
                list.push_back(drive(enumerator, i, managerFailures, managerRejected));
            }
        } catch (const QMRT::QMRT_Exception& e) {
            d["error"] = {{"code", e.code()},
                          {"location", e.location()},
                          {"message", e.message()},
                          {"hresult", hresultText(e.nativeError())}};
            // A server that is registered but refuses to enumerate is still
            // there; one that cannot be created is not.
            const std::int32_t hr = e.nativeError();
            const bool notThere = hr == static_cast<std::int32_t>(0x80040154u) /* class not registered */ ||
                                  hr == static_cast<std::int32_t>(0x8007007Eu) /* module not found */;
            if (!notThere) {
                reachable = true;
                managerFailures["EnumDiscPrinters"] = hresultText(hr);
            }
        }
        d["reachable"] = reachable;
        d["failures"] = managerFailures;
        d["rejected"] = managerRejected;
        d["drives"] = list;
        add(kDrivesName, kKindDrives, "the drives as the labelling API reports them", bytesOf(d.dump(2) + "\n"));
    }

    Json drive(QMRT::QMRT_EnumDiscPrinters& enumerator, int index, Json& managerFailures, Json& managerRejected) {
        Json d = {{"index", index}};
        Json failures = Json::object();
        Json rejected = Json::object();
        std::unique_ptr<QMRT::QMRT_DiscPrinter> printer;
        attempt(managerFailures, managerRejected, "Item", [&] { printer = enumerator.Item(index); });
        if (!printer) {
            d["failures"] = failures;
            return d;
        }
        auto textCall = [&](const char* field, const char* method, std::string (QMRT::QMRT_DiscPrinter::*get)()) {
            attempt(failures, rejected, method, [&] { d[field] = redactor_.utf8(((*printer).*get)()); });
        };
        auto numberCall = [&](const char* field, const char* method, int (QMRT::QMRT_DiscPrinter::*get)()) {
            attempt(failures, rejected, method, [&] { d[field] = ((*printer).*get)(); });
        };
        textCall("path", "GetPrinterPath", &QMRT::QMRT_DiscPrinter::GetPrinterPath);
        textCall("vendor", "GetPrinterVendorName", &QMRT::QMRT_DiscPrinter::GetPrinterVendorName);
        textCall("product", "GetPrinterProductName", &QMRT::QMRT_DiscPrinter::GetPrinterProductName);
        textCall("displayName", "GetPrinterDisplayName", &QMRT::QMRT_DiscPrinter::GetPrinterDisplayName);
        numberCall("capabilities", "GetPrinterCapabilities", &QMRT::QMRT_DiscPrinter::GetPrinterCapabilities);
        numberCall("innerRadius", "GetDriveInnerRadius", &QMRT::QMRT_DiscPrinter::GetDriveInnerRadius);
        numberCall("outerRadius", "GetDriveOuterRadius", &QMRT::QMRT_DiscPrinter::GetDriveOuterRadius);
        attempt(failures, rejected, "Validate", [&] { printer->Validate(); });
        // Media as it lies: the tray is never moved.
        d["media"] = nullptr;
        try {
            const QMRT::QMRT_MediaInformation m = printer->GetCurrentMedia(QMRT::QMRT_OPTIMIZE_MEDIA);
            Json bytes = Json::array();
            for (std::uint8_t b : m.bytes) {
                bytes.push_back(b);
            }
            d["media"] = {{"imagingParameter", m.imagingParameter}, {"shapeAndSize", m.shapeAndSize},
                          {"value1", m.value1},                     {"value2", m.value2},
                          {"value4", m.value4},                     {"value5", m.value5},
                          {"bytes", bytes}};
        } catch (const QMRT::QMRT_Exception& e) {
            d["mediaError"] = hresultText(e.nativeError());
        }
        d["failures"] = failures;
        d["rejected"] = rejected;
        return d;
    }

    // ---- registry ----------------------------------------------------------

    struct ExportState {
        qmplatform::emulated::RegFileContents contents;
        std::uint64_t bytes = 0;
    };

    void exportKey(const std::wstring& path, bool recursive, const wchar_t* onlyValue, ExportState& state,
                   int depth) {
        qmplatform::RegKey key;
        if (key.open(system_.registry(), RegRoot::LocalMachine, path, RegAccess::Read) != qmplatform::kErrorSuccess) {
            return;
        }
        qmplatform::emulated::RegFileKey fileKey;
        fileKey.path = redactor_.text(std::wstring(kLocalMachine) + path);
        std::wstring name;
        qmplatform::RegValue value;
        for (std::uint32_t i = 0; key.get()->enumValue(i, name, value) == qmplatform::kErrorSuccess; ++i) {
            if (onlyValue != nullptr && !qmplatform::equalNoCase(name, onlyValue)) {
                continue;
            }
            qmplatform::emulated::RegFileValue v;
            v.name = redactor_.text(name);
            v.type = value.type;
            v.data = redactValue(value);
            state.bytes += v.name.size() * 2 + v.data.size();
            if (state.bytes > kMaxRegistryExportBytes) {
                throw std::runtime_error("larger than the registry export limit");
            }
            fileKey.values.push_back(std::move(v));
        }
        state.contents.keys.push_back(std::move(fileKey));
        if (!recursive || depth >= kMaxKeyDepth) {
            return;
        }
        std::vector<std::wstring> subkeys;
        for (std::uint32_t i = 0; key.get()->enumKey(i, name) == qmplatform::kErrorSuccess; ++i) {
            subkeys.push_back(name);
        }
        for (const std::wstring& sub : subkeys) {
            exportKey(path + L"\\" + sub, true, nullptr, state, depth + 1);
        }
    }

    std::vector<std::uint8_t> redactValue(const qmplatform::RegValue& value) const {
        if (!redactor_.active()) {
            return value.data;
        }
        if (value.type == qmplatform::kRegSz || value.type == qmplatform::kRegExpandSz) {
            return qmplatform::regSzData(redactor_.text(qmplatform::regSzText(value.data)));
        }
        if (value.type == qmplatform::kRegMultiSz) {
            std::vector<std::wstring> texts = qmplatform::regMultiSzTexts(value.data);
            for (std::wstring& t : texts) {
                t = redactor_.text(t);
            }
            return qmplatform::regMultiSzData(texts);
        }
        return value.data;
    }

    void exportOne(int number, const std::string& name, const std::wstring& path, bool recursive,
                   const wchar_t* onlyValue, const std::string& what) {
        const std::string item = "HKEY_LOCAL_MACHINE\\" + toUtf8(path);
        qmplatform::RegKey probe;
        const long opened = probe.open(system_.registry(), RegRoot::LocalMachine, path, RegAccess::Read);
        if (opened == qmplatform::kErrorFileNotFound) {
            absent(item);
            return;
        }
        if (opened != qmplatform::kErrorSuccess) {
            fail(item, "cannot be opened for reading (error " + std::to_string(opened) + ")");
            return;
        }
        probe.close();
        ExportState state;
        try {
            exportKey(path, recursive, onlyValue, state, 0);
        } catch (const std::exception& e) {
            leaveOut(item, state.bytes, e.what());
            return;
        }
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%02d-", number);
        add(std::string(kRegistryFolder) + prefix + redactor_.utf8(name) + ".reg", kKindRegistry, what,
            qmplatform::emulated::writeRegFile(state.contents), {{"key", redactor_.utf8(item)}});
    }

    void registry() {
        int number = 1;
        for (const RegistryExport& e : kRegistryExports) {
            step(e.name, [&] { exportOne(number, e.name, std::wstring(e.path), e.recursive, e.onlyValue, e.what); });
            ++number;
        }
        // The event sources of the labelling service: every source the
        // event-log page counts as the service's.
        std::unique_ptr<qmplatform::RegistryKey> sources;
        if (system_.registry().openKey(RegRoot::LocalMachine, kApplicationSources, RegAccess::Read, sources) !=
            qmplatform::kErrorSuccess) {
            absent(toUtf8(std::wstring(kLocalMachine) + std::wstring(kApplicationSources)));
            return;
        }
        std::wstring name;
        for (std::uint32_t i = 0; sources->enumKey(i, name) == qmplatform::kErrorSuccess; ++i) {
            if (!isQuillmarkSource(name)) {
                continue;
            }
            const std::wstring path = std::wstring(kApplicationSources) + L"\\" + name;
            eventSources_.push_back(path);
            step("event source", [&] {
                exportOne(number, "Eventlog-" + toUtf8(name), path, true, nullptr, "an event source of the service");
            });
            ++number;
        }
    }

    // ---- modules -----------------------------------------------------------

    // Where a Windows path lies below one of the bundle's folders.
    bool locate(const std::wstring& windowsPath, int& csidl, std::wstring& relative) {
        for (const FolderRow& row : kFolders) {
            const auto base = folder(row.csidl);
            if (!base || base->empty()) {
                continue;
            }
            const std::wstring prefix = *base + L"\\";
            if (windowsPath.size() > prefix.size() &&
                qmplatform::equalNoCase(std::wstring_view(windowsPath).substr(0, prefix.size()), prefix)) {
                csidl = row.csidl;
                relative = windowsPath.substr(prefix.size());
                return true;
            }
        }
        return false;
    }

    void modules() {
        std::vector<ModuleRow> rows(std::begin(kModules), std::end(kModules));
        // The message files the event-log page formats the service's events with.
        std::vector<std::pair<int, std::wstring>> messageFiles;
        for (const std::wstring& source : eventSources_) {
            qmplatform::RegKey key;
            std::wstring files;
            if (key.open(system_.registry(), RegRoot::LocalMachine, source, RegAccess::Read) != qmplatform::kErrorSuccess ||
                key.readString(L"EventMessageFile", files) != qmplatform::kErrorSuccess) {
                continue;
            }
            std::wistringstream list(system_.environment().expand(files));
            for (std::wstring file; std::getline(list, file, L';');) {
                int csidl = 0;
                std::wstring relative;
                if (locate(file, csidl, relative)) {
                    messageFiles.emplace_back(csidl, relative);
                } else if (!file.empty()) {
                    leaveOut(text(file), 0, "a message file outside the carried folders");
                }
            }
        }
        Json versions = Json::array();
        auto seen = [&](int csidl, const std::wstring& relative) {
            for (const Json& v : versions) {
                if (v["folder"] == folderName(csidl) &&
                    qmplatform::equalNoCase(qmplatform::fromUtf8(v["relative"].get<std::string>()), redactor_.text(relative))) {
                    return true;
                }
            }
            return false;
        };
        for (const ModuleRow& row : rows) {
            versions.push_back(module(row.csidl, row.relative, row.what, row.program));
        }
        for (const auto& [csidl, relative] : messageFiles) {
            if (!seen(csidl, relative)) {
                versions.push_back(module(csidl, relative, "a message file of the service's events", false));
            }
        }
        add(kModuleVersionsName, kKindModuleVersions, "version data of every module the checks and probes read",
            bytesOf(versions.dump(2) + "\n"));
    }

    Json module(int csidl, const std::wstring& relative, const std::string& what, bool program) {
        Json v;
        v["folder"] = folderName(csidl);
        v["relative"] = text(relative);
        v["what"] = what;
        v["program"] = program;
        const auto base = folder(csidl);
        if (!base) {
            v["path"] = nullptr;
            v["error"] = qmplatform::kErrorPathNotFound;
            return v;
        }
        const std::wstring path = *base + L"\\" + relative;
        v["path"] = text(path);
        versionData(path, v);
        qmplatform::FolderEntry entry;
        v["file"] = nullptr;
        if (!stat(path, entry)) {
            absent(text(path));
            return v;
        }
        v["fileSize"] = entry.size;
        if (program) {
            leaveOut(text(path), entry.size, "a program module: only its version data is carried");
            return v;
        }
        if (entry.size > kMaxModuleFileBytes) {
            leaveOut(text(path), entry.size, "larger than the module limit: only its version data is carried");
            return v;
        }
        std::vector<std::uint8_t> data;
        if (!readFile(path, kMaxModuleFileBytes, data)) {
            fail(text(path), "cannot be read");
            return v;
        }
        if (redactor_.mentionedIn(data)) {
            leaveOut(text(path), entry.size, "holds a redacted name: only its version data is carried");
            return v;
        }
        v["file"] = addFile(csidl, relative, path, entry, kKindModule, what, std::move(data));
        return v;
    }

    // What qmres version shows of one file.
    void versionData(const std::wstring& path, Json& j) {
        static constexpr const wchar_t* kStrings[] = {
            L"Comments",     L"CompanyName",    L"FileDescription", L"FileVersion",
            L"InternalName", L"LegalCopyright", L"LegalTrademarks", L"OriginalFilename",
            L"PrivateBuild", L"ProductName",    L"ProductVersion",  L"SpecialBuild",
        };
        qmplatform::VersionInfo& versions = system_.versionInfo();
        long error = 0;
        const std::uint32_t size = versions.infoSize(path, error);
        j["size"] = size;
        j["error"] = error;
        if (size == 0) {
            return;
        }
        std::vector<std::uint8_t> block(size);
        if (!versions.info(path, block, error)) {
            j["error"] = error;
            return;
        }
        auto versionText = [](std::uint32_t ms, std::uint32_t ls) {
            return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) +
                   "." + std::to_string(ls & 0xFFFF);
        };
        qmplatform::FixedFileInfo fixed;
        if (qmplatform::queryFixedFileInfo(versions, block, fixed)) {
            j["fileVersion"] = versionText(fixed.fileVersionMS, fixed.fileVersionLS);
            j["productVersion"] = versionText(fixed.productVersionMS, fixed.productVersionLS);
            j["fileFlags"] = fixed.fileFlags;
            j["fileOS"] = fixed.fileOS;
            j["fileType"] = fixed.fileType;
        }
        std::vector<std::uint32_t> translations;
        if (qmplatform::queryTranslations(versions, block, translations)) {
            j["translations"] = translations;
        }
        if (translations.empty()) {
            return;
        }
        Json strings = Json::object();
        const auto language = static_cast<std::uint16_t>(translations[0] & 0xFFFF);
        const auto codePage = static_cast<std::uint16_t>(translations[0] >> 16);
        wchar_t table[16];
        std::swprintf(table, 16, L"%04x%04x", language, codePage);
        for (const wchar_t* name : kStrings) {
            qmplatform::VersionQueryResult result;
            const std::wstring sub = std::wstring(L"\\StringFileInfo\\") + table + L"\\" + name;
            if (versions.queryValue(block, sub, result)) {
                std::wstring value;
                (void)qmplatform::queryVersionString(versions, block, language, codePage, name, value);
                strings[toUtf8(name)] = {{"value", text(value)}, {"length", result.length}};
            }
        }
        j["strings"] = strings;
    }

    // ---- error logs --------------------------------------------------------

    void errorLogs() {
        struct Found {
            int csidl;
            std::wstring folder;
            qmplatform::FolderEntry entry;
            int order;
        };
        std::vector<Found> found;
        int order = 0;
        for (int csidl : kLogFolders) {
            const auto base = folder(csidl);
            if (!base) {
                continue;
            }
            const std::wstring logFolder = *base + L"\\" + kLogSubfolder;
            std::vector<qmplatform::FolderEntry> entries;
            if (!system_.files().listFolder(logFolder, entries)) {
                absent(text(logFolder));
                continue;
            }
            for (const auto& entry : entries) {
                if (!entry.isFolder) {
                    found.push_back({csidl, logFolder, entry, order});
                }
            }
            ++order;
        }
        // Newest first over all three folders, so the limits drop the oldest.
        std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
            if (a.entry.lastWriteTime != b.entry.lastWriteTime) {
                return a.entry.lastWriteTime > b.entry.lastWriteTime;
            }
            return a.order != b.order ? a.order < b.order : a.entry.name < b.entry.name;
        });
        std::uint64_t total = 0;
        for (const Found& f : found) {
            const std::wstring path = f.folder + L"\\" + f.entry.name;
            if (f.entry.size > kMaxLogFileBytes) {
                leaveOut(text(path), f.entry.size, "larger than the limit per log file");
                continue;
            }
            if (total + f.entry.size > kMaxLogTotalBytes) {
                leaveOut(text(path), f.entry.size, "past the limit of all log files together");
                continue;
            }
            std::vector<std::uint8_t> data;
            if (!readFile(path, kMaxLogFileBytes, data)) {
                fail(text(path), "cannot be read");
                continue;
            }
            total += data.size();
            addFile(f.csidl, std::wstring(kLogSubfolder) + L"\\" + f.entry.name, path, f.entry, kKindErrorLog,
                    "an XML error log", redactor_.textFile(data));
        }
    }

    // ---- event log ---------------------------------------------------------

    void eventLog() {
        qmplatform::EventLog& log = system_.eventLog();
        long error = 0;
        const qmplatform::EventLogHandle handle = log.open(kApplicationLog, error);
        if (handle == nullptr) {
            fail("Application event log", "cannot be opened (error " + std::to_string(error) + ")");
            return;
        }
        const std::int64_t cutoff = created_ - static_cast<std::int64_t>(kOtherSourcesDays) * 86400;
        std::vector<qmplatform::evt::EventRecordSpec> newestFirst;
        std::uint64_t bytes = 0;
        std::uint64_t service = 0, older = 0, overLimit = 0, damaged = 0;
        const long end = qmplatform::readEventLogBackwards(
            log, handle, kEventLogReadBuffer, [&](std::span<const std::uint8_t> record) {
                qmplatform::EventLogRecordView view;
                if (!qmplatform::parseEventLogRecord(record, view)) {
                    ++damaged;
                    return;
                }
                const bool ours = isQuillmarkSource(view.sourceName);
                if (!ours && static_cast<std::int64_t>(view.timeGenerated) < cutoff) {
                    ++older;
                    return;
                }
                if (bytes + record.size() > kMaxEventLogBytes) {
                    ++overLimit;
                    return;
                }
                bytes += record.size();
                service += ours ? 1 : 0;
                qmplatform::evt::EventRecordSpec spec;
                spec.timeGenerated = view.timeGenerated;
                spec.timeWritten = view.timeWritten;
                spec.eventId = view.eventId;
                spec.eventType = view.eventType;
                spec.eventCategory = view.eventCategory;
                spec.sourceName = redactor_.text(view.sourceName);
                spec.computerName = redactor_.text(view.computerName);
                spec.userSid = redactor_.sid(view.userSid);
                for (const std::wstring& s : view.strings) {
                    spec.strings.push_back(redactor_.text(s));
                }
                spec.data = view.data;
                newestFirst.push_back(std::move(spec));
            });
        log.close(handle);
        if (end != qmplatform::kErrorHandleEof) {
            fail("Application event log", "reading stopped early (error " + std::to_string(end) + ")");
        }
        if (older > 0) {
            leaveOut("Application event log: " + std::to_string(older) + " records of other sources", 0,
                     "older than " + std::to_string(kOtherSourcesDays) + " days");
        }
        if (overLimit > 0) {
            leaveOut("Application event log: " + std::to_string(overLimit) + " older records", 0,
                     "past the event log limit");
        }
        std::vector<qmplatform::evt::EventRecordSpec> oldestFirst(newestFirst.rbegin(), newestFirst.rend());
        std::string writeError;
        std::vector<std::uint8_t> file = qmplatform::evt::writeEvtFile(oldestFirst, {}, writeError);
        if (file.empty()) {
            fail("Application event log", writeError);
            return;
        }
        add(kEventLogName, kKindEventLog, "the Application event log", std::move(file),
            {{"records", oldestFirst.size()},
             {"serviceRecords", service},
             {"otherSourcesDays", kOtherSourcesDays},
             {"damagedRecords", damaged}});
    }

    // ---- fix journal -------------------------------------------------------

    void journal() {
        const auto base = folder(0x1C);
        if (!base) {
            return;
        }
        const std::wstring relative(FileFixJournal::kRelativePath);
        const std::wstring path = *base + L"\\" + relative;
        qmplatform::FolderEntry entry;
        if (!stat(path, entry)) {
            absent(text(path));
            return;
        }
        std::vector<std::uint8_t> data;
        if (entry.size > kMaxJournalBytes || !readFile(path, kMaxJournalBytes, data)) {
            leaveOut(text(path), entry.size, "larger than the journal limit, or unreadable");
            return;
        }
        addFile(0x1C, relative, path, entry, kKindFixJournal, "the journal of applied fixes", redactor_.textFile(data));
    }

public:
    std::int64_t created_ = 0;

private:
    DiagtoolSession& session_;
    qmplatform::System& system_;
    const BundleOptions& options_;
    BundleContents& out_;
    Redactor redactor_;
    std::wstring userName_, computerName_;
    std::vector<std::pair<std::wstring, std::wstring>> environment_;
    std::map<int, std::optional<std::wstring>> folders_;
    std::vector<std::wstring> scanLines_;
    std::vector<std::wstring> eventSources_;
};

} // namespace

const char* kindDescription(std::string_view kind) {
    for (const KindRow& row : kKinds) {
        if (kind == row.kind) {
            return row.description;
        }
    }
    return "";
}

BundleContents collectSupportBundle(DiagtoolSession& session, const BundleOptions& options) {
    BundleContents contents;
    contents.created = options.now != 0 ? options.now
                                        : std::chrono::duration_cast<std::chrono::seconds>(
                                              std::chrono::system_clock::now().time_since_epoch())
                                              .count();
    contents.redacted = options.redact;
    Collector collector(session, options, contents);
    collector.created_ = contents.created;
    collector.run();
    return contents;
}

nlohmann::ordered_json bundleManifest(const BundleContents& contents) {
    Json m;
    m["format"] = kFormatName;
    m["formatVersion"] = kFormatVersion;
    m["suiteVersion"] = QM_SUITE_VERSION;
    m["created"] = isoTime(contents.created);
    m["createdSeconds"] = contents.created;
    m["redacted"] = contents.redacted;
    if (contents.redacted) {
        m["placeholders"] = {{"userName", toUtf8(kRedactedUser)},
                             {"computerName", toUtf8(kRedactedComputer)},
                             {"userSids", "S-1-5-21-0-0-0-<RID>"}};
    }
    m["limits"] = {{"moduleFileBytes", kMaxModuleFileBytes},   {"logFileBytes", kMaxLogFileBytes},
                   {"logTotalBytes", kMaxLogTotalBytes},       {"journalBytes", kMaxJournalBytes},
                   {"registryExportBytes", kMaxRegistryExportBytes}, {"eventLogBytes", kMaxEventLogBytes},
                   {"otherSourcesDays", kOtherSourcesDays}};
    Json entries = Json::array();
    for (const BundleEntry& e : contents.entries) {
        Json row = {{"name", e.name}, {"kind", e.kind}, {"what", e.what}, {"size", e.data.size()},
                    {"sha256", sha256Hex(e.data)}};
        for (const auto& [key, value] : e.details.items()) {
            row[key] = value;
        }
        entries.push_back(std::move(row));
    }
    m["entries"] = entries;
    m["failures"] = contents.failures;
    m["leftOut"] = contents.leftOut;
    m["absent"] = contents.absent;
    return m;
}

bool packSupportBundle(const BundleContents& contents, std::vector<std::uint8_t>& archive, std::string& error) {
    ZipWriter zip;
    std::uint16_t dosTime = 0, dosDate = 0;
    dosDateTime(contents.created, dosTime, dosDate);
    zip.setTime(dosTime, dosDate);
    const std::string manifest = bundleManifest(contents).dump(2) + "\n";
    if (!zip.add(kManifestName, std::span(reinterpret_cast<const std::uint8_t*>(manifest.data()), manifest.size()),
                 error)) {
        return false;
    }
    for (const BundleEntry& e : contents.entries) {
        if (!zip.add(e.name, e.data, error)) {
            return false;
        }
    }
    archive = zip.finish();
    return true;
}

bool writeSupportBundle(const std::filesystem::path& file, const BundleContents& contents, std::string& error) {
    std::vector<std::uint8_t> archive;
    if (!packSupportBundle(contents, archive, error)) {
        return false;
    }
    return qmplatform::writeFileReplacing(file, archive, error);
}

} // namespace qmbundle
