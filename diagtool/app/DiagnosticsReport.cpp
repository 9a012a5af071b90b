#include "diagtool/app/DiagnosticsReport.h"

#include "diagtool/client/DriveCore.h"
#include "diagtool/windows/WindowsDiagnostics.h"

#include "platform/WindowsText.h"

#include <nlohmann/json.hpp>

#include <iomanip>
#include <optional>
#include <ostream>
#include <sstream>

using qmplatform::toUtf8;

namespace {

// Every check the pages use, under the name the JSON report gives it.
struct CheckRow {
    const char* name;
    bool (*check)(const WindowsDiagnostics&);
};
constexpr CheckRow kChecks[] = {
    {"isQmsInstalled", [](const WindowsDiagnostics& c) { return c.isQmsInstalled(); }},
    {"hasQuillmarkDrive", [](const WindowsDiagnostics& c) { return c.hasQuillmarkDrive(); }},
    {settings::row(settings::SettingId::AllocateCdRoms).check, [](const WindowsDiagnostics& c) { return c.isAllocateCdRomsSet(); }},
    {settings::row(settings::SettingId::Autorun).check, [](const WindowsDiagnostics& c) { return c.isAutorunOn(); }},
    {"isIntelAcceleratorInstalled",
     [](const WindowsDiagnostics& c) { return c.isIntelAcceleratorInstalled(); }},
    {settings::row(settings::SettingId::IaaFix).check, [](const WindowsDiagnostics& c) { return c.isIaaFixSet(); }},
    {"isServiceRunning", [](const WindowsDiagnostics& c) { return c.isServiceRunning(); }},
    {settings::row(settings::SettingId::ServiceStart).check, [](const WindowsDiagnostics& c) { return c.isServiceAutomatic(); }},
    {settings::row(settings::SettingId::ServiceObjectName).check, [](const WindowsDiagnostics& c) { return c.isServiceLocalSystem(); }},
};

class DeclineEverything final : public GuidedCheckPrompter {
public:
    int ask(std::wstring_view, std::wstring_view, std::wstring_view) override { return kDecliningAnswer; }

private:
    static constexpr int kDecliningAnswer = 1;
};

nlohmann::ordered_json versionJson(const std::wstring& status, const std::wstring& text) {
    return {{"status", toUtf8(status)}, {"text", toUtf8(text)}};
}

nlohmann::ordered_json reportJson(const DiagnosticsReport& r) {
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

} // namespace

DiagnosticsReport collectDiagnosticsReport(DiagtoolSession& session) {
    WindowsDiagnostics& c = session.checks();
    DiagnosticsReport r;
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
    DeclineEverything decline;
    r.guided = GuidedCheck(c, decline).run();
    r.healthy = r.installed && r.guided.outcome == GuidedCheck::kFine &&
                r.guided.statusText == std::wstring(GuidedCheck::kOk) + std::wstring(GuidedCheck::kAllFine);
    return r;
}

std::string diagnosticsReportJson(const DiagnosticsReport& report) {
    return reportJson(report).dump(2);
}

void printIndentedBlock(std::ostream& out, const std::wstring& text) {
    if (text.empty()) {
        out << "    (empty)\n";
        return;
    }
    std::wistringstream lines(text);
    for (std::wstring line; std::getline(lines, line);) {
        out << (line.empty() ? "" : "    ") << toUtf8(line) << "\n";
    }
}

namespace {

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

} // namespace

void printDiagnosticsReport(std::ostream& out, const DiagnosticsReport& r) {
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
    printIndentedBlock(out, r.qmsSettings);
    out << "System settings:\n";
    printIndentedBlock(out, r.systemSettings);
    out << "Guided check (every fix declined): outcome " << r.guided.outcome << "\n";
    if (!r.guided.fixes.empty()) {
        out << "    would ask:";
        for (const GuidedCheck::Fix& fix : r.guided.fixes) {
            out << " " << toUtf8(GuidedCheck::stepName(fix.step));
        }
        out << "\n";
    }
    printIndentedBlock(out, r.guided.statusText);
    out << "Result: " << (r.healthy ? "healthy" : "problem remains") << "\n";
}

