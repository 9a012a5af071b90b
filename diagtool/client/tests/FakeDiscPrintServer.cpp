#include "FakeDiscPrintServer.h"

namespace fake {

namespace {

using namespace QMRT;

template <typename Interface> class Object : public Interface {
public:
    explicit Object(Server& server) : server_(server) { ++server_.liveObjects; }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() { --server_.liveObjects; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppvObject = this;
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
    HRESULT log(const std::string& call, const std::string& method) {
        server_.calls.push_back(call);
        return failure(method);
    }
    virtual HRESULT failure(const std::string& method) { return server_.failure(method); }
    Server& server_;

private:
    ULONG references_ = 1;
};

HRESULT giveString(const std::wstring& text, BSTR* out) {
    *out = qmplatform::com::bstrFromWide(text);
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

class Session final : public Object<IDiscPrintSession> {
public:
    Session(Server& server, std::size_t drive) : Object(server), drive_(drive) {}
    ~Session() override {
        if (server_.callback != nullptr) {
            server_.callback->Release();
            server_.callback = nullptr;
        }
    }
    STDMETHODIMP PrintDisc(LONG imageType, LONG labelMode, LONG drawOptions, LONG quality, BOOL optimize,
                           const BYTE*, LONG headerLength, const BYTE*, LONG bitsLength) override {
        return log("PrintDisc(" + std::to_string(imageType) + "," + std::to_string(labelMode) + "," +
                       std::to_string(drawOptions) + "," + std::to_string(quality) + "," +
                       std::to_string(optimize) + "," + std::to_string(headerLength) + "," +
                       std::to_string(bitsLength) + ")",
                   "PrintDisc");
    }
    STDMETHODIMP PrintPreview(LONG imageType, LONG labelMode, LONG drawOptions, LONG quality, BOOL optimize,
                              const BYTE*, LONG, const BYTE*, LONG, BSTR outputFile, LONG previewImageType,
                              LONG* size, VARIANT_BOOL flag) override {
        const std::wstring file = qmplatform::com::wideFromBstr(outputFile);
        std::string narrow(file.begin(), file.end());
        const HRESULT hr = log("PrintPreview(" + std::to_string(imageType) + "," + std::to_string(labelMode) +
                                   "," + std::to_string(drawOptions) + "," + std::to_string(quality) + "," +
                                   std::to_string(optimize) + "," + (outputFile ? narrow : "null") + "," +
                                   std::to_string(previewImageType) + "," + std::to_string(flag) + ")",
                               "PrintPreview");
        if (SUCCEEDED(hr)) {
            size[0] = 801;
            size[1] = 802;
        }
        return hr;
    }
    STDMETHODIMP SetProgressCallback(IQMDiscPrintProgressEvents* events) override {
        const HRESULT hr = log("SetProgressCallback", "SetProgressCallback");
        if (SUCCEEDED(hr) && events != nullptr) {
            events->AddRef();
            if (server_.callback != nullptr) {
                server_.callback->Release();
            }
            server_.callback = events;
        }
        return hr;
    }

private:
    HRESULT failure(const std::string& method) override {
        const auto& failures = server_.drives.at(drive_).failures;
        const auto found = failures.find(method);
        return found == failures.end() ? S_OK : found->second;
    }
    std::size_t drive_;
};

class Printer final : public Object<IDiscPrinter> {
public:
    Printer(Server& server, std::size_t index) : Object(server), index_(index) {}

    STDMETHODIMP Validate() override { return log("Validate", "Validate"); }
    STDMETHODIMP GetPrinterVendorName(BSTR* name) override {
        return read("GetPrinterVendorName", drive().vendor, name);
    }
    STDMETHODIMP GetPrinterProductName(BSTR* name) override {
        return read("GetPrinterProductName", drive().product, name);
    }
    STDMETHODIMP GetPrinterDisplayName(BSTR* name) override {
        return read("GetPrinterDisplayName", drive().displayName, name);
    }
    STDMETHODIMP GetPrinterPath(BSTR* path) override {
        Drive& d = drive();
        std::wstring value = d.path;
        if (!d.laterPaths.empty()) {
            value = d.laterPaths.front();
            d.laterPaths.erase(d.laterPaths.begin());
        }
        return read("GetPrinterPath", value, path);
    }
    STDMETHODIMP GetPrinterCapabilities(LONG* value) override {
        return number("GetPrinterCapabilities", drive().capabilities, value);
    }
    STDMETHODIMP GetDriveInnerRadius(LONG* value) override {
        return number("GetDriveInnerRadius", drive().innerRadius, value);
    }
    STDMETHODIMP GetDriveOuterRadius(LONG* value) override {
        return number("GetDriveOuterRadius", drive().outerRadius, value);
    }
    STDMETHODIMP GetCurrentMedia(LONG level, QMRT_MediaInformation* media) override {
        HRESULT hr = log("GetCurrentMedia(" + std::to_string(level) + ")", "GetCurrentMedia");
        if (SUCCEEDED(hr) && !drive().media) {
            hr = static_cast<HRESULT>(0xC0041012u);
        }
        if (SUCCEEDED(hr)) {
            *media = *drive().media;
        }
        return hr;
    }
    STDMETHODIMP OpenPrintSession(IDiscPrintSession** session) override {
        const HRESULT hr = log("OpenPrintSession", "OpenPrintSession");
        *session = SUCCEEDED(hr) ? new Session(server_, index_) : nullptr;
        return hr;
    }
    STDMETHODIMP GetPrintResolution(LONG quality, LONG level, LONG* value) override {
        return number("GetPrintResolution(" + std::to_string(quality) + "," + std::to_string(level) + ")",
                      1000, value, "GetPrintResolution");
    }
    STDMETHODIMP GetLabelRegionOuterRadius(LONG mode, LONG level, LONG* value) override {
        return number("GetLabelRegionOuterRadius(" + std::to_string(mode) + "," + std::to_string(level) + ")",
                      57600, value, "GetLabelRegionOuterRadius");
    }
    STDMETHODIMP GetLabelRegionInnerRadius(LONG mode, LONG level, LONG* value) override {
        return number("GetLabelRegionInnerRadius(" + std::to_string(mode) + "," + std::to_string(level) + ")",
                      23000, value, "GetLabelRegionInnerRadius");
    }
    STDMETHODIMP OpenDriveTray() override { return log("OpenDriveTray", "OpenDriveTray"); }
    STDMETHODIMP CloseDriveTray() override { return log("CloseDriveTray", "CloseDriveTray"); }
    STDMETHODIMP LockDriveTray() override { return log("LockDriveTray", "LockDriveTray"); }
    STDMETHODIMP UnlockDriveTray() override { return log("UnlockDriveTray", "UnlockDriveTray"); }
    STDMETHODIMP AddExclusiveUse() override { return log("AddExclusiveUse", "AddExclusiveUse"); }
    STDMETHODIMP ReleaseExclusiveUse() override { return log("ReleaseExclusiveUse", "ReleaseExclusiveUse"); }

private:
    Drive& drive() { return server_.drives.at(index_); }
    HRESULT failure(const std::string& method) override {
        const auto found = drive().failures.find(method);
        return found == drive().failures.end() ? S_OK : found->second;
    }
    HRESULT read(const std::string& method, const std::wstring& text, BSTR* out) {
        const HRESULT hr = log(method, method);
        return SUCCEEDED(hr) ? giveString(text, out) : hr;
    }
    HRESULT number(const std::string& call, LONG given, LONG* out, const std::string& method = {}) {
        const HRESULT hr = log(call, method.empty() ? call : method);
        if (SUCCEEDED(hr)) {
            *out = given;
        }
        return hr;
    }
    std::size_t index_;
};

class Enumerator final : public Object<IEnumDiscPrinters> {
public:
    using Object::Object;
    STDMETHODIMP Count(LONG* count) override {
        const HRESULT hr = log("Count", "Count");
        if (SUCCEEDED(hr)) {
            *count =
                server_.countOverride >= 0 ? server_.countOverride : static_cast<LONG>(server_.drives.size());
        }
        return hr;
    }
    STDMETHODIMP Item(LONG index, IDiscPrinter** printer) override {
        HRESULT hr = log("Item(" + std::to_string(index) + ")", "Item");
        if (SUCCEEDED(hr) && (index < 0 || static_cast<std::size_t>(index) >= server_.drives.size())) {
            hr = E_INVALIDARG;
        }
        *printer = SUCCEEDED(hr) ? new Printer(server_, static_cast<std::size_t>(index)) : nullptr;
        return hr;
    }
};

class Manager final : public Object<IDiscPrintMgr> {
public:
    using Object::Object;
    STDMETHODIMP EnumDiscPrinters(IEnumDiscPrinters** printers) override {
        const HRESULT hr = log("EnumDiscPrinters", "EnumDiscPrinters");
        *printers = SUCCEEDED(hr) ? new Enumerator(server_) : nullptr;
        return hr;
    }
    STDMETHODIMP GetUpdateShellCommand(BSTR* command) override {
        const HRESULT hr = log("GetUpdateShellCommand", "GetUpdateShellCommand");
        return SUCCEEDED(hr) ? giveString(updateCommand(), command) : hr;
    }

private:
    const std::wstring& updateCommand() const { return server_.updateCommand; }
};

} // namespace

HRESULT Server::failure(const std::string& method) const {
    const auto found = failures.find(method);
    return found == failures.end() ? S_OK : found->second;
}

QMRT::ServerCreator Server::creator() {
    return [this](QMRT::IDiscPrintMgr** manager) {
        calls.push_back("Create");
        if (FAILED(createResult)) {
            *manager = nullptr;
            return createResult;
        }
        *manager = new Manager(*this);
        return S_OK;
    };
}

QMRT::IDiscPrinter* Server::newPrinter(std::size_t index) {
    return new Printer(*this, index);
}

Server::~Server() {
    if (callback != nullptr) {
        callback->Release();
    }
}

} // namespace fake
