// The system's COM. The CTest fixture registered the test classes in the
// Wine prefix (or on Windows) under HKEY_CLASSES_ROOT, as an installer would.
#include "ComWorld.h"

#include "win32/Win32DynamicLibraries.h"

#include <windows.h>

#include <algorithm>

namespace {

// The build folder's path as Windows (Wine, drive Z:) sees it.
std::wstring windowsForm(const char* path) {
    std::wstring wide(path, path + std::char_traits<char>::length(path));
    if (!wide.empty() && wide.front() == L'/') {
        wide = L"Z:" + wide;
    }
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
}

bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class Win32ComWorld final : public ComWorld {
public:
    qmplatform::DynamicLibraries& libraries() override { return *libraries_; }
    std::wstring serverPath() const override { return windowsForm(QM_TEST_SERVER_FILE); }
    HRESULT failureResult(Failure failure, DWORD context) const override {
        if (!wine_) {
            return windowsFailureResult(failure);
        }
        // Wine's COM goes on to the local server whenever the in-process one
        // fails, and ends with REGDB_E_CLASSNOTREG; in process alone it
        // answers every failed load with E_ACCESSDENIED and a missing entry
        // with CO_E_DLLNOTFOUND.
        if ((context & CLSCTX_LOCAL_SERVER) != 0) {
            return REGDB_E_CLASSNOTREG;
        }
        switch (failure) {
        case Failure::MissingModule:
        case Failure::BadFormat:
            return E_ACCESSDENIED;
        case Failure::MissingEntry:
            return CO_E_DLLNOTFOUND;
        case Failure::ClassNotServed:
            break;
        }
        return CLASS_E_CLASSNOTAVAILABLE;
    }

private:
    std::unique_ptr<qmplatform::DynamicLibraries> libraries_ = qmplatform::makeWin32DynamicLibraries();
    bool wine_ = underWine();
};

} // namespace

std::unique_ptr<ComWorld> makeComWorld() {
    return std::make_unique<Win32ComWorld>();
}
