// The labelling system's COM contract as this client uses it: the class and
// interface identifiers, the interfaces in slot order, and the media record
// the server fills. The server is not ours; only the slot order, the argument
// forms and the record layout here must match what it was built with.
#pragma once

#include "platform/com/Com.h"

#include <cstddef>
#include <cstdint>

namespace QMRT {

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

// In-process server, in-process handler, local server and remote server.
inline constexpr DWORD kCreateContext = 23;

// The record GetCurrentMedia fills, byte for byte as the server writes it.
struct QMRT_MediaInformation {
    std::int32_t value1 = 0;
    std::int32_t value2 = 0;
    std::int16_t imagingParameter = 0;
    std::int32_t value4 = 0;
    std::int32_t value5 = 0;
    std::uint8_t bytes[6] = {0, 0, 0, 0, 0, 0};
    std::int32_t shapeAndSize = 0;
};
static_assert(sizeof(QMRT_MediaInformation) == 32);
static_assert(offsetof(QMRT_MediaInformation, value1) == 0);
static_assert(offsetof(QMRT_MediaInformation, value2) == 4);
static_assert(offsetof(QMRT_MediaInformation, imagingParameter) == 8);
static_assert(offsetof(QMRT_MediaInformation, value4) == 12);
static_assert(offsetof(QMRT_MediaInformation, value5) == 16);
static_assert(offsetof(QMRT_MediaInformation, bytes) == 20);
static_assert(offsetof(QMRT_MediaInformation, shapeAndSize) == 28);

struct IDiscPrintSession;
struct IDiscPrinter;
struct IEnumDiscPrinters;

// Namespace QMCAPILib of the server's type library: the events a print
// session sends to the client.
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
    STDMETHOD(GetCurrentMedia)(LONG optimizationLevel, QMRT_MediaInformation* media) PURE;
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

} // namespace QMRT
