// The labelling client layer: one small wrapper per server interface. Each
// holds one interface pointer, converts arguments and results, and turns a
// failed call into a QMRT_Exception naming the operation and what failed.
#pragma once

#include "diagtool/client/DiscPrintApi.h"
#include "platform/TextCodec.h"
#include "diagtool/client/QMRT_Exception.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace QMRT {

enum QMRT_ImageType : std::int32_t { QMRT_IMAGE_BITMAP = 0 };
enum QMRT_LabelMode : std::int32_t { QMRT_LABEL_FULL = 0, QMRT_LABEL_TITLE = 1, QMRT_LABEL_CONTENT = 2 };
enum QMRT_DrawOptions : std::int32_t {
    QMRT_DRAW_NONE = 0,
    QMRT_DRAW_CENTERED = 1,
    QMRT_DRAW_STRETCHED = 2,
    QMRT_DRAW_TILED = 4
};
enum QMRT_PrintQuality : std::int32_t {
    QMRT_QUALITY_BEST = 0,
    QMRT_QUALITY_NORMAL = 1,
    QMRT_QUALITY_DRAFT = 2
};
enum QMRT_MediaOptimizationLevel : std::int32_t { QMRT_OPTIMIZE_NONE = 0, QMRT_OPTIMIZE_MEDIA = 1 };

// What the server reports; checked on the way back.
inline constexpr std::int32_t kCapabilityCodes[] = {1, 2};
inline constexpr std::int32_t kShapesAndSizes[] = {0, 1, 2};

// How the client reaches the manager. The default creates DiscPrintMgr with
// CoCreateInstance; tests hand in a server of their own.
using ServerCreator = std::function<HRESULT(IDiscPrintMgr** manager)>;
HRESULT createDiscPrintMgr(IDiscPrintMgr** manager);

class QMRT_DiscPrinter;
class QMRT_DiscPrintSession;

class QMRT_EnumDiscPrinters {
public:
    explicit QMRT_EnumDiscPrinters(const ServerCreator& create = createDiscPrintMgr);
    QMRT_EnumDiscPrinters(const QMRT_EnumDiscPrinters&) = delete;
    QMRT_EnumDiscPrinters& operator=(const QMRT_EnumDiscPrinters&) = delete;
    ~QMRT_EnumDiscPrinters();

    int Count();
    std::unique_ptr<QMRT_DiscPrinter> Item(int index);

private:
    qmplatform::com::ComPtr<IEnumDiscPrinters> m_pObject;
};

class QMRT_DiscPrinter {
public:
    QMRT_DiscPrinter() = default;
    QMRT_DiscPrinter(const QMRT_DiscPrinter&) = delete;
    QMRT_DiscPrinter& operator=(const QMRT_DiscPrinter&) = delete;
    // An owner that forgets Destroy still gives the reference back.
    ~QMRT_DiscPrinter();

    void Attach(IDiscPrinter* pObject);
    void Destroy();
    bool attached() const { return m_pObject != nullptr; }

    void Validate();
    std::string GetPrinterVendorName();
    std::string GetPrinterProductName();
    std::string GetPrinterDisplayName();
    std::string GetPrinterPath();
    int GetPrinterCapabilities();
    int GetDriveInnerRadius();
    int GetDriveOuterRadius();
    QMRT_MediaInformation GetCurrentMedia(QMRT_MediaOptimizationLevel level);
    int GetPrintResolution(QMRT_PrintQuality quality, QMRT_MediaOptimizationLevel level);
    int GetLabelRegionOuterRadius(QMRT_LabelMode mode, QMRT_MediaOptimizationLevel level);
    int GetLabelRegionInnerRadius(QMRT_LabelMode mode, QMRT_MediaOptimizationLevel level);
    void OpenDriveTray();
    void CloseDriveTray();
    void LockDriveTray();
    void UnlockDriveTray();
    void AddExclusiveUse();
    void ReleaseExclusiveUse();
    std::unique_ptr<QMRT_DiscPrintSession> OpenPrintSession();

private:
    qmplatform::com::ComPtr<IDiscPrinter> m_pObject;
};

// Receives a print session's events; the caller implements it.
class QMRTCallbacks {
public:
    virtual bool QueryAbort() = 0;
    virtual void OnProgressA(int first, int second) = 0;
    virtual void OnProgressB(int first, int second) = 0;
    virtual void OnComplete(std::int32_t status) = 0;
    virtual void OnValue(int value) = 0;

protected:
    ~QMRTCallbacks() = default;
};

