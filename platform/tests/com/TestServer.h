// The in-process COM server of the tests and what its clients need to know:
// its classes, its one interface, and the counters it exports so that a test
// can prove every path released what it acquired.
#pragma once

#include "platform/com/Com.h"

// Served: a counter object.
inline constexpr CLSID CLSID_QmTestCounter = {
    0x6C1D2B3A, 0x94E5, 0x4F07, {0x8A, 0x61, 0x2E, 0x5B, 0xC0, 0x17, 0xD3, 0x48}};
// Registered with the same module, which does not serve it.
inline constexpr CLSID CLSID_QmTestUnserved = {
    0x6C1D2B3B, 0x94E5, 0x4F07, {0x8A, 0x61, 0x2E, 0x5B, 0xC0, 0x17, 0xD3, 0x48}};
// Registered with a module that does not exist.
inline constexpr CLSID CLSID_QmTestMissingModule = {
    0x6C1D2B3C, 0x94E5, 0x4F07, {0x8A, 0x61, 0x2E, 0x5B, 0xC0, 0x17, 0xD3, 0x48}};
// Registered with a module that has no DllGetClassObject.
inline constexpr CLSID CLSID_QmTestNoEntry = {
    0x6C1D2B3D, 0x94E5, 0x4F07, {0x8A, 0x61, 0x2E, 0x5B, 0xC0, 0x17, 0xD3, 0x48}};
// Registered with a file that is no module.
inline constexpr CLSID CLSID_QmTestBadFormat = {
    0x6C1D2B3F, 0x94E5, 0x4F07, {0x8A, 0x61, 0x2E, 0x5B, 0xC0, 0x17, 0xD3, 0x48}};
// Never registered.
inline constexpr CLSID CLSID_QmTestUnregistered = {
    0x6C1D2B3E, 0x94E5, 0x4F07, {0x8A, 0x61, 0x2E, 0x5B, 0xC0, 0x17, 0xD3, 0x48}};

inline constexpr IID IID_IQmTestCounter = {
    0x6C1D2B40, 0x94E5, 0x4F07, {0x8A, 0x61, 0x2E, 0x5B, 0xC0, 0x17, 0xD3, 0x48}};

struct IQmTestCounter : IUnknown {
    // Adds to the object's total and returns the new total.
    STDMETHOD(Add)(LONG value, LONG* total) PURE;
    // A new BSTR (the caller frees it): the text followed by "!".
    STDMETHOD(Echo)(BSTR text, BSTR* reply) PURE;
    // A new counter object with one reference for the caller.
    STDMETHOD(Partner)(IQmTestCounter** partner) PURE;
};

// Exports beside DllGetClassObject and DllCanUnloadNow: the objects alive in
// the server (counters and class factories), its LockServer count, and a mark
// that adds up and starts at 0 whenever the module is loaded anew.
using QmTestServerCountFn = LONG (*)();
using QmTestServerAddFn = LONG (*)(LONG);
inline constexpr const char* kQmTestServerLiveObjects = "QmTestServerLiveObjects";
inline constexpr const char* kQmTestServerLocks = "QmTestServerLocks";
inline constexpr const char* kQmTestServerAdd = "QmTestServerAdd";
