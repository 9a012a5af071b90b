// COM for systems that have none: the names, values and binary layout of
// <objbase.h> and <oleauto.h> for the part the suite uses, so that clients
// and in-process servers are written once. Include platform/com/Com.h, which
// picks this header or the system's.
//
// The runtime behind these functions serves in-process servers only: a class
// is found under HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 in the registry
// that the process bound (platform/com/ComRuntime.h), its module is loaded
// through the bound dynamic-library loader, and the object is created on the
// calling thread, as real COM does for a server with ThreadingModel "Both".
// There are no proxies, no local or remote servers and no marshalling.
#pragma once

#include <cstdint>

#define QM_COM_API __attribute__((visibility("default")))

// ---- Basic types, sized as on Windows (LLP64) ----------------------------
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using INT = int;
using UINT = unsigned int;
using BOOL = int;
using LPVOID = void*;
using HRESULT = LONG;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// OLECHAR is a UTF-16 code unit, as on Windows; wchar_t is wider here.
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;
#define OLESTR(str) u##str

using VARIANT_BOOL = SHORT;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// ---- Calling conventions and declaration helpers -------------------------
// Empty: every Linux ABI passes `this` and arguments one way.
#define STDMETHODCALLTYPE
#define STDAPICALLTYPE
#define STDAPI extern "C" HRESULT STDAPICALLTYPE
#define STDAPI_(type) extern "C" type STDAPICALLTYPE
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define PURE = 0

// ---- HRESULT -------------------------------------------------------------
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT NOERROR = 0;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT REGDB_E_READREGDB = static_cast<HRESULT>(0x80040150u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
inline constexpr HRESULT CO_E_IIDSTRING = static_cast<HRESULT>(0x800401F4u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);

inline constexpr unsigned FACILITY_WIN32 = 7;
inline constexpr DWORD INFINITE = 0xFFFFFFFF;
// A Win32 error code as an HRESULT (0x8007xxxx); 0 stays S_OK.
inline constexpr HRESULT HRESULT_FROM_WIN32(unsigned long error) {
    return static_cast<HRESULT>(error) <= 0
               ? static_cast<HRESULT>(error)
               : static_cast<HRESULT>((error & 0x0000FFFFu) | (FACILITY_WIN32 << 16) | 0x80000000u);
}

// ---- GUIDs ---------------------------------------------------------------
struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using LPGUID = GUID*;
using LPIID = IID*;
using LPCLSID = CLSID*;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr bool IsEqualGUID(REFGUID a, REFGUID b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) {
            return false;
        }
    }
    return true;
}
inline constexpr bool IsEqualIID(REFIID a, REFIID b) {
    return IsEqualGUID(a, b);
}
inline constexpr bool IsEqualCLSID(REFCLSID a, REFCLSID b) {
    return IsEqualGUID(a, b);
}
inline constexpr bool operator==(REFGUID a, REFGUID b) {
    return IsEqualGUID(a, b);
}

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr CLSID CLSID_NULL = GUID_NULL;

// ---- Interfaces ----------------------------------------------------------
// Pure virtual methods only and no virtual destructor: the slots are then in
// declaration order, as COM's binary contract needs, on every compiler.
struct IUnknown {
    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) PURE;
    STDMETHOD_(ULONG, AddRef)() PURE;
    STDMETHOD_(ULONG, Release)() PURE;
};
using LPUNKNOWN = IUnknown*;

struct IClassFactory : IUnknown {
    STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) PURE;
    STDMETHOD(LockServer)(BOOL fLock) PURE;
};
using LPCLASSFACTORY = IClassFactory*;

inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// ---- Initialisation and creation -----------------------------------------
enum tagCLSCTX : DWORD {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_REMOTE_SERVER = 0x10,
};
using CLSCTX = tagCLSCTX;
inline constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
inline constexpr DWORD CLSCTX_ALL =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

enum tagCOINIT : DWORD {
    COINIT_MULTITHREADED = 0x0,
    COINIT_APARTMENTTHREADED = 0x2,
    COINIT_DISABLE_OLE1DDE = 0x4,
    COINIT_SPEED_OVER_MEMORY = 0x8,
};
using COINIT = tagCOINIT;

extern "C" {

// Per thread and counted: the first call on a thread gives S_OK, later ones
// S_FALSE; each wants its CoUninitialize. A thread that asks for the other
// concurrency model than it has gets RPC_E_CHANGED_MODE.
QM_COM_API HRESULT CoInitialize(LPVOID pvReserved);
QM_COM_API HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
QM_COM_API void CoUninitialize();

// CO_E_NOTINITIALIZED on a thread without CoInitialize; REGDB_E_CLASSNOTREG
// for a class without InprocServer32 (or a context without
// CLSCTX_INPROC_SERVER); a module that cannot be loaded, or that lacks
// DllGetClassObject, gives the loader's Win32 error as an HRESULT
// (0x8007007E, 0x8007007F, 0x800700C1), as Windows does.
QM_COM_API HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                                    LPVOID* ppv);
// Frees the server modules whose DllCanUnloadNow has answered S_OK for at
// least dwUnloadDelay milliseconds (0: at once). INFINITE is Windows' default
// for servers of ThreadingModel "Both", which every server here is: ten
// minutes, for threads of the server that may still be finishing.
// CoFreeUnusedLibraries() is CoFreeUnusedLibrariesEx(INFINITE, 0). The last
// CoUninitialize of the process frees every unused server at once.
QM_COM_API void CoFreeUnusedLibrariesEx(DWORD dwUnloadDelay, DWORD dwReserved);
QM_COM_API void CoFreeUnusedLibraries();

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with its terminator: 39 characters
// written and returned, or 0 when cchMax is too small.
QM_COM_API int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
// The braced form only (no ProgIDs). A null string gives CLSID_NULL.
// CO_E_CLASSSTRING (CLSIDFromString) or CO_E_IIDSTRING (IIDFromString) for
// anything else, with the out value untouched.
QM_COM_API HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
QM_COM_API HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid);

// BSTR: UTF-16 code units with their byte count stored before the first one
// and a terminator after the last; embedded NULs count. A null BSTR is the
// empty string.
QM_COM_API BSTR SysAllocString(const OLECHAR* psz);
// Copies `ui` units from `strIn`, or leaves them zero when strIn is null.
QM_COM_API BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
QM_COM_API void SysFreeString(BSTR bstrString);
QM_COM_API UINT SysStringLen(BSTR pbstr);
QM_COM_API UINT SysStringByteLen(BSTR bstr);

} // extern "C"

// What an in-process server exports; the runtime resolves these by name.
using LPFNGETCLASSOBJECT = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
using LPFNCANUNLOADNOW = HRESULT(STDAPICALLTYPE*)();
