#include "win32/Win32Backends.h"

#include <windows.h>

namespace qmplatform {

namespace {

// The seam's codes are Windows' own; callers compare against them.
static_assert(kServiceStop == SERVICE_STOP);
static_assert(kServiceStopped == SERVICE_STOPPED && kServiceStopPending == SERVICE_STOP_PENDING);
static_assert(kErrorServiceNotActive == ERROR_SERVICE_NOT_ACTIVE);
static_assert(kErrorServiceCannotAcceptCtrl == ERROR_SERVICE_CANNOT_ACCEPT_CTRL);

// Owns one SC_HANDLE; closing is destroying.
class ScHandle {
public:
    explicit ScHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ScHandle() {
        if (handle_ != nullptr) {
            CloseServiceHandle(handle_);
        }
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

class Win32Service final : public ServiceHandle {
public:
    explicit Win32Service(SC_HANDLE handle) : handle_(handle) {}

    long queryStatus(ServiceStatus& out) override {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(handle_.get(), &status)) {
            return static_cast<long>(GetLastError());
        }
        out.serviceType = status.dwServiceType;
        out.currentState = status.dwCurrentState;
        out.win32ExitCode = status.dwWin32ExitCode;
        return kErrorSuccess;
    }

    long start() override {
        return StartServiceW(handle_.get(), 0, nullptr) ? kErrorSuccess : static_cast<long>(GetLastError());
    }

    long stop() override {
        // The status that comes back is the one before the service acted on
        // the request; callers query for the state they wait for.
        SERVICE_STATUS status{};
        return ControlService(handle_.get(), SERVICE_CONTROL_STOP, &status)
                   ? kErrorSuccess
                   : static_cast<long>(GetLastError());
    }

private:
    ScHandle handle_;
};

class Win32Manager final : public ServiceManagerHandle {
public:
    explicit Win32Manager(SC_HANDLE handle) : handle_(handle) {}

    long openService(std::wstring_view name, std::uint32_t access,
                     std::unique_ptr<ServiceHandle>& out) override {
        const std::wstring serviceName(name);
        SC_HANDLE service = OpenServiceW(handle_.get(), serviceName.c_str(), access);
        if (service == nullptr) {
            return static_cast<long>(GetLastError());
        }
        out = std::make_unique<Win32Service>(service);
        return kErrorSuccess;
    }

private:
    ScHandle handle_;
};

class Win32ServiceControl final : public ServiceControl {
public:
    long openManager(std::uint32_t access, std::unique_ptr<ServiceManagerHandle>& out) override {
        SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, access);
        if (manager == nullptr) {
            return static_cast<long>(GetLastError());
        }
        out = std::make_unique<Win32Manager>(manager);
        return kErrorSuccess;
    }
};

} // namespace

std::unique_ptr<ServiceControl> makeWin32ServiceControl() {
    return std::make_unique<Win32ServiceControl>();
}

} // namespace qmplatform
