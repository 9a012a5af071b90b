#pragma once

// What every check finds and what the guided check would still report,
// every fix declined: qmdiag's report, and the report a support bundle
// carries. Collecting it changes nothing on the machine when the session's
// system is read-only (ReadOnlySystem.h).

#include "DiagtoolSession.h"
#include "diagtool/windows/GuidedCheck.h"

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

struct DiagnosticsReport {
    std::wstring installPath;
    bool installed = false;
    std::wstring qmsStatus, qmsVersion, drfStatus, drfVersion;
    std::wstring qmsSettings, systemSettings;
    std::vector<std::wstring> drives;
    std::vector<std::pair<const char*, bool>> checks;
    GuidedCheck::Result guided;
    bool healthy = false;
};

DiagnosticsReport collectDiagnosticsReport(DiagtoolSession& session);
// `qmdiag report --json`: one document, two-space indented, no final newline.
std::string diagnosticsReportJson(const DiagnosticsReport& report);
// `qmdiag report`.
void printDiagnosticsReport(std::ostream& out, const DiagnosticsReport& report);
// Multi-line texts indented under their heading; an empty text says so.
void printIndentedBlock(std::ostream& out, const std::wstring& text);
