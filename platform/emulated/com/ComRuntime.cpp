// The suite's own COM runtime for systems without COM: per-thread counted
// initialisation, in-process servers found in the bound registry and loaded
// through the bound loader, BSTRs and GUID texts.
#include "platform/com/ComRuntime.h"
#include "platform/com/Com.h"

#include "platform/DynamicLibraries.h"
#include "platform/Environment.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/Win32Codes.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qmplatform::com {

namespace {

// A server module the runtime keeps loaded while it may serve objects.
struct ServerModule {
    DynamicLibraries* loader = nullptr;
    ModuleHandle module = nullptr;
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    LPFNCANUNLOADNOW canUnloadNow = nullptr;
    // Creations under way; such a module is never freed.
    unsigned busy = 0;
    // When the module first said it was unused, for the unload delay.
    std::optional<std::chrono::steady_clock::time_point> unusedSince;
};

// Windows' default unload delay for servers whose objects may be used from
// any thread.
constexpr std::chrono::minutes kDefaultUnloadDelay{10};

struct Runtime {
    std::mutex mutex;
    RuntimeBinding binding;
    std::vector<std::unique_ptr<ServerModule>> modules;
    unsigned initialisedThreads = 0;
};

Runtime& runtime() {
    // Never destroyed: threads and static destructors may still reach it at exit.
    static Runtime* const instance = new Runtime;
    return *instance;
}

// Frees the modules that have held no objects for `delay`. A server without
// DllCanUnloadNow never says it is unused, as with real COM. Called with the
// mutex held.
void freeUnusedModules(Runtime& rt, std::chrono::milliseconds delay = std::chrono::milliseconds(0)) {
    const auto now = std::chrono::steady_clock::now();
    auto& modules = rt.modules;
    for (auto it = modules.begin(); it != modules.end();) {
        ServerModule& entry = **it;
        const bool unused = entry.busy == 0 && entry.canUnloadNow != nullptr && entry.canUnloadNow() == S_OK;
        if (!unused) {
            entry.unusedSince.reset();
            ++it;
            continue;
        }
        if (!entry.unusedSince) {
            entry.unusedSince = now;
        }
        if (now - *entry.unusedSince >= delay) {
            entry.loader->free(entry.module);
            it = modules.erase(it);
        } else {
            ++it;
        }
    }
}

struct ThreadState {
    unsigned count = 0;
    DWORD model = COINIT_APARTMENTTHREADED;
    ~ThreadState() {
        // A thread that ends without its last CoUninitialize no longer counts.
        if (count > 0) {
            Runtime& rt = runtime();
            const std::lock_guard lock(rt.mutex);
            --rt.initialisedThreads;
        }
    }
};

ThreadState& threadState() {
    thread_local ThreadState state;
    return state;
}

std::wstring textFromRegistry(const RegValue& value) {
    std::basic_string<OLECHAR> units;
    for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
        const auto unit = static_cast<OLECHAR>(value.data[i] | value.data[i + 1] << 8);
        if (unit == 0) {
            break;
        }
        units.push_back(unit);
    }
    return wideFromOle(units.data(), units.size());
}

// HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32's default value, expanded.
HRESULT serverPath(const RuntimeBinding& binding, REFCLSID clsid, std::wstring& path) {
    if (binding.registry == nullptr) {
        return REGDB_E_CLASSNOTREG;
    }
    std::unique_ptr<RegistryKey> key;
    const std::wstring keyPath = L"CLSID\\" + guidToString(clsid) + L"\\InprocServer32";
    if (binding.registry->openKey(RegRoot::ClassesRoot, keyPath, RegAccess::Read, key) != kErrorSuccess) {
        return REGDB_E_CLASSNOTREG;
    }
    RegValue value;
    if (key->queryValue(L"", value) != kErrorSuccess ||
        (value.type != kRegSz && value.type != kRegExpandSz)) {
        return REGDB_E_CLASSNOTREG;
    }
    std::wstring text = textFromRegistry(value);
    if (value.type == kRegExpandSz && binding.environment != nullptr) {
        text = binding.environment->expand(text);
    }
    if (text.empty()) {
        return REGDB_E_CLASSNOTREG;
    }
    path = std::move(text);
    return S_OK;
}

