// A labelling server written for the tests: drives as plain data, a failure
// to inject per method, a log of every call and a count of the objects it
// still has alive, so a test sees what the client called and what it leaked.
#pragma once

#include "diagtool/client/DiscPrintApi.h"
#include "diagtool/client/QMRT.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fake {

struct Drive {
    std::wstring path = L"E";
    std::wstring displayName = L"Quillmark QM-1";
    std::wstring vendor = L"Quillmark";
    std::wstring product = L"QM-1";
    LONG capabilities = 1;
    LONG innerRadius = 23000;
    LONG outerRadius = 58000;
    std::optional<QMRT::QMRT_MediaInformation> media = QMRT::QMRT_MediaInformation{};
    // Method name -> the HRESULT it fails with.
    std::map<std::string, HRESULT> failures;
    // GetPrinterPath gives these in turn, then `path` (a drive that changes
    // between enumeration and detection).
    std::vector<std::wstring> laterPaths;
};

class Server {
public:
    std::vector<Drive> drives;
    HRESULT createResult = S_OK;
    // Manager and enumerator methods: "EnumDiscPrinters", "Count", "Item",
    // "GetUpdateShellCommand".
    std::map<std::string, HRESULT> failures;
    std::wstring updateCommand;
    LONG countOverride = -1; // >= 0: what Count says regardless of the drives

    std::vector<std::string> calls;
    LONG liveObjects = 0;
    // The last callback a session was given, with the reference it holds.
    QMRT::IQMDiscPrintProgressEvents* callback = nullptr;

    QMRT::ServerCreator creator();
    // A drive object outside any enumeration, for Attach tests.
    QMRT::IDiscPrinter* newPrinter(std::size_t index);
    HRESULT failure(const std::string& method) const;

    ~Server();
};

} // namespace fake
