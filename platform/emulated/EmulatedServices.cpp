#include "platform/machine/EmulatedBackends.h"

#include <cstring>
#include <map>
#include <mutex>
#include <optional>

namespace qmplatform::emulated {

namespace {

constexpr std::wstring_view kServicesKey = L"SYSTEM\\CurrentControlSet\\Services\\";
constexpr std::uint32_t kStartDisabled = 4;

constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kGenericExecute = 0x20000000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kReadControl = 0x00020000;

struct GenericMapping {
    std::uint32_t read, write, execute, all;
};

// The generic rights of the manager and of a service, and what a standard
// user is granted on each (the default security of Windows' SCM).
constexpr GenericMapping kManagerMapping{kReadControl | 0x0004 | 0x0010, kReadControl | 0x0002 | 0x0020,
                                         kReadControl | 0x0001 | 0x0008, kScManagerAllAccess};
constexpr GenericMapping kServiceMapping{
    kReadControl | 0x0001 | 0x0004 | 0x0008 | kServiceInterrogate, kReadControl | 0x0002,
    kReadControl | kServiceStart | kServiceStop | 0x0040 | 0x0100, kServiceAllAccess};
constexpr std::uint32_t kUserManagerRights = kScManagerConnect | 0x0004 | 0x0010 | kReadControl;
constexpr std::uint32_t kUserServiceRights =
    0x0001 | kServiceQueryStatus | 0x0008 | kServiceInterrogate | 0x0100 | kReadControl;

std::uint32_t mapGeneric(std::uint32_t access, const GenericMapping& mapping) {
    std::uint32_t result = access & 0x0FFFFFFF;
    if (access & kGenericRead) {
        result |= mapping.read;
    }
    if (access & kGenericWrite) {
        result |= mapping.write;
    }
    if (access & kGenericExecute) {
        result |= mapping.execute;
    }
    if (access & kGenericAll) {
        result |= mapping.all;
    }
    return result;
}

} // namespace

struct EmulatedServiceControl::Shared {
    Shared(Machine& m, Registry& r, Clock& c) : machine(m), registry(r), clock(c) {}

    Machine& machine;
    Registry& registry;
    Clock& clock;
    std::mutex mutex;
    // Start requests still pending: when each service will run, on the clock.
    std::map<std::wstring, std::uint64_t, NoCaseLess> readyAtMs;

    std::optional<std::uint32_t> configDword(std::wstring_view service, std::wstring_view value) {
        std::unique_ptr<RegistryKey> key;
        if (registry.openKey(RegRoot::LocalMachine, std::wstring(kServicesKey) + std::wstring(service),
                             RegAccess::Read, key) != kErrorSuccess) {
            return std::nullopt;
        }
        RegValue data;
        if (key->queryValue(value, data) != kErrorSuccess || data.type != kRegDword ||
            data.data.size() != 4) {
            return std::nullopt;
        }
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) {
            number = (number << 8) | data.data[static_cast<std::size_t>(i)];
        }
        return number;
    }

    // A service is a key under Services with a "Type"; a driver's key
    // without one (CDRom's settings) is not a service.
    bool exists(std::wstring_view service) { return configDword(service, L"Type").has_value(); }

    std::uint32_t currentState(std::wstring_view service) {
        std::lock_guard guard(mutex);
        ServiceBehaviour behaviour = machine.service(service);
        const auto pending = readyAtMs.find(service);
        if (behaviour.state == ServiceRunState::Running) {
            if (pending != readyAtMs.end()) {
                readyAtMs.erase(pending);
            }
            return kServiceRunning;
        }
        if (pending == readyAtMs.end()) {
            return kServiceStopped;
        }
        if (clock.nowMs() < pending->second) {
            return kServiceStartPending;
        }
        behaviour.state = ServiceRunState::Running;
        std::string error;
        if (!machine.setService(service, behaviour, error)) {
            return kServiceStartPending; // runs as soon as the machine can record it
        }
        readyAtMs.erase(pending);
        return kServiceRunning;
    }

