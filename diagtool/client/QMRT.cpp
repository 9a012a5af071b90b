#include "diagtool/client/QMRT.h"

#include <algorithm>
#include <span>

namespace QMRT {

namespace {

// Accepted values and the complaint for each enumeration of the layer.
struct EnumerationRule {
    const char* message;
    std::span<const std::int32_t> accepted;
};
constexpr std::int32_t kImageTypes[] = {0};
constexpr std::int32_t kLabelModes[] = {0, 1, 2};
constexpr std::int32_t kDrawOptions[] = {0, 1, 2, 4};
constexpr std::int32_t kQualities[] = {0, 1, 2};
constexpr std::int32_t kLevels[] = {0, 1};
constexpr EnumerationRule kImageTypeRule{"Unknown QMRT_ImageType", kImageTypes};
constexpr EnumerationRule kLabelModeRule{"Unknown QMRT_LabelMode", kLabelModes};
constexpr EnumerationRule kDrawOptionsRule{"Unknown QMRT_DrawOptions", kDrawOptions};
constexpr EnumerationRule kQualityRule{"Unknown QMRT_PrintQuality", kQualities};
constexpr EnumerationRule kLevelRule{"Unknown QMRT_MediaOptimizationLevel", kLevels};

void check(const EnumerationRule& rule, std::int32_t value, const char* location) {
    if (std::find(rule.accepted.begin(), rule.accepted.end(), value) == rule.accepted.end()) {
        throw QMRT_Exception(kStatusBadEnumeration, location, rule.message, value);
    }
}

[[noreturn]] void raise(HRESULT hr, const char* location, const char* message) {
    std::string where = location;
    throw QMRT_Exception(mapHResult(hr), std::move(where), message, hr);
}

void call(HRESULT hr, const char* location, const char* message) {
    if (FAILED(hr)) {
        raise(hr, location, message);
    }
}

std::string readString(IDiscPrinter* printer, HRESULT (STDMETHODCALLTYPE IDiscPrinter::*method)(BSTR*),
                       const char* location, const char* message) {
    qmplatform::com::Bstr text;
    call((printer->*method)(text.receive()), location, message);
    return ansiFromBstr(text.get());
}

int readLong(IDiscPrinter* printer, HRESULT (STDMETHODCALLTYPE IDiscPrinter::*method)(LONG*),
             const char* location, const char* message) {
    LONG value = 0;
    call((printer->*method)(&value), location, message);
    return value;
}

void plain(IDiscPrinter* printer, HRESULT (STDMETHODCALLTYPE IDiscPrinter::*method)(), const char* location,
           const char* message) {
    call((printer->*method)(), location, message);
}

// A wrapper used before Attach or after Destroy has nothing to call.
template <typename T> T* attachedObject(T* object, const char* location) {
    if (object == nullptr) {
        throw QMRT_Exception(kStatusMisuse, location, "m_pObject == NULL", 0);
    }
    return object;
}

template <typename T>
void attach(qmplatform::com::ComPtr<T>& held, T* object, const char* location, const char* addRefMessage) {
    if (object == nullptr) {
        throw QMRT_Exception(kStatusMisuse, location, "pObject == NULL", 0);
    }
    if (held != nullptr) {
        throw QMRT_Exception(kStatusMisuse, location, "m_pObject != NULL", 0);
    }
    // A live object never counts zero after AddRef: zero means it is gone.
    if (object->AddRef() == 0) {
        throw QMRT_Exception(kStatusFailure, location, addRefMessage, 0);
    }
    held.reset(object);
}

} // namespace

HRESULT createDiscPrintMgr(IDiscPrintMgr** manager) {
    return CoCreateInstance(CLSID_DiscPrintMgr, nullptr, kCreateContext, IID_IDiscPrintMgr,
                            reinterpret_cast<void**>(manager));
}

// ---- QMRT_EnumDiscPrinters -------------------------------------------------

QMRT_EnumDiscPrinters::QMRT_EnumDiscPrinters(const ServerCreator& create) {
    constexpr const char* kLocation = "QMRT_EnumDiscPrinters::QMRT_EnumDiscPrinters";
    qmplatform::com::ComPtr<IDiscPrintMgr> manager;
    const HRESULT created = create(manager.receive());
    if (FAILED(created) || manager == nullptr) {
        raise(FAILED(created) ? created : E_POINTER, kLocation, "instatiation of DiscPrintMgr failed");
    }
    qmplatform::com::ComPtr<IEnumDiscPrinters> printers;
    const HRESULT hr = manager->EnumDiscPrinters(printers.receive());
    manager.reset();
    if (FAILED(hr) || printers == nullptr) {
        raise(FAILED(hr) ? hr : E_POINTER, kLocation, "pDiscPrintMgr->EnumDiscPrinters() failed");
    }
    m_pObject = std::move(printers);
}

QMRT_EnumDiscPrinters::~QMRT_EnumDiscPrinters() = default;

int QMRT_EnumDiscPrinters::Count() {
    LONG count = 0;
    call(m_pObject->Count(&count), "QMRT_EnumDiscPrinters::Count", "pEnumDiscPrinters->Count() failed");
    return count;
}

std::unique_ptr<QMRT_DiscPrinter> QMRT_EnumDiscPrinters::Item(int index) {
    constexpr const char* kLocation = "QMRT_EnumDiscPrinters::Item";
    qmplatform::com::ComPtr<IDiscPrinter> printer;
    call(m_pObject->Item(index, printer.receive()), kLocation, "pEnumDiscPrinters->Item() failed");
    auto wrapper = std::make_unique<QMRT_DiscPrinter>();
    wrapper->Attach(printer.get());
    return wrapper;
}

// ---- QMRT_DiscPrinter ------------------------------------------------------

QMRT_DiscPrinter::~QMRT_DiscPrinter() {
    Destroy();
}

void QMRT_DiscPrinter::Attach(IDiscPrinter* pObject) {
    attach(m_pObject, pObject, "QMRT_DiscPrinter::Attach", "pDiscPrinter->AddRef() failed");
}

void QMRT_DiscPrinter::Destroy() {
    // Release has no failure to report (its result is a count), so there is
    // nothing for "internal DestroyDiscPrinter() failed" to catch.
    m_pObject.reset();
}

void QMRT_DiscPrinter::Validate() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::Validate";
    plain(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::Validate, kLocation,
          "pDiscPrinter->Validate() failed");
}

