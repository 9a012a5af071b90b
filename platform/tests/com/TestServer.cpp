// A tiny in-process server: one class, one interface, a class factory, and
// counts of every object and lock it holds, so tests see what a client leaked.
#include "TestServer.h"

#include <atomic>
#include <new>

namespace {

std::atomic<LONG> liveObjects{0};
std::atomic<LONG> serverLocks{0};
// Starts at 0 whenever the module is loaded anew.
std::atomic<LONG> mark{0};

class Counter final : public IQmTestCounter {
public:
    Counter() { ++liveObjects; }
    Counter(const Counter&) = delete;
    Counter& operator=(const Counter&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IQmTestCounter)) {
            *ppvObject = static_cast<IQmTestCounter*>(this);
            AddRef();
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    STDMETHODIMP Add(LONG value, LONG* total) override {
        if (total == nullptr) {
            return E_POINTER;
        }
        *total = total_ += value;
        return S_OK;
    }
    STDMETHODIMP Echo(BSTR text, BSTR* reply) override {
        if (reply == nullptr) {
            return E_POINTER;
        }
        const UINT length = SysStringLen(text);
        *reply = SysAllocStringLen(nullptr, length + 1);
        if (*reply == nullptr) {
            return E_OUTOFMEMORY;
        }
        for (UINT i = 0; i < length; ++i) {
            (*reply)[i] = text[i];
        }
        (*reply)[length] = OLESTR("!")[0];
        return S_OK;
    }
    STDMETHODIMP Partner(IQmTestCounter** partner) override {
        if (partner == nullptr) {
            return E_POINTER;
        }
        *partner = new (std::nothrow) Counter;
        return *partner == nullptr ? E_OUTOFMEMORY : S_OK;
    }

private:
    ~Counter() { --liveObjects; }

    std::atomic<ULONG> references_{1};
    LONG total_ = 0;
};

class Factory final : public IClassFactory {
public:
    Factory() { ++liveObjects; }
    Factory(const Factory&) = delete;
    Factory& operator=(const Factory&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppvObject = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        *ppvObject = nullptr;
        if (pUnkOuter != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* counter = new (std::nothrow) Counter;
        if (counter == nullptr) {
            return E_OUTOFMEMORY;
        }
        const HRESULT hr = counter->QueryInterface(riid, ppvObject);
        counter->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL fLock) override {
        serverLocks += fLock ? 1 : -1;
        return S_OK;
    }

private:
    ~Factory() { --liveObjects; }

    std::atomic<ULONG> references_{1};
};

} // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_QmTestCounter)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new (std::nothrow) Factory;
    if (factory == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() {
    return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

extern "C" LONG QmTestServerLiveObjects() {
    return liveObjects;
}
extern "C" LONG QmTestServerLocks() {
    return serverLocks;
}
extern "C" LONG QmTestServerAdd(LONG value) {
    return mark += value;
}
