#include "QmDiagCommand.h"

#include "ReadOnlySystem.h"

#include "DiagtoolSession.h"
#include "DriveCore.h"
#include "GuidedCheck.h"
#include "WindowsDiagnostics.h"

#include "platform/RegistryData.h"
#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iomanip>
#include <optional>
#include <ostream>
#include <sstream>

namespace qmdiag {

namespace {

using qmplatform::toUtf8;
using Step = GuidedCheck::Step;

// Every check the pages use, under the name the JSON report gives it.
struct CheckRow {
    const char* name;
    bool (*check)(const WindowsDiagnostics&);
};
constexpr CheckRow kChecks[] = {
    {"isQmsInstalled", [](const WindowsDiagnostics& c) { return c.isQmsInstalled(); }},
    {"hasQuillmarkDrive", [](const WindowsDiagnostics& c) { return c.hasQuillmarkDrive(); }},
    {"isAllocateCdRomsSet", [](const WindowsDiagnostics& c) { return c.isAllocateCdRomsSet(); }},
    {"isAutorunOn", [](const WindowsDiagnostics& c) { return c.isAutorunOn(); }},
    {"isIntelAcceleratorInstalled",
     [](const WindowsDiagnostics& c) { return c.isIntelAcceleratorInstalled(); }},
    {"isIaaFixSet", [](const WindowsDiagnostics& c) { return c.isIaaFixSet(); }},
    {"isServiceRunning", [](const WindowsDiagnostics& c) { return c.isServiceRunning(); }},
    {"isServiceAutomatic", [](const WindowsDiagnostics& c) { return c.isServiceAutomatic(); }},
    {"isServiceLocalSystem", [](const WindowsDiagnostics& c) { return c.isServiceLocalSystem(); }},
};

// What a fix of each step changes, as the fix command reports it.
struct FixRow {
    Step step;
    const wchar_t* change;
    const char* refused;
};
constexpr const char* kRefused = "could not be written (administrator rights are needed)";
constexpr FixRow kFixes[] = {
    {Step::Accelerator, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark\\IAA = 1", kRefused},
    {Step::AllocateCdRoms,
     L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\"
     L"allocatecdroms = \"0\"",
     kRefused},
    {Step::Autorun, L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\CDRom\\autorun = 1", kRefused},
    {Step::ServiceRunning, L"QuillmarkService started",
     "QuillmarkService did not start (it fails to start, or starting it needs administrator rights)"},
    {Step::ServiceAutomatic,
     L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\Start = 2", kRefused},
    {Step::ServiceLocalSystem,
     L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\ObjectName = "
     L"\"LocalSystem\"",
     kRefused},
};

const FixRow& fixRow(Step step) {
    for (const FixRow& row : kFixes) {
        if (row.step == step) {
            return row;
        }
    }
    return kFixes[0];
}

class AnswerEverything final : public GuidedCheckPrompter {
public:
    explicit AnswerEverything(int answer) : answer_(answer) {}
    int ask(std::wstring_view, std::wstring_view, std::wstring_view) override { return answer_; }

private:
    int answer_;
};
constexpr int kFixingAnswer = 0;
constexpr int kDecliningAnswer = 1;

struct Report {
    std::wstring installPath;
    bool installed = false;
    std::wstring qmsStatus, qmsVersion, drfStatus, drfVersion;
    std::wstring qmsSettings, systemSettings;
    std::vector<std::wstring> drives;
    std::vector<std::pair<const char*, bool>> checks;
    GuidedCheck::Result guided;
    bool healthy = false;
};

Report collect(DiagtoolSession& session) {
    WindowsDiagnostics& c = session.checks();
    Report r;
    r.installPath = c.getQmsInstallPath();
    r.installed = c.isQmsInstalled();
    r.qmsStatus = c.getQmsVersion(r.qmsVersion);
    r.drfStatus = c.getDrfVersion(r.drfVersion);
    r.qmsSettings = c.qmsSettingsReport();
    r.systemSettings = c.systemSettingsReport();
    // The report must not move a drive's tray: media is read as it lies.
    const QMRT::MediaDetector detect =
        [](const std::string& path) -> std::optional<QMRT::QMRT_MediaInformation> {
        QMRT::QMRT_MediaInformation info;
        if (QMRT::detectMedia(path, info, false)) {
            return info;
        }
        return std::nullopt;
    };
    for (const std::string& line : QMRT::scanDrivesAndMedia(detect)) {
        r.drives.push_back(QMRT::wideFromAnsi(line));
    }
    for (const CheckRow& row : kChecks) {
        r.checks.emplace_back(row.name, row.check(c));
    }
    AnswerEverything decline(kDecliningAnswer);
    r.guided = GuidedCheck(c, decline).run();
    r.healthy = r.installed && r.guided.outcome == GuidedCheck::kFine &&
                r.guided.statusText == std::wstring(GuidedCheck::kOk) + std::wstring(GuidedCheck::kAllFine);
    return r;
}

nlohmann::ordered_json versionJson(const std::wstring& status, const std::wstring& text) {
    return {{"status", toUtf8(status)}, {"text", toUtf8(text)}};
}

nlohmann::ordered_json reportJson(const Report& r) {
    nlohmann::ordered_json doc;
    doc["installed"] = r.installed;
    doc["installPath"] = toUtf8(r.installPath);
    doc["qmsVersion"] = versionJson(r.qmsStatus, r.qmsVersion);
    doc["drfVersion"] = versionJson(r.drfStatus, r.drfVersion);
    doc["qmsSettingsReport"] = toUtf8(r.qmsSettings);
    doc["systemSettingsReport"] = toUtf8(r.systemSettings);
    doc["drives"] = nlohmann::ordered_json::array();
    for (const std::wstring& line : r.drives) {
        doc["drives"].push_back(toUtf8(line));
    }
    nlohmann::ordered_json checks = nlohmann::ordered_json::object();
    for (const auto& [name, value] : r.checks) {
        checks[name] = value;
    }
    doc["checks"] = checks;
    nlohmann::ordered_json wouldAsk = nlohmann::ordered_json::array();
    for (const GuidedCheck::Fix& fix : r.guided.fixes) {
        wouldAsk.push_back(toUtf8(GuidedCheck::stepName(fix.step)));
    }
    doc["guided"] = {
        {"outcome", r.guided.outcome}, {"status", toUtf8(r.guided.statusText)}, {"wouldAsk", wouldAsk}};
    doc["healthy"] = r.healthy;
    return doc;
}

// Multi-line texts indented under their heading; an empty text says so.
void printBlock(std::ostream& out, const std::wstring& text) {
    if (text.empty()) {
        out << "    (empty)\n";
        return;
    }
    std::wistringstream lines(text);
    for (std::wstring line; std::getline(lines, line);) {
        out << (line.empty() ? "" : "    ") << toUtf8(line) << "\n";
    }
}

void printVersion(std::ostream& out, const char* name, const std::wstring& status, const std::wstring& text) {
    out << name << ": ";
    if (status == WindowsDiagnostics::kOk) {
        out << toUtf8(text) << "\n";
    } else {
        std::wstring error = status;
        while (!error.empty() && error.back() == L'\n') {
            error.pop_back();
        }
        out << "(" << toUtf8(error) << ")\n";
    }
}

void printReport(std::ostream& out, const Report& r) {
    out << "QMS installed: " << (r.installed ? "yes" : "no") << " (" << toUtf8(r.installPath) << ")\n";
    printVersion(out, "QMS version", r.qmsStatus, r.qmsVersion);
    printVersion(out, "DRF version", r.drfStatus, r.drfVersion);
    out << "Drives:\n";
    if (r.drives.empty()) {
        out << "    (none)\n";
    }
    for (const std::wstring& line : r.drives) {
        out << "    " << toUtf8(line) << "\n";
    }
    out << "Checks:\n";
    for (const auto& [name, value] : r.checks) {
        out << "    " << std::left << std::setw(28) << name << (value ? "yes" : "no") << "\n";
    }
    out << std::right;
    out << "QMS settings:\n";
    printBlock(out, r.qmsSettings);
    out << "System settings:\n";
    printBlock(out, r.systemSettings);
    out << "Guided check (every fix declined): outcome " << r.guided.outcome << "\n";
    if (!r.guided.fixes.empty()) {
        out << "    would ask:";
        for (const GuidedCheck::Fix& fix : r.guided.fixes) {
            out << " " << toUtf8(GuidedCheck::stepName(fix.step));
        }
        out << "\n";
    }
    printBlock(out, r.guided.statusText);
    out << "Result: " << (r.healthy ? "healthy" : "problem remains") << "\n";
}

// The machine as the report sees it: read-only, so nothing a check opens
// is created.
std::unique_ptr<DiagtoolSession> openSession(const SystemFactory& openSystem, bool readOnly,
                                             std::ostream& err) {
    std::string error;
    std::unique_ptr<qmplatform::System> system = openSystem(error);
    if (!system) {
        err << "qmdiag: no machine to run on: " << error << " (see QUILLMARK_SYSROOT)\n";
        return nullptr;
    }
    if (readOnly) {
        system = makeReadOnlySystem(std::move(system));
    }
    return std::make_unique<DiagtoolSession>(std::move(system));
}

int report(const SystemFactory& openSystem, bool json, std::ostream& out, std::ostream& err) {
    const auto session = openSession(openSystem, true, err);
    if (!session) {
        return kExitNoSystem;
    }
    const Report r = collect(*session);
    if (json) {
        out << reportJson(r).dump(2) << "\n";
    } else {
        printReport(out, r);
    }
    return r.healthy ? kExitHealthy : kExitProblem;
}

int fix(const SystemFactory& openSystem, std::ostream& out, std::ostream& err) {
    {
        const auto session = openSession(openSystem, false, err);
        if (!session) {
            return kExitNoSystem;
        }
        AnswerEverything accept(kFixingAnswer);
        const GuidedCheck::Result result = GuidedCheck(session->checks(), accept).run();
        if (!result.qmsInstalled) {
            out << "not changed: the QMS is not installed; nothing can be fixed without it\n";
        }
        if (!result.journalNotice.empty()) {
            out << "note: " << toUtf8(result.journalNotice) << "\n";
        }
        for (const GuidedCheck::Fix& f : result.fixes) {
            const FixRow& row = fixRow(f.step);
            const std::string name = toUtf8(GuidedCheck::stepName(f.step));
            if (f.made) {
                out << "changed: " << name << ": " << toUtf8(row.change);
                if (f.unrecorded) {
                    out << " (cannot be undone: " << toUtf8(result.journalProblem) << ")";
                }
                out << "\n";
            } else {
                out << "not changed: " << name << ": " << row.refused << "\n";
            }
        }
        if (result.fixes.empty() && result.qmsInstalled) {
            out << "nothing to change\n";
        }
        if (result.restartNeeded) {
            out << "restart Windows for the changed settings to take effect\n";
        }
    }
    // What remains, as the next run sees the machine.
    const auto after = openSession(openSystem, true, err);
    if (!after) {
        return kExitNoSystem;
    }
    const Report r = collect(*after);
    out << "after the fix: " << (r.healthy ? "healthy" : "problem remains") << "\n";
    printBlock(out, r.guided.statusText);
    return r.healthy ? kExitHealthy : kExitProblem;
}

std::string dataText(const FixRecord& record) {
    if ((record.type == qmplatform::kRegSz || record.type == qmplatform::kRegExpandSz)) {
        return "\"" + toUtf8(qmplatform::regSzText(record.data)) + "\"";
    }
    if (record.type == qmplatform::kRegDword && record.data.size() == 4) {
        const std::uint32_t number = std::uint32_t{record.data[0]} | std::uint32_t{record.data[1]} << 8 |
                                     std::uint32_t{record.data[2]} << 16 |
                                     std::uint32_t{record.data[3]} << 24;
        return std::to_string(number);
    }
    std::ostringstream hex;
    hex << "hex(" << record.type << "):";
    for (std::size_t i = 0; i < record.data.size(); ++i) {
        hex << (i == 0 ? "" : ",") << std::hex << std::setw(2) << std::setfill('0') << int{record.data[i]};
    }
    return hex.str();
}

int undo(const SystemFactory& openSystem, std::ostream& out, std::ostream& err) {
    const auto session = openSession(openSystem, false, err);
    if (!session) {
        return kExitNoSystem;
    }
    FixRecord record;
    if (!session->journal().last(record)) {
        const std::wstring problem = session->journal().problem();
        if (!problem.empty()) {
            err << "qmdiag: nothing was undone: " << toUtf8(problem) << "\n";
        } else {
            err << "qmdiag: nothing to undo (no fix recorded in " << toUtf8(session->journal().path())
                << ")\n";
        }
        return kExitProblem;
    }
    // A record without a run comes from before runs were kept: it is a run
    // of its own.
    const std::wstring run = record.run;
    bool first = true;
    while (session->journal().last(record) && record.run == run && (first || !run.empty())) {
        const bool service = record.kind == FixKind::ServiceStart;
        const std::string where =
            toUtf8(service ? record.service : record.root + L"\\" + record.keyPath + record.valueName);
        if (!session->checks().undoLastFix()) {
            err << "qmdiag: could not " << (service ? "stop " : "restore ") << where
                << "; it stays in the journal\n";
            return kExitProblem;
        }
        if (service) {
            out << "stopped: " << where << " (it was not running before the fix)\n";
        } else if (record.existed) {
            out << "restored: " << where << " = " << dataText(record) << "\n";
        } else {
            out << "removed: " << where << " (it did not exist before the fix)\n";
        }
        first = false;
    }
    return kExitHealthy;
}

} // namespace

int runQmDiag(const std::vector<std::string>& args, const SystemFactory& openSystem, std::ostream& out,
              std::ostream& err) {
    CLI::App app{
        "Checks the Quillmark installation and the Windows settings it needs, as diagtool's simple view "
        "does; fixes them and takes the fixes back.",
        "qmdiag"};
    app.require_subcommand(1);
    bool json = false;
    CLI::App* reportCommand = app.add_subcommand(
        "report", "what the checks find, changing nothing; exit 0 when healthy, 1 when a problem remains");
    reportCommand->add_flag("--json", json, "one JSON document on stdout");
    CLI::App* fixCommand = app.add_subcommand(
        "fix",
        "makes every fix the simple view offers (never the restart); exit status as report afterwards");
    CLI::App* undoCommand = app.add_subcommand("undo", "takes back the fixes of the last run that made any");
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return kExitHealthy;
    } catch (const CLI::ParseError& e) {
        err << "qmdiag: " << e.what() << "\n" << app.help();
        return kExitUsage;
    }
    if (reportCommand->parsed()) {
        return report(openSystem, json, out, err);
    }
    if (fixCommand->parsed()) {
        return fix(openSystem, out, err);
    }
    (void)undoCommand;
    return undo(openSystem, out, err);
}

} // namespace qmdiag