std::string QMRT_DiscPrinter::GetPrinterVendorName() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::GetPrinterVendorName";
    return readString(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::GetPrinterVendorName, kLocation,
                      "pDiscPrinter->GetPrinterVendorName() failed");
}

std::string QMRT_DiscPrinter::GetPrinterProductName() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::GetPrinterProductName";
    return readString(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::GetPrinterProductName, kLocation,
                      "pDiscPrinter->GetPrinterProductName() failed");
}

std::string QMRT_DiscPrinter::GetPrinterDisplayName() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::GetPrinterDisplayName";
    return readString(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::GetPrinterDisplayName, kLocation,
                      "pDiscPrinter->GetPrinterDisplayName() failed");
}

std::string QMRT_DiscPrinter::GetPrinterPath() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::GetPrinterPath";
    return readString(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::GetPrinterPath, kLocation,
                      "pDiscPrinter->GetPrinterPath() failed");
}

int QMRT_DiscPrinter::GetPrinterCapabilities() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::GetPrinterCapabilities";
    LONG capabilities = 0;
    const HRESULT hr = attachedObject(m_pObject.get(), kLocation)->GetPrinterCapabilities(&capabilities);
    call(hr, kLocation, "pDiscPrinter->GetPrinterCapabilities() failed");
    if (std::find(std::begin(kCapabilityCodes), std::end(kCapabilityCodes), capabilities) ==
        std::end(kCapabilityCodes)) {
        throw QMRT_Exception(kStatusUnknownCapability, kLocation, "Unknown Cap returned from QMCAPI", hr);
    }
    return capabilities;
}

int QMRT_DiscPrinter::GetDriveInnerRadius() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::GetDriveInnerRadius";
    return readLong(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::GetDriveInnerRadius, kLocation,
                    "pDiscPrinter->GetDriveInnerRadius() failed");
}

int QMRT_DiscPrinter::GetDriveOuterRadius() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::GetDriveOuterRadius";
    return readLong(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::GetDriveOuterRadius, kLocation,
                    "pDiscPrinter->GetDriveOuterRadius() failed");
}

