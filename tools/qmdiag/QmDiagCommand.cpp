#include "QmDiagCommand.h"

#include "diagtool/app/ReadOnlySystem.h"

#include "diagtool/app/DiagnosticsReport.h"
#include "diagtool/app/DiagtoolSession.h"
#include "diagtool/bundle/BundlePlan.h"
#include "diagtool/client/DriveCore.h"
#include "diagtool/windows/GuidedCheck.h"
#include "diagtool/windows/WindowsDiagnostics.h"

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

// What a fix of each step changes, as the fix command reports it: the
// registry steps' changes come from the settings table.
struct FixRow {
    Step step;
    std::optional<settings::SettingId> setting;
    const wchar_t* change;
    const char* refused;
};
constexpr const char* kRefused = "could not be written (administrator rights are needed)";
constexpr FixRow kFixes[] = {
    {Step::Accelerator, settings::SettingId::IaaFix, nullptr, kRefused},
    {Step::AllocateCdRoms, settings::SettingId::AllocateCdRoms, nullptr, kRefused},
    {Step::Autorun, settings::SettingId::Autorun, nullptr, kRefused},
    {Step::ServiceRunning, std::nullopt, L"QuillmarkService started",
     "QuillmarkService did not start (it fails to start, or starting it needs administrator rights)"},
    {Step::ServiceAutomatic, settings::SettingId::ServiceStart, nullptr, kRefused},
    {Step::ServiceLocalSystem, settings::SettingId::ServiceObjectName, nullptr, kRefused},
};

std::wstring changeOf(const FixRow& row) {
    return row.setting ? settings::describeFix(settings::row(*row.setting)) : std::wstring(row.change);
}

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
    const DiagnosticsReport r = collectDiagnosticsReport(*session);
    if (json) {
        out << diagnosticsReportJson(r) << "\n";
    } else {
        printDiagnosticsReport(out, r);
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
                out << "changed: " << name << ": " << toUtf8(changeOf(row));
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
    const DiagnosticsReport r = collectDiagnosticsReport(*after);
    out << "after the fix: " << (r.healthy ? "healthy" : "problem remains") << "\n";
    printIndentedBlock(out, r.guided.statusText);
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

int bundle(const SystemFactory& openSystem, const std::string& file, bool redact, std::ostream& out,
           std::ostream& err) {
    qmbundle::BundleOptions options;
    options.redact = redact;
    qmbundle::BundleContents contents;
    std::string error;
    if (!qmbundle::collectFromMachine(openSystem, options, contents, error)) {
        err << "qmdiag: no machine to run on: " << error << " (see QUILLMARK_SYSROOT)\n";
        return kExitNoSystem;
    }
    if (!qmbundle::writeSupportBundle(file, contents, error)) {
        err << "qmdiag: the bundle could not be written: " << error << "\n";
        return kExitProblem;
    }
    std::uint64_t bytes = 0;
    for (const qmbundle::BundleEntry& e : contents.entries) {
        bytes += e.data.size();
    }
    out << "wrote " << file << ": " << contents.entries.size() << " entries, " << bytes << " bytes before compression"
        << (redact ? ", user and computer names and user SIDs replaced" : "") << "\n";
    for (const auto& f : contents.failures) {
        out << "not read: " << f["item"].get<std::string>() << ": " << f["error"].get<std::string>() << "\n";
    }
    for (const auto& l : contents.leftOut) {
        out << "left out: " << l["item"].get<std::string>() << ": " << l["reason"].get<std::string>() << "\n";
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
    // An argument that starts with / is a path, on Windows too, never an option.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    bool json = false;
    CLI::App* reportCommand = app.add_subcommand(
        "report", "what the checks find, changing nothing; exit 0 when healthy, 1 when a problem remains");
    reportCommand->add_flag("--json", json, "one JSON document on stdout");
    CLI::App* fixCommand = app.add_subcommand(
        "fix",
        "makes every fix the simple view offers (never the restart); exit status as report afterwards");
    CLI::App* undoCommand = app.add_subcommand("undo", "takes back the fixes of the last run that made any");
    std::string bundleFile;
    bool redact = false;
    CLI::App* bundleCommand = app.add_subcommand(
        "bundle", "writes a support bundle: one zip of what the checks, pages and probes read; changes nothing");
    bundleCommand->add_option("FILE", bundleFile, "the zip archive to write")->required();
    bundleCommand->add_flag("--redact", redact, "replace the user name, the computer name and user SIDs by placeholders");
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
    if (bundleCommand->parsed()) {
        return bundle(openSystem, bundleFile, redact, out, err);
    }
    (void)undoCommand;
    return undo(openSystem, out, err);
}

} // namespace qmdiag
