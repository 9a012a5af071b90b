// The labelling API of the Quillmark host software, as its COM server
// publishes it: the DiscPrintMgr class, its interfaces in slot order, and the
// media record. The server stand-in implements it and the suite's client
// calls through it; only the slot order, the argument forms and the record
// layout must match what the real server was built with.
#pragma once

#include "platform/com/Com.h"

#include <cstddef>
#include <cstdint>

namespace QMCAPILib {

// {5197646C-00EA-4307-A067-61319EBBE499}
inline constexpr CLSID CLSID_DiscPrintMgr = {
    0x5197646C, 0x00EA, 0x4307, {0xA0, 0x67, 0x61, 0x31, 0x9E, 0xBB, 0xE4, 0x99}};
// {39658004-A44E-4F68-8F79-E1BCA9E84C0C}
inline constexpr IID IID_IDiscPrintMgr = {
    0x39658004, 0xA44E, 0x4F68, {0x8F, 0x79, 0xE1, 0xBC, 0xA9, 0xE8, 0x4C, 0x0C}};
// The remaining interfaces are only ever handed out by the manager, never
// asked for by identifier; these are the identifiers the server answers to.
inline constexpr IID IID_IEnumDiscPrinters = {
    0x39658005, 0xA44E, 0x4F68, {0x8F, 0x79, 0xE1, 0xBC, 0xA9, 0xE8, 0x4C, 0x0C}};
inline constexpr IID IID_IDiscPrinter = {
    0x39658006, 0xA44E, 0x4F68, {0x8F, 0x79, 0xE1, 0xBC, 0xA9, 0xE8, 0x4C, 0x0C}};
inline constexpr IID IID_IDiscPrintSession = {
    0x39658007, 0xA44E, 0x4F68, {0x8F, 0x79, 0xE1, 0xBC, 0xA9, 0xE8, 0x4C, 0x0C}};
inline constexpr IID IID_IQMDiscPrintProgressEvents = {
    0x39658008, 0xA44E, 0x4F68, {0x8F, 0x79, 0xE1, 0xBC, 0xA9, 0xE8, 0x4C, 0x0C}};

// The record GetCurrentMedia fills, byte for byte as the server writes it.
struct QMCAPI_MEDIA_INFORMATION {
    std::int32_t value1 = 0;
    std::int32_t value2 = 0;
    std::int16_t imagingParameter = 0;
    std::int32_t value4 = 0;
    std::int32_t value5 = 0;
    std::uint8_t bytes[6] = {0, 0, 0, 0, 0, 0};
    std::int32_t shapeAndSize = 0;
};
static_assert(sizeof(QMCAPI_MEDIA_INFORMATION) == 32);
static_assert(offsetof(QMCAPI_MEDIA_INFORMATION, value1) == 0);
static_assert(offsetof(QMCAPI_MEDIA_INFORMATION, value2) == 4);
static_assert(offsetof(QMCAPI_MEDIA_INFORMATION, imagingParameter) == 8);
static_assert(offsetof(QMCAPI_MEDIA_INFORMATION, value4) == 12);
static_assert(offsetof(QMCAPI_MEDIA_INFORMATION, value5) == 16);
static_assert(offsetof(QMCAPI_MEDIA_INFORMATION, bytes) == 20);
static_assert(offsetof(QMCAPI_MEDIA_INFORMATION, shapeAndSize) == 28);

// Failures the server reports (low word: the labelling system's error code).
inline constexpr HRESULT QMCAPI_E_IMAGE_INVALID = static_cast<HRESULT>(0xC0040212u);
inline constexpr HRESULT QMCAPI_E_ABORTPRINT = static_cast<HRESULT>(0xC0040219u);
inline constexpr HRESULT QMCAPI_E_PRINT_FILE = static_cast<HRESULT>(0xC0040210u);
inline constexpr HRESULT QMCAPI_E_BAD_ARGUMENT = static_cast<HRESULT>(0xC0040226u);
inline constexpr HRESULT QMCAPI_E_DRIVE_CHANGED = static_cast<HRESULT>(0xC0040233u);
inline constexpr HRESULT QMCAPI_E_NO_MEDIA = static_cast<HRESULT>(0xC0041012u);
inline constexpr HRESULT QMCAPI_E_SERVICE = static_cast<HRESULT>(0xC0041087u);

struct IDiscPrintSession;
struct IDiscPrinter;
struct IEnumDiscPrinters;

// The events a print session sends to the client.
struct IQMDiscPrintProgressEvents : IUnknown {
    STDMETHOD(OnProgressA)(LONG first, LONG second) PURE;
    STDMETHOD(OnProgressB)(LONG first, LONG second) PURE;
    STDMETHOD(OnComplete)(HRESULT result) PURE;
    STDMETHOD(QueryCancel)(VARIANT_BOOL* cancel) PURE;
    STDMETHOD(OnValue)(LONG value, VARIANT_BOOL* cancel) PURE;
};

struct IDiscPrintMgr : IUnknown {
    STDMETHOD(EnumDiscPrinters)(IEnumDiscPrinters** printers) PURE;
    STDMETHOD(GetUpdateShellCommand)(BSTR* command) PURE;
};

struct IEnumDiscPrinters : IUnknown {
    STDMETHOD(Count)(LONG* count) PURE;
    STDMETHOD(Item)(LONG index, IDiscPrinter** printer) PURE;
};

struct IDiscPrinter : IUnknown {
    STDMETHOD(Validate)() PURE;
    STDMETHOD(GetPrinterVendorName)(BSTR* name) PURE;
    STDMETHOD(GetPrinterProductName)(BSTR* name) PURE;
    STDMETHOD(GetPrinterDisplayName)(BSTR* name) PURE;
    STDMETHOD(GetPrinterPath)(BSTR* path) PURE;
    STDMETHOD(GetPrinterCapabilities)(LONG* capabilities) PURE;
    STDMETHOD(GetDriveInnerRadius)(LONG* radius) PURE;
    STDMETHOD(GetDriveOuterRadius)(LONG* radius) PURE;
    STDMETHOD(GetCurrentMedia)(LONG optimizationLevel, QMCAPI_MEDIA_INFORMATION* media) PURE;
    STDMETHOD(OpenPrintSession)(IDiscPrintSession** session) PURE;
    STDMETHOD(GetPrintResolution)(LONG quality, LONG optimizationLevel, LONG* resolution) PURE;
    STDMETHOD(GetLabelRegionOuterRadius)(LONG labelMode, LONG optimizationLevel, LONG* radius) PURE;
    STDMETHOD(GetLabelRegionInnerRadius)(LONG labelMode, LONG optimizationLevel, LONG* radius) PURE;
    STDMETHOD(OpenDriveTray)() PURE;
    STDMETHOD(CloseDriveTray)() PURE;
    STDMETHOD(LockDriveTray)() PURE;
    STDMETHOD(UnlockDriveTray)() PURE;
    STDMETHOD(AddExclusiveUse)() PURE;
    STDMETHOD(ReleaseExclusiveUse)() PURE;
};

struct IDiscPrintSession : IUnknown {
    STDMETHOD(PrintDisc)
    (LONG imageType, LONG labelMode, LONG drawOptions, LONG quality, BOOL optimize, const BYTE* header,
     LONG headerLength, const BYTE* bits, LONG bitsLength) PURE;
    STDMETHOD(PrintPreview)
    (LONG imageType, LONG labelMode, LONG drawOptions, LONG quality, BOOL optimize, const BYTE* header,
     LONG headerLength, const BYTE* bits, LONG bitsLength, BSTR outputFile, LONG previewImageType, LONG* size,
     VARIANT_BOOL flag) PURE;
    STDMETHOD(SetProgressCallback)(IQMDiscPrintProgressEvents* events) PURE;
};

} // namespace QMCAPILib