QMRT_MediaInformation QMRT_DiscPrinter::GetCurrentMedia(QMRT_MediaOptimizationLevel level) {
    constexpr const char* kLocation = "QMRT_DiscPrinter::GetCurrentMedia";
    check(kLevelRule, level, kLocation);
    QMRT_MediaInformation server{};
    call(attachedObject(m_pObject.get(), kLocation)->GetCurrentMedia(level, &server), kLocation,
         "pDiscPrinter->GetCurrentMedia() failed");
    if (std::find(std::begin(kShapesAndSizes), std::end(kShapesAndSizes), server.shapeAndSize) ==
        std::end(kShapesAndSizes)) {
        throw QMRT_Exception(kStatusBadEnumeration, kLocation, "Unknown ShapeAndSize", server.shapeAndSize);
    }
    // Field by field: the padding the server leaves carries nothing.
    QMRT_MediaInformation media;
    media.value1 = server.value1;
    media.value2 = server.value2;
    media.imagingParameter = server.imagingParameter;
    media.value4 = server.value4;
    media.value5 = server.value5;
    std::copy(std::begin(server.bytes), std::end(server.bytes), std::begin(media.bytes));
    media.shapeAndSize = server.shapeAndSize;
    return media;
}

int QMRT_DiscPrinter::GetPrintResolution(QMRT_PrintQuality quality, QMRT_MediaOptimizationLevel level) {
    constexpr const char* kLocation = "QMRT_DiscPrinter::GetPrintResolution";
    check(kQualityRule, quality, kLocation);
    check(kLevelRule, level, kLocation);
    LONG resolution = 0;
    call(attachedObject(m_pObject.get(), kLocation)->GetPrintResolution(quality, level, &resolution), kLocation,
         "pDiscPrinter->GetPrintResolution() failed");
    return resolution;
}

int QMRT_DiscPrinter::GetLabelRegionOuterRadius(QMRT_LabelMode mode, QMRT_MediaOptimizationLevel level) {
    constexpr const char* kLocation = "QMRT_DiscPrinter::GetLabelRegionOuterRadius";
    check(kLabelModeRule, mode, kLocation);
    check(kLevelRule, level, kLocation);
    LONG radius = 0;
    call(attachedObject(m_pObject.get(), kLocation)->GetLabelRegionOuterRadius(mode, level, &radius), kLocation,
         "pDiscPrinter->GetLabelRegionOuterRadius() failed");
    return radius;
}

int QMRT_DiscPrinter::GetLabelRegionInnerRadius(QMRT_LabelMode mode, QMRT_MediaOptimizationLevel level) {
    constexpr const char* kLocation = "QMRT_DiscPrinter::GetLabelRegionInnerRadius";
    check(kLabelModeRule, mode, kLocation);
    check(kLevelRule, level, kLocation);
    LONG radius = 0;
    call(attachedObject(m_pObject.get(), kLocation)->GetLabelRegionInnerRadius(mode, level, &radius), kLocation,
         "pDiscPrinter->GetLabelRegionInnerRadius() failed");
    return radius;
}

void QMRT_DiscPrinter::OpenDriveTray() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::OpenDriveTray";
    plain(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::OpenDriveTray, kLocation,
          "pDiscPrinter->OpenDriveTray() failed");
}

void QMRT_DiscPrinter::CloseDriveTray() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::CloseDriveTray";
    plain(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::CloseDriveTray, kLocation,
          "pDiscPrinter->CloseDriveTray() failed");
}

void QMRT_DiscPrinter::LockDriveTray() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::LockDriveTray";
    plain(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::LockDriveTray, kLocation,
          "pDiscPrinter->LockDriveTray() failed");
}

void QMRT_DiscPrinter::UnlockDriveTray() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::UnlockDriveTray";
    plain(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::UnlockDriveTray, kLocation,
          "pDiscPrinter->UnlockDriveTray() failed");
}

void QMRT_DiscPrinter::AddExclusiveUse() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::AddExclusiveUse";
    plain(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::AddExclusiveUse, kLocation,
          "pDiscPrinter->AddExclusiveUse() failed");
}

void QMRT_DiscPrinter::ReleaseExclusiveUse() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::ReleaseExclusiveUse";
    plain(attachedObject(m_pObject.get(), kLocation), &IDiscPrinter::ReleaseExclusiveUse, kLocation,
          "pDiscPrinter->ReleaseExclusiveUse() failed");
}

std::unique_ptr<QMRT_DiscPrintSession> QMRT_DiscPrinter::OpenPrintSession() {
    constexpr const char* kLocation = "QMRT_DiscPrinter::OpenPrintSession";
    qmplatform::com::ComPtr<IDiscPrintSession> session;
    call(attachedObject(m_pObject.get(), kLocation)->OpenPrintSession(session.receive()), kLocation,
         "pDiscPrinter->OpenPrintSession() failed");
    auto wrapper = std::make_unique<QMRT_DiscPrintSession>();
    wrapper->Attach(session.get());
    return wrapper;
}