// Loads (or finds) the server module and marks it busy; the caller calls
// doneWith() when it no longer needs the module pinned.
HRESULT acquireServer(Runtime& rt, const std::wstring& path, ServerModule*& out) {
    const std::lock_guard lock(rt.mutex);
    DynamicLibraries* loader = rt.binding.libraries;
    if (loader == nullptr) {
        return REGDB_E_CLASSNOTREG;
    }
    long error = kErrorSuccess;
    const ModuleHandle module = loader->load(path, kLoadWithAlteredSearchPath, error);
    if (module == nullptr) {
        return HRESULT_FROM_WIN32(static_cast<unsigned long>(error));
    }
    const auto known = std::find_if(rt.modules.begin(), rt.modules.end(), [&](const auto& entry) {
        return entry->loader == loader && entry->module == module;
    });
    if (known != rt.modules.end()) {
        // One reference per module is enough; the loader counted this load.
        loader->free(module);
        out = known->get();
    } else {
        auto entry = std::make_unique<ServerModule>();
        entry->loader = loader;
        entry->module = module;
        entry->getClassObject =
            reinterpret_cast<LPFNGETCLASSOBJECT>(loader->resolve(module, "DllGetClassObject"));
        if (entry->getClassObject == nullptr) {
            loader->free(module);
            return HRESULT_FROM_WIN32(static_cast<unsigned long>(kErrorProcNotFound));
        }
        entry->canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(loader->resolve(module, "DllCanUnloadNow"));
        out = entry.get();
        rt.modules.push_back(std::move(entry));
    }
    ++out->busy;
    return S_OK;
}

HRESULT guidFromOle(LPCOLESTR text, GUID& out, HRESULT malformed) {
    if (text == nullptr) {
        out = GUID_NULL;
        return S_OK;
    }
    // Nothing past the length of the braced form needs to be read.
    std::size_t length = 0;
    while (length <= 38 && text[length] != 0) {
        ++length;
    }
    return guidFromString(wideFromOle(text, length), out) ? S_OK : malformed;
}

constexpr std::size_t kBstrPrefix = sizeof(std::uint32_t);

unsigned char* bstrBlock(BSTR text) {
    return reinterpret_cast<unsigned char*>(text) - kBstrPrefix;
}

void doneWith(Runtime& rt, ServerModule& entry) {
    const std::lock_guard lock(rt.mutex);
    --entry.busy;
}

} // namespace

RuntimeBinding bindRuntime(const RuntimeBinding& binding) {
    Runtime& rt = runtime();
    const std::lock_guard lock(rt.mutex);
    // What the outgoing loader holds goes now, while it surely exists. A
    // server still serving objects stays loaded; the runtime forgets it, and
    // its loader closes it when it goes.
    freeUnusedModules(rt);
    std::erase_if(rt.modules,
                  [&](const auto& entry) { return entry->busy == 0 && entry->loader != binding.libraries; });
    const RuntimeBinding previous = rt.binding;
    rt.binding = binding;
    return previous;
}

RuntimeBinding bindRuntime(System& system) {
    return bindRuntime(RuntimeBinding{&system.registry(), &system.libraries(), &system.environment()});
}

RuntimeBinding currentRuntimeBinding() {
    Runtime& rt = runtime();
    const std::lock_guard lock(rt.mutex);
    return rt.binding;
}

bool runtimeIsEmulated() {
    return true;
}

} // namespace qmplatform::com

using qmplatform::com::bstrBlock;
using qmplatform::com::guidFromOle;
using qmplatform::com::kBstrPrefix;
using qmplatform::com::runtime;

extern "C" {

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    if (pvReserved != nullptr) {
        return E_INVALIDARG;
    }
    auto& state = qmplatform::com::threadState();
    const DWORD model = dwCoInit & COINIT_APARTMENTTHREADED;
    if (state.count > 0) {
        if (state.model != model) {
            return RPC_E_CHANGED_MODE;
        }
        ++state.count;
        return S_FALSE;
    }
    auto& rt = runtime();
    const std::lock_guard lock(rt.mutex);
    state.count = 1;
    state.model = model;
    ++rt.initialisedThreads;
    return S_OK;
}