class CCOMProgressCallback;

class QMRT_DiscPrintSession {
public:
    QMRT_DiscPrintSession() = default;
    QMRT_DiscPrintSession(const QMRT_DiscPrintSession&) = delete;
    QMRT_DiscPrintSession& operator=(const QMRT_DiscPrintSession&) = delete;
    ~QMRT_DiscPrintSession();

    void Attach(IDiscPrintSession* pObject);
    void Destroy();
    bool attached() const { return m_pObject != nullptr; }

    void PrintDisc(QMRT_ImageType imageType, QMRT_LabelMode labelMode, QMRT_DrawOptions drawOptions,
                   QMRT_PrintQuality quality, QMRT_MediaOptimizationLevel level, const std::uint8_t* header,
                   int headerLength, const std::uint8_t* bits, int bitsLength);
    // `size` receives the two values the server reports about the preview.
    void PrintPreview(QMRT_ImageType imageType, QMRT_LabelMode labelMode, QMRT_DrawOptions drawOptions,
                      QMRT_PrintQuality quality, QMRT_MediaOptimizationLevel level,
                      const std::uint8_t* header, int headerLength, const std::uint8_t* bits, int bitsLength,
                      const std::optional<std::string>& outputFile, QMRT_ImageType previewImageType,
                      std::int32_t (&size)[2], bool flag);
    // The callbacks object is not owned and must outlive the session.
    void SetProgressCallback(QMRTCallbacks* pCallbacks);
    void SetSavePrintFile(const std::string& fileName);

private:
    qmplatform::com::ComPtr<IDiscPrintSession> m_pObject;
    qmplatform::com::ComPtr<CCOMProgressCallback> m_pCallback;
};

class QMRT_QMInfo {
public:
    explicit QMRT_QMInfo(const ServerCreator& create = createDiscPrintMgr);
    QMRT_QMInfo(const QMRT_QMInfo&) = delete;
    QMRT_QMInfo& operator=(const QMRT_QMInfo&) = delete;
    ~QMRT_QMInfo();

    std::string GetUpdateShellCommand();
    std::string GetQMSVersion();
    std::string GetPreviousQMSVersions();
    std::string GetExtendedDiagnosticsString();

private:
    qmplatform::com::ComPtr<IDiscPrintMgr> m_pObject;
};

// The COM object a session reports to; forwards to a QMRTCallbacks object.
class CCOMProgressCallback final : public IQMDiscPrintProgressEvents {
public:
    CCOMProgressCallback() = default;
    CCOMProgressCallback(const CCOMProgressCallback&) = delete;
    CCOMProgressCallback& operator=(const CCOMProgressCallback&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP OnProgressA(LONG first, LONG second) override;
    STDMETHODIMP OnProgressB(LONG first, LONG second) override;
    STDMETHODIMP OnComplete(HRESULT result) override;
    STDMETHODIMP QueryCancel(VARIANT_BOOL* cancel) override;
    STDMETHODIMP OnValue(LONG value, VARIANT_BOOL* cancel) override;

    void SetQMRTCallbacks(QMRTCallbacks* pCallbacks);

private:
    ~CCOMProgressCallback() = default;

    // Interlocked: the server may add and drop references from its own threads.
    std::atomic<LONG> m_refCount{1};
    QMRTCallbacks* m_pQMRTCallbacks = nullptr;
};

// The narrow form of a BSTR in the ANSI code page; a null BSTR is empty.
// While alive, the client's narrow texts go through `codec` (the System's),
// as COM goes through the runtime binding of the same session.
class ScopedTextBinding {
public:
    explicit ScopedTextBinding(const qmplatform::TextCodec& codec);
    ~ScopedTextBinding();
    ScopedTextBinding(const ScopedTextBinding&) = delete;
    ScopedTextBinding& operator=(const ScopedTextBinding&) = delete;

private:
    const qmplatform::TextCodec* previous_;
};

std::string ansiFromBstr(BSTR text);
// A BSTR of narrow text in the ANSI code page; null when out of memory.
BSTR bstrFromAnsi(const std::string& text);
// Narrow texts of this layer to and from wide text, through the same code page.
std::wstring wideFromAnsi(const std::string& text);
std::string ansiFromWide(const std::wstring& text);

} // namespace QMRT