    long start(std::wstring_view service) {
        if (configDword(service, L"Start") == kStartDisabled) {
            return kErrorServiceDisabled;
        }
        if (currentState(service) != kServiceStopped) {
            return kErrorServiceAlreadyRunning;
        }
        std::lock_guard guard(mutex);
        ServiceBehaviour behaviour = machine.service(service);
        if (behaviour.neverStarts) {
            return kErrorServiceRequestTimeout;
        }
        if (behaviour.startSeconds > 0) {
            readyAtMs.insert_or_assign(std::wstring(service),
                                       clock.nowMs() + std::uint64_t{behaviour.startSeconds} * 1000);
            return kErrorSuccess;
        }
        behaviour.state = ServiceRunState::Running;
        std::string error;
        return machine.setService(service, behaviour, error) ? kErrorSuccess : kErrorAccessDenied;
    }

    // The stand-in services stop at once. One still starting takes no
    // control yet, as a real service reports no accepted controls while
    // start pending.
    long stop(std::wstring_view service) {
        const std::uint32_t state = currentState(service);
        if (state == kServiceStopped) {
            return kErrorServiceNotActive;
        }
        if (state != kServiceRunning) {
            return kErrorServiceCannotAcceptCtrl;
        }
        std::lock_guard guard(mutex);
        ServiceBehaviour behaviour = machine.service(service);
        behaviour.state = ServiceRunState::Stopped;
        std::string error;
        return machine.setService(service, behaviour, error) ? kErrorSuccess : kErrorAccessDenied;
    }
};

namespace {

class EmulatedServiceHandle final : public ServiceHandle {
public:
    EmulatedServiceHandle(std::shared_ptr<EmulatedServiceControl::Shared> shared, std::wstring name,
                          std::uint32_t access)
        : shared_(std::move(shared)), name_(std::move(name)), access_(access) {}

    long queryStatus(ServiceStatus& out) override {
        if ((access_ & kServiceQueryStatus) == 0) {
            return kErrorAccessDenied;
        }
        ServiceStatus status;
        status.serviceType = shared_->configDword(name_, L"Type").value_or(0);
        status.currentState = shared_->currentState(name_);
        out = status;
        return kErrorSuccess;
    }

    long start() override {
        if ((access_ & kServiceStart) == 0) {
            return kErrorAccessDenied;
        }
        return shared_->start(name_);
    }

    long stop() override {
        if ((access_ & kServiceStop) == 0) {
            return kErrorAccessDenied;
        }
        return shared_->stop(name_);
    }

private:
    std::shared_ptr<EmulatedServiceControl::Shared> shared_;
    std::wstring name_;
    std::uint32_t access_;
};

class EmulatedManagerHandle final : public ServiceManagerHandle {
public:
    EmulatedManagerHandle(std::shared_ptr<EmulatedServiceControl::Shared> shared, std::uint32_t access)
        : shared_(std::move(shared)), access_(access) {}

    long openService(std::wstring_view name, std::uint32_t access,
                     std::unique_ptr<ServiceHandle>& out) override {
        if ((access_ & kScManagerConnect) == 0) {
            return kErrorAccessDenied;
        }
        if (name.empty() || name.find_first_of(L"\\/") != std::wstring_view::npos) {
            return kErrorInvalidName;
        }
        if (!shared_->exists(name)) {
            return kErrorServiceDoesNotExist;
        }
        const std::uint32_t rights = mapGeneric(access, kServiceMapping);
        if (!shared_->machine.administrator() && (rights & ~kUserServiceRights) != 0) {
            return kErrorAccessDenied;
        }
        out = std::make_unique<EmulatedServiceHandle>(shared_, std::wstring(name), rights);
        return kErrorSuccess;
    }

private:
    std::shared_ptr<EmulatedServiceControl::Shared> shared_;
    std::uint32_t access_;
};

} // namespace

EmulatedServiceControl::EmulatedServiceControl(Machine& machine, Registry& registry, Clock& clock)
    : shared_(std::make_shared<Shared>(machine, registry, clock)) {}

EmulatedServiceControl::~EmulatedServiceControl() = default;

long EmulatedServiceControl::openManager(std::uint32_t access, std::unique_ptr<ServiceManagerHandle>& out) {
    const std::uint32_t rights = mapGeneric(access, kManagerMapping);
    if (!shared_->machine.administrator() && (rights & ~kUserManagerRights) != 0) {
        return kErrorAccessDenied;
    }
    out = std::make_unique<EmulatedManagerHandle>(shared_, rights);
    return kErrorSuccess;
}

} // namespace qmplatform::emulated