HRESULT CoInitialize(LPVOID pvReserved) {
    return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

void CoUninitialize() {
    auto& state = qmplatform::com::threadState();
    if (state.count == 0 || --state.count > 0) {
        return;
    }
    auto& rt = runtime();
    const std::lock_guard lock(rt.mutex);
    if (--rt.initialisedThreads == 0) {
        qmplatform::com::freeUnusedModules(rt);
    }
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (qmplatform::com::threadState().count == 0) {
        return CO_E_NOTINITIALIZED;
    }
    // Only in-process servers exist here; the other kinds in the context are
    // accepted and never found.
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) {
        return REGDB_E_CLASSNOTREG;
    }
    auto& rt = runtime();
    std::wstring path;
    HRESULT hr = qmplatform::com::serverPath(qmplatform::com::currentRuntimeBinding(), rclsid, path);
    if (FAILED(hr)) {
        return hr;
    }
    qmplatform::com::ServerModule* server = nullptr;
    hr = qmplatform::com::acquireServer(rt, path, server);
    if (FAILED(hr)) {
        return hr;
    }
    IClassFactory* factory = nullptr;
    hr = server->getClassObject(rclsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr) && factory == nullptr) {
        hr = E_UNEXPECTED;
    }
    if (SUCCEEDED(hr)) {
        hr = factory->CreateInstance(pUnkOuter, riid, ppv);
        factory->Release();
    }
    qmplatform::com::doneWith(rt, *server);
    return hr;
}

void CoFreeUnusedLibrariesEx(DWORD dwUnloadDelay, DWORD /*dwReserved*/) {
    const std::chrono::milliseconds delay =
        dwUnloadDelay == INFINITE ? std::chrono::milliseconds(qmplatform::com::kDefaultUnloadDelay)
                                  : std::chrono::milliseconds(dwUnloadDelay);
    auto& rt = runtime();
    const std::lock_guard lock(rt.mutex);
    qmplatform::com::freeUnusedModules(rt, delay);
}

void CoFreeUnusedLibraries() {
    CoFreeUnusedLibrariesEx(INFINITE, 0);
}

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    const std::wstring text = qmplatform::com::guidToString(rguid);
    const auto needed = static_cast<int>(text.size() + 1);
    if (lpsz == nullptr || cchMax < needed) {
        return 0;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        lpsz[i] = static_cast<OLECHAR>(text[i]);
    }
    lpsz[text.size()] = 0;
    return needed;
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (pclsid == nullptr) {
        return E_INVALIDARG;
    }
    return guidFromOle(lpsz, *pclsid, CO_E_CLASSSTRING);
}

HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid) {
    if (lpiid == nullptr) {
        return E_INVALIDARG;
    }
    return guidFromOle(lpsz, *lpiid, CO_E_IIDSTRING);
}

// BSTR: [32-bit byte count][UTF-16 units][terminator].
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    // The byte count must fit its 32 bits, terminator and prefix included.
    if (ui > (0xFFFFFFFFu - kBstrPrefix - sizeof(OLECHAR)) / sizeof(OLECHAR)) {
        return nullptr;
    }
    const std::size_t bytes = static_cast<std::size_t>(ui) * sizeof(OLECHAR);
    auto* block = static_cast<unsigned char*>(std::malloc(kBstrPrefix + bytes + sizeof(OLECHAR)));
    if (block == nullptr) {
        return nullptr;
    }
    const auto byteCount = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &byteCount, kBstrPrefix);
    auto* text = reinterpret_cast<BSTR>(block + kBstrPrefix);
    if (strIn != nullptr) {
        std::memcpy(text, strIn, bytes);
    } else {
        std::memset(text, 0, bytes);
    }
    text[ui] = 0;
    return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr) {
        return nullptr;
    }
    std::size_t length = 0;
    while (psz[length] != 0) {
        ++length;
    }
    if (length > 0xFFFFFFFFu) {
        return nullptr;
    }
    return SysAllocStringLen(psz, static_cast<UINT>(length));
}

void SysFreeString(BSTR bstrString) {
    if (bstrString != nullptr) {
        std::free(bstrBlock(bstrString));
    }
}

UINT SysStringByteLen(BSTR bstr) {
    if (bstr == nullptr) {
        return 0;
    }
    std::uint32_t byteCount = 0;
    std::memcpy(&byteCount, bstrBlock(bstr), kBstrPrefix);
    return byteCount;
}

UINT SysStringLen(BSTR pbstr) {
    return SysStringByteLen(pbstr) / sizeof(OLECHAR);
}

} // extern "C"
