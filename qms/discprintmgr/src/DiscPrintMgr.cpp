// The DiscPrintMgr server of the host software, over simulated drives: each
// enumeration reads the drives from the settings of the machine the server
// is installed on, each method can be told to fail with an HRESULT of the
// settings' choosing, and tray state changes are written back.
#include "DriveSettings.h"
#include "ModulePath.h"
#include "PrintJob.h"

#include "discprintmgr/QMCAPI.h"
#include "emulated/Machine.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>
#include <thread>

namespace {

using namespace QMCAPILib;
using namespace discprintmgr;
namespace fs = std::filesystem;

std::atomic<LONG> liveObjects{0};
std::atomic<LONG> serverLocks{0};

constexpr HRESULT kInternalError = static_cast<HRESULT>(0xC004022Fu);
constexpr HRESULT kTrayLocked = static_cast<HRESULT>(0xC004022Au);
constexpr HRESULT kDriveInUse = static_cast<HRESULT>(0xC004021Eu);

// The server reads the machine's settings and nothing else of it.
qmplatform::emulated::Machine::Options settingsOnly() {
    qmplatform::emulated::Machine::Options options;
    options.needsHives = false;
    return options;
}

// The machine the module lies on, found once per manager.
class Machine {
public:
    Machine() {
        std::error_code ec;
        for (fs::path folder = serverModulePath().parent_path(); !folder.empty();
             folder = folder.parent_path()) {
            if (fs::is_regular_file(folder / "machine.json", ec)) {
                std::string error;
                machine_ = qmplatform::emulated::Machine::open(folder, settingsOnly(), error);
                break;
            }
            if (folder == folder.parent_path()) {
                break;
            }
        }
        // Installed into a real Windows (a Wine prefix), the module lies on
        // drive C: and the machine folder above it is out of its sight; the
        // machine is then the one QUILLMARK_SYSROOT names, as for the engine.
        if (!machine_) {
            if (const char* sysroot = std::getenv("QUILLMARK_SYSROOT"); sysroot != nullptr && *sysroot != 0) {
                std::string error;
                machine_ = qmplatform::emulated::Machine::open(fs::path(sysroot), settingsOnly(), error);
            }
        }
    }
    // S_OK with the current settings, or why there are none.
    HRESULT read(ServerSettings& settings) const {
        if (!machine_) {
            return QMCAPI_E_SERVICE;
        }
        std::string error;
        return readServerSettings(machine_->settingsDocument(), settings, error) ? S_OK : kInternalError;
    }
    HRESULT setTray(const std::wstring& path, bool open) const {
        if (!machine_) {
            return QMCAPI_E_SERVICE;
        }
        std::string error;
        const bool written = machine_->updateSettings(
            [&](nlohmann::ordered_json& document, std::string&) {
                auto section = document.find(kSection);
                if (section == document.end() || !section->is_object() || !section->contains("drives") ||
                    !(*section)["drives"].is_array()) {
                    return false;
                }
                for (auto& drive : (*section)["drives"]) {
                    if (drive.is_object() && drive.value("path", std::string()) == qmplatform::toUtf8(path)) {
                        drive["tray"] = open ? "open" : "closed";
                        return true;
                    }
                }
                return false;
            },
            error);
        return written ? S_OK : QMCAPI_E_DRIVE_CHANGED;
    }
    std::filesystem::path hostPath(const std::wstring& windowsPath) const {
        return machine_ ? machine_->hostPath(windowsPath) : fs::path();
    }

private:
    std::unique_ptr<qmplatform::emulated::Machine> machine_;
};

HRESULT injected(const std::map<std::string, HRESULT>& failures, const char* method) {
    const auto found = failures.find(method);
    return found == failures.end() ? S_OK : found->second;
}

HRESULT giveText(const std::wstring& text, BSTR* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = qmplatform::com::bstrFromWide(text);
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

template <typename Interface> class Object : public Interface {
public:
    Object() { ++liveObjects; }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() { --liveObjects; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, identifier())) {
            *ppvObject = static_cast<Interface*>(this);
            this->AddRef();
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

protected:
    virtual const IID& identifier() const = 0;

private:
    std::atomic<ULONG> references_{1};
};

class Session final : public Object<IDiscPrintSession> {
public:
    Session(std::shared_ptr<const Machine> machine, SimulatedDrive drive, std::wstring spoolFolder)
        : machine_(std::move(machine)), drive_(std::move(drive)), spoolFolder_(std::move(spoolFolder)) {}
    ~Session() override {
        if (events_ != nullptr) {
            events_->Release();
        }
    }

    STDMETHODIMP PrintDisc(LONG imageType, LONG labelMode, LONG drawOptions, LONG quality, BOOL optimize,
                           const BYTE* header, LONG headerLength, const BYTE* bits,
                           LONG bitsLength) override {
        HRESULT hr = injected(drive_.failures, "PrintDisc");
        if (SUCCEEDED(hr)) {
            const PrintRequest request{imageType, labelMode,    drawOptions, quality,   optimize != FALSE,
                                       header,    headerLength, bits,        bitsLength};
            hr = printJob(request, drive_, machine_->hostPath(spoolFolder_), events_);
        }
        if (events_ != nullptr) {
            events_->OnComplete(hr);
        }
        return hr;
    }
    STDMETHODIMP PrintPreview(LONG imageType, LONG labelMode, LONG drawOptions, LONG quality, BOOL optimize,
                              const BYTE* header, LONG headerLength, const BYTE* bits, LONG bitsLength,
                              BSTR outputFile, LONG previewImageType, LONG* size, VARIANT_BOOL) override {
        HRESULT hr = injected(drive_.failures, "PrintPreview");
        if (SUCCEEDED(hr) && (size == nullptr || previewImageType != 0)) {
            hr = QMCAPI_E_BAD_ARGUMENT;
        }
        if (SUCCEEDED(hr)) {
            const PrintRequest request{imageType, labelMode,    drawOptions, quality,   optimize != FALSE,
                                       header,    headerLength, bits,        bitsLength};
            const std::wstring file = qmplatform::com::wideFromBstr(outputFile);
            hr = printPreview(request, file.empty() ? fs::path() : machine_->hostPath(file), size);
        }
        return hr;
    }
    STDMETHODIMP SetProgressCallback(IQMDiscPrintProgressEvents* events) override {
        const HRESULT hr = injected(drive_.failures, "SetProgressCallback");
        if (FAILED(hr)) {
            return hr;
        }
        // The interface given is the one called: no QueryInterface on it.
        if (events != nullptr) {
            events->AddRef();
        }
        if (events_ != nullptr) {
            events_->Release();
        }
        events_ = events;
        return S_OK;
    }

private:
    const IID& identifier() const override { return IID_IDiscPrintSession; }
    std::shared_ptr<const Machine> machine_;
    SimulatedDrive drive_;
    std::wstring spoolFolder_;
    IQMDiscPrintProgressEvents* events_ = nullptr;
};

class Printer final : public Object<IDiscPrinter> {
public:
    Printer(std::shared_ptr<const Machine> machine, SimulatedDrive drive, std::wstring spoolFolder)
        : machine_(std::move(machine)), drive_(std::move(drive)), spoolFolder_(std::move(spoolFolder)) {}

    STDMETHODIMP Validate() override { return injected(drive_.failures, "Validate"); }
    STDMETHODIMP GetPrinterVendorName(BSTR* name) override {
        return text("GetPrinterVendorName", drive_.vendor, name);
    }
    STDMETHODIMP GetPrinterProductName(BSTR* name) override {
        return text("GetPrinterProductName", drive_.product, name);
    }
    STDMETHODIMP GetPrinterDisplayName(BSTR* name) override {
        return text("GetPrinterDisplayName", drive_.displayName, name);
    }
    STDMETHODIMP GetPrinterPath(BSTR* path) override { return text("GetPrinterPath", drive_.path, path); }
    STDMETHODIMP GetPrinterCapabilities(LONG* value) override {
        return number("GetPrinterCapabilities", drive_.capabilities, value);
    }
    STDMETHODIMP GetDriveInnerRadius(LONG* value) override {
        return number("GetDriveInnerRadius", drive_.innerRadius, value);
    }
    STDMETHODIMP GetDriveOuterRadius(LONG* value) override {
        return number("GetDriveOuterRadius", drive_.outerRadius, value);
    }
    STDMETHODIMP GetCurrentMedia(LONG level, QMCAPI_MEDIA_INFORMATION* media) override {
        HRESULT hr = injected(drive_.failures, "GetCurrentMedia");
        if (FAILED(hr)) {
            return hr;
        }
        if (media == nullptr) {
            return E_POINTER;
        }
        if (level != 0 && level != 1) {
            return QMCAPI_E_BAD_ARGUMENT;
        }
        // What is in the tray now, not at enumeration: media may have been
        // put in or the tray closed since.
        SimulatedDrive now;
        hr = current(now);
        if (FAILED(hr)) {
            return hr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(now.detectMilliseconds));
        if (now.trayOpen || !now.media) {
            return QMCAPI_E_NO_MEDIA;
        }
        *media = *now.media;
        return S_OK;
    }
    STDMETHODIMP OpenPrintSession(IDiscPrintSession** session) override {
        if (session == nullptr) {
            return E_POINTER;
        }
        *session = nullptr;
        const HRESULT hr = injected(drive_.failures, "OpenPrintSession");
        if (FAILED(hr)) {
            return hr;
        }
        *session = new (std::nothrow) Session(machine_, drive_, spoolFolder_);
        return *session == nullptr ? E_OUTOFMEMORY : S_OK;
    }
    STDMETHODIMP GetPrintResolution(LONG quality, LONG level, LONG* value) override {
        constexpr LONG kResolutions[] = {1200, 1000, 600}; // best, normal, draft
        if (quality < 0 || quality > 2 || level < 0 || level > 1) {
            return QMCAPI_E_BAD_ARGUMENT;
        }
        return number("GetPrintResolution", kResolutions[quality], value);
    }
    STDMETHODIMP GetLabelRegionOuterRadius(LONG mode, LONG level, LONG* value) override {
        if (mode < 0 || mode > 2 || level < 0 || level > 1) {
            return QMCAPI_E_BAD_ARGUMENT;
        }
        return number("GetLabelRegionOuterRadius", drive_.outerRadius - 1400, value);
    }
    STDMETHODIMP GetLabelRegionInnerRadius(LONG mode, LONG level, LONG* value) override {
        if (mode < 0 || mode > 2 || level < 0 || level > 1) {
            return QMCAPI_E_BAD_ARGUMENT;
        }
        // A title label keeps to the outer band; the others start at the hub.
        const LONG inner = mode == 1 ? drive_.outerRadius - 12000 : drive_.innerRadius + 8000;
        return number("GetLabelRegionInnerRadius", inner, value);
    }
    STDMETHODIMP OpenDriveTray() override { return tray("OpenDriveTray", true); }
    STDMETHODIMP CloseDriveTray() override { return tray("CloseDriveTray", false); }
    STDMETHODIMP LockDriveTray() override { return flag("LockDriveTray", locked_, true, S_OK); }
    STDMETHODIMP UnlockDriveTray() override { return flag("UnlockDriveTray", locked_, false, S_OK); }
    STDMETHODIMP AddExclusiveUse() override { return flag("AddExclusiveUse", exclusive_, true, kDriveInUse); }
    STDMETHODIMP ReleaseExclusiveUse() override {
        return flag("ReleaseExclusiveUse", exclusive_, false, S_OK);
    }

private:
    const IID& identifier() const override { return IID_IDiscPrinter; }

    HRESULT current(SimulatedDrive& now) const {
        ServerSettings settings;
        const HRESULT hr = machine_->read(settings);
        if (FAILED(hr)) {
            return hr;
        }
        for (SimulatedDrive& d : settings.drives) {
            if (d.path == drive_.path) {
                now = std::move(d);
                return S_OK;
            }
        }
        return QMCAPI_E_DRIVE_CHANGED;
    }
    HRESULT text(const char* method, const std::wstring& value, BSTR* out) const {
        const HRESULT hr = injected(drive_.failures, method);
        return FAILED(hr) ? hr : giveText(value, out);
    }
    HRESULT number(const char* method, LONG given, LONG* out) const {
        const HRESULT hr = injected(drive_.failures, method);
        if (FAILED(hr)) {
            return hr;
        }
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = given;
        return S_OK;
    }
    HRESULT tray(const char* method, bool open) {
        HRESULT hr = injected(drive_.failures, method);
        if (SUCCEEDED(hr) && locked_) {
            hr = kTrayLocked;
        }
        if (SUCCEEDED(hr)) {
            hr = machine_->setTray(drive_.path, open);
        }
        return hr;
    }
    // Switches a state; asking for the state already held answers `again`.
    HRESULT flag(const char* method, bool& state, bool wanted, HRESULT again) {
        const HRESULT hr = injected(drive_.failures, method);
        if (FAILED(hr)) {
            return hr;
        }
        if (state == wanted && FAILED(again)) {
            return again;
        }
        state = wanted;
        return S_OK;
    }

    std::shared_ptr<const Machine> machine_;
    SimulatedDrive drive_;
    std::wstring spoolFolder_;
    bool locked_ = false;
    bool exclusive_ = false;
};

class Enumerator final : public Object<IEnumDiscPrinters> {
public:
    Enumerator(std::shared_ptr<const Machine> machine, ServerSettings settings)
        : machine_(std::move(machine)), settings_(std::move(settings)) {}

    STDMETHODIMP Count(LONG* count) override {
        const HRESULT hr = injected(settings_.failures, "Count");
        if (FAILED(hr)) {
            return hr;
        }
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = static_cast<LONG>(settings_.drives.size());
        return S_OK;
    }
    STDMETHODIMP Item(LONG index, IDiscPrinter** printer) override {
        if (printer == nullptr) {
            return E_POINTER;
        }
        *printer = nullptr;
        const HRESULT hr = injected(settings_.failures, "Item");
        if (FAILED(hr)) {
            return hr;
        }
        if (index < 0 || static_cast<std::size_t>(index) >= settings_.drives.size()) {
            return QMCAPI_E_BAD_ARGUMENT;
        }
        *printer = new (std::nothrow)
            Printer(machine_, settings_.drives[static_cast<std::size_t>(index)], settings_.spoolFolder);
        return *printer == nullptr ? E_OUTOFMEMORY : S_OK;
    }

private:
    const IID& identifier() const override { return IID_IEnumDiscPrinters; }
    std::shared_ptr<const Machine> machine_;
    ServerSettings settings_;
};

class Manager final : public Object<IDiscPrintMgr> {
public:
    Manager() : machine_(std::make_shared<const Machine>()) {}

    STDMETHODIMP EnumDiscPrinters(IEnumDiscPrinters** printers) override {
        if (printers == nullptr) {
            return E_POINTER;
        }
        *printers = nullptr;
        ServerSettings settings;
        HRESULT hr = machine_->read(settings);
        if (SUCCEEDED(hr)) {
            hr = injected(settings.failures, "EnumDiscPrinters");
        }
        if (FAILED(hr)) {
            return hr;
        }
        *printers = new (std::nothrow) Enumerator(machine_, std::move(settings));
        return *printers == nullptr ? E_OUTOFMEMORY : S_OK;
    }
    STDMETHODIMP GetUpdateShellCommand(BSTR* command) override {
        ServerSettings settings;
        HRESULT hr = machine_->read(settings);
        if (SUCCEEDED(hr)) {
            hr = injected(settings.failures, "GetUpdateShellCommand");
        }
        return FAILED(hr) ? hr : giveText(settings.updateShellCommand, command);
    }

private:
    const IID& identifier() const override { return IID_IDiscPrintMgr; }
    std::shared_ptr<const Machine> machine_;
};

class Factory final : public Object<IClassFactory> {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        *ppvObject = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* manager = new (std::nothrow) Manager;
        if (manager == nullptr) {
            return E_OUTOFMEMORY;
        }
        const HRESULT hr = manager->QueryInterface(riid, ppvObject);
        manager->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        serverLocks += lock ? 1 : -1;
        return S_OK;
    }

private:
    const IID& identifier() const override { return IID_IClassFactory; }
};

} // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_DiscPrintMgr)) {
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

// For tests: the server's objects still alive.
extern "C" LONG DiscPrintMgrLiveObjects() {
    return liveObjects;
}
