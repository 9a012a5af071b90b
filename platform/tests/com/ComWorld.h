// Where the COM runtime tests run: the suite's runtime on an emulated machine
// with the test server installed and registered, or the system's COM with
// the test server registered in the Wine prefix (a CTest fixture).
#pragma once

#include "platform/DynamicLibraries.h"
#include "platform/com/Com.h"

#include <memory>
#include <string>

class ComWorld {
public:
    virtual ~ComWorld() = default;
    // A loader that reaches the very modules COM loads, for the server's counters.
    virtual qmplatform::DynamicLibraries& libraries() = 0;
    // The test server's module path as registered.
    virtual std::wstring serverPath() const = 0;
    enum class Failure { MissingModule, MissingEntry, BadFormat, ClassNotServed };
    // What creation in `context` gives when the registered module is
    // missing, lacks DllGetClassObject, is no module at all, or does not
    // serve the class.
    virtual HRESULT failureResult(Failure failure, DWORD context) const = 0;
};

std::unique_ptr<ComWorld> makeComWorld();

// Windows passes the loader's error on as an HRESULT, and the server's own
// refusal as it stands.
inline HRESULT windowsFailureResult(ComWorld::Failure failure) {
    switch (failure) {
    case ComWorld::Failure::MissingModule:
        return HRESULT_FROM_WIN32(126);
    case ComWorld::Failure::MissingEntry:
        return HRESULT_FROM_WIN32(127);
    case ComWorld::Failure::BadFormat:
        return HRESULT_FROM_WIN32(193);
    case ComWorld::Failure::ClassNotServed:
        break;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}