// ---- QMRT_DiscPrintSession -------------------------------------------------

QMRT_DiscPrintSession::~QMRT_DiscPrintSession() {
    Destroy();
}

void QMRT_DiscPrintSession::Attach(IDiscPrintSession* pObject) {
    attach(m_pObject, pObject, "QMRT_DiscPrintSession::Attach", "pDiscPrintSession->AddRef() failed");
}

void QMRT_DiscPrintSession::Destroy() {
    m_pObject.reset();
    m_pCallback.reset();
}

void QMRT_DiscPrintSession::PrintDisc(QMRT_ImageType imageType, QMRT_LabelMode labelMode,
                                      QMRT_DrawOptions drawOptions, QMRT_PrintQuality quality,
                                      QMRT_MediaOptimizationLevel level, const std::uint8_t* header,
                                      int headerLength, const std::uint8_t* bits, int bitsLength) {
    constexpr const char* kLocation = "QMRT_DiscPrintSession::PrintDisc";
    check(kImageTypeRule, imageType, kLocation);
    check(kLabelModeRule, labelMode, kLocation);
    check(kDrawOptionsRule, drawOptions, kLocation);
    check(kQualityRule, quality, kLocation);
    check(kLevelRule, level, kLocation);
    call(attachedObject(m_pObject.get(), kLocation)
             ->PrintDisc(imageType, labelMode, drawOptions, quality, level != 0 ? TRUE : FALSE, header,
                         headerLength, bits, bitsLength),
         kLocation, "pDiscPrintSession->PrintDisc() failed");
}

void QMRT_DiscPrintSession::PrintPreview(QMRT_ImageType imageType, QMRT_LabelMode labelMode,
                                         QMRT_DrawOptions drawOptions, QMRT_PrintQuality quality,
                                         QMRT_MediaOptimizationLevel level, const std::uint8_t* header,
                                         int headerLength, const std::uint8_t* bits, int bitsLength,
                                         const std::optional<std::string>& outputFile,
                                         QMRT_ImageType previewImageType, std::int32_t (&size)[2],
                                         bool flag) {
    constexpr const char* kLocation = "QMRT_DiscPrintSession::PrintPreview";
    check(kImageTypeRule, imageType, kLocation);
    check(kLabelModeRule, labelMode, kLocation);
    check(kDrawOptionsRule, drawOptions, kLocation);
    check(kQualityRule, quality, kLocation);
    check(kLevelRule, level, kLocation);
    check(kImageTypeRule, previewImageType, kLocation);
    IDiscPrintSession* session = attachedObject(m_pObject.get(), kLocation);
    qmplatform::com::Bstr file;
    if (outputFile) {
        file.reset(bstrFromAnsi(*outputFile));
        if (file.get() == nullptr) {
            raise(E_OUTOFMEMORY, kLocation, "out of memory");
        }
    }
    LONG values[2] = {size[0], size[1]};
    call(session->PrintPreview(imageType, labelMode, drawOptions, quality, level != 0 ? TRUE : FALSE, header,
                               headerLength, bits, bitsLength, file.get(), previewImageType, values,
                               flag ? VARIANT_TRUE : VARIANT_FALSE),
         kLocation, "pDiscPrintSession->PrintPreview() failed");
    size[0] = values[0];
    size[1] = values[1];
}

void QMRT_DiscPrintSession::SetProgressCallback(QMRTCallbacks* pCallbacks) {
    constexpr const char* kLocation = "QMRT_DiscPrintSession::SetProgressCallback";
    if (pCallbacks == nullptr) {
        throw QMRT_Exception(kStatusBadEnumeration, kLocation, "pCallbacks == NULL!", 0);
    }
    IDiscPrintSession* session = attachedObject(m_pObject.get(), kLocation);
    qmplatform::com::ComPtr<CCOMProgressCallback> callback(new CCOMProgressCallback);
    callback->SetQMRTCallbacks(pCallbacks);
    // A callback set before is replaced; the server drops its own reference
    // to it when it takes the new one.
    m_pCallback = std::move(callback);
    call(session->SetProgressCallback(m_pCallback.get()), kLocation,
         "pDiscPrintSession->SetProgressCallback() failed!");
}

void QMRT_DiscPrintSession::SetSavePrintFile(const std::string&) {
    throw QMRT_Exception(kStatusNotImplemented, "QMRT_DiscPrintSession::SetSavePrintFile",
                         "QMRT_DiscPrintSession::SetSavePrintFile() not implemented", 0);
}

// ---- QMRT_QMInfo -----------------------------------------------------------

QMRT_QMInfo::QMRT_QMInfo(const ServerCreator& create) {
    const HRESULT created = create(m_pObject.receive());
    if (FAILED(created) || m_pObject == nullptr) {
        raise(FAILED(created) ? created : E_POINTER, "QMRT_QMInfo::QMRT_QMInfo",
              "instatiation of DiscPrintMgr failed");
    }
}

QMRT_QMInfo::~QMRT_QMInfo() = default;

std::string QMRT_QMInfo::GetUpdateShellCommand() {
    qmplatform::com::Bstr command;
    call(m_pObject->GetUpdateShellCommand(command.receive()), "QMRT_QMInfo::GetUpdateShellCommand",
         "pDiscPrintMgr->GetUpdateShellCommand() failed");
    return ansiFromBstr(command.get());
}

std::string QMRT_QMInfo::GetQMSVersion() {
    throw QMRT_Exception(kStatusNotImplemented, "QMRT_QMInfo::GetQMSVersion",
                         "QMRT_QMInfo::GetQMSVersion() not implemented", 0);
}

std::string QMRT_QMInfo::GetPreviousQMSVersions() {
    throw QMRT_Exception(kStatusNotImplemented, "QMRT_QMInfo::GetPreviousQMSVersions",
                         "QMRT_QMInfo::GetPreviousQMSVersions() not implemented", 0);
}

std::string QMRT_QMInfo::GetExtendedDiagnosticsString() {
    throw QMRT_Exception(kStatusNotImplemented, "QMRT_QMInfo::GetExtendedDiagnosticsString",
                         "QMRT_QMInfo::GetExtendedDiagnosticsString() not implemented", 0);
}

// ---- CCOMProgressCallback --------------------------------------------------

STDMETHODIMP CCOMProgressCallback::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    // Only IUnknown, and without a reference: the server calls the
    // interface it was given and never asks for another.
    if (IsEqualIID(riid, IID_IUnknown)) {
        *ppvObject = static_cast<IUnknown*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CCOMProgressCallback::AddRef() {
    return static_cast<ULONG>(++m_refCount);
}

STDMETHODIMP_(ULONG) CCOMProgressCallback::Release() {
    const LONG left = --m_refCount;
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

STDMETHODIMP CCOMProgressCallback::OnProgressA(LONG first, LONG second) {
    if (m_pQMRTCallbacks != nullptr) {
        m_pQMRTCallbacks->OnProgressA(first, second);
    }
    return S_OK;
}

STDMETHODIMP CCOMProgressCallback::OnProgressB(LONG first, LONG second) {
    if (m_pQMRTCallbacks != nullptr) {
        m_pQMRTCallbacks->OnProgressB(first, second);
    }
    return S_OK;
}

STDMETHODIMP CCOMProgressCallback::OnComplete(HRESULT result) {
    if (m_pQMRTCallbacks != nullptr) {
        m_pQMRTCallbacks->OnComplete(mapHResult(result));
    }
    return S_OK;
}

STDMETHODIMP CCOMProgressCallback::QueryCancel(VARIANT_BOOL* cancel) {
    if (cancel == nullptr) {
        return E_POINTER;
    }
    // Nobody listening means nobody wants the burn to go on.
    const bool abort = m_pQMRTCallbacks == nullptr || m_pQMRTCallbacks->QueryAbort();
    *cancel = abort ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CCOMProgressCallback::OnValue(LONG value, VARIANT_BOOL* cancel) {
    if (m_pQMRTCallbacks == nullptr) {
        return S_OK;
    }
    m_pQMRTCallbacks->OnValue(value);
    if (cancel != nullptr) {
        *cancel = m_pQMRTCallbacks->QueryAbort() ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
}

void CCOMProgressCallback::SetQMRTCallbacks(QMRTCallbacks* pCallbacks) {
    constexpr const char* kLocation = "CCOMProgressCallback::SetQMRTCallbacks";
    if (pCallbacks == nullptr) {
        throw QMRT_Exception(kStatusBadEnumeration, kLocation, "pCallbacks == NULL!", 0);
    }
    if (m_pQMRTCallbacks != nullptr) {
        throw QMRT_Exception(kStatusBadEnumeration, kLocation, "m_pQMRTCallbacks != NULL!", 0);
    }
    m_pQMRTCallbacks = pCallbacks;
}

} // namespace QMRT
