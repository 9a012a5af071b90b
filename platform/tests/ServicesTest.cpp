// The emulated service control manager, the restart request, and (on
// Windows) the real manager: what the service checks and the restart of the
// system checks rely on.
#include "MachineTestSupport.h"

#include "platform/machine/EmulatedSystem.h"
#include "platform/ManualClock.h"
#include "platform/RegKey.h"

#include <nlohmann/json.hpp>

#ifdef _WIN32
#include "win32/Win32System.h"

#include <windows.h>
#endif

using namespace qmplatform;
using namespace qmplatform::emulated;

namespace {

constexpr std::uint32_t kCheckRights = kServiceQueryStatus | kServiceStart | kServiceInterrogate; // 0x94

// Starting a service as the system checks do: open manager and service,
// start, then up to ten checks one second apart.
struct StartOutcome {
    bool running = false;
    int checks = 0;
};

bool isRunning(ServiceControl& services, const wchar_t* name) {
    std::unique_ptr<ServiceManagerHandle> manager;
    std::unique_ptr<ServiceHandle> service;
    ServiceStatus status;
    return services.openManager(kScManagerAllAccess, manager) == kErrorSuccess &&
           manager->openService(name, kCheckRights, service) == kErrorSuccess &&
           service->queryStatus(status) == kErrorSuccess && status.currentState == kServiceRunning;
}

StartOutcome startAndWait(System& system, const wchar_t* name) {
    StartOutcome outcome;
    std::unique_ptr<ServiceManagerHandle> manager;
    std::unique_ptr<ServiceHandle> service;
    if (system.services().openManager(kScManagerAllAccess, manager) != kErrorSuccess ||
        manager->openService(name, kCheckRights, service) != kErrorSuccess) {
        return outcome;
    }
    (void)service->start();
    for (int i = 0; i < 10; ++i) {
        ++outcome.checks;
        outcome.running = isRunning(system.services(), name);
        if (outcome.running) {
            break;
        }
        system.clock().sleepMs(1000);
    }
    return outcome;
}

class EmulatedServices : public ::testing::Test {
protected:
    void SetUp() override {
        auto machine = qmtest::freshMachine("services");
        ASSERT_TRUE(machine);
        root_ = machine->root();
        open(true);
        configure(L"QuillmarkService", 2);
        configure(L"Disabled", 4);
        RegKey cdrom;
        ASSERT_EQ(cdrom.create(system_->registry(), RegRoot::LocalMachine,
                               L"SYSTEM\\CurrentControlSet\\Services\\CDRom\\", RegAccess::AllAccess),
                  kErrorSuccess);
        ASSERT_EQ(cdrom.writeDword(L"autorun", 1), kErrorSuccess);
    }
    void open(bool administrator) {
        std::string error;
        system_.reset();
        ASSERT_TRUE(Machine::open(root_, error)
                        ->updateSettings(
                            [&](nlohmann::ordered_json& doc, std::string&) {
                                doc["administrator"] = administrator;
                                return true;
                            },
                            error))
            << error;
        system_ = makeEmulatedSystem(root_, EmulatedSystemOptions{clock_, L""}, error);
        ASSERT_TRUE(system_) << error;
    }
    void configure(const wchar_t* name, std::uint32_t start) {
        RegKey key;
        ASSERT_EQ(key.create(system_->registry(), RegRoot::LocalMachine,
                             std::wstring(L"SYSTEM\\CurrentControlSet\\Services\\") + name,
                             RegAccess::AllAccess),
                  kErrorSuccess);
        ASSERT_EQ(key.writeDword(L"Type", 0x10), kErrorSuccess);
        ASSERT_EQ(key.writeDword(L"Start", start), kErrorSuccess);
        ASSERT_EQ(key.writeString(L"ObjectName", L"LocalSystem"), kErrorSuccess);
    }
    void behave(const wchar_t* name, ServiceBehaviour behaviour) {
        std::string error;
        ASSERT_TRUE(system_->machine().setService(name, behaviour, error)) << error;
    }
    std::uint32_t state(const wchar_t* name) {
        std::unique_ptr<ServiceManagerHandle> manager;
        std::unique_ptr<ServiceHandle> service;
        ServiceStatus status;
        EXPECT_EQ(system_->services().openManager(kScManagerConnect, manager), kErrorSuccess);
        EXPECT_EQ(manager->openService(name, kServiceQueryStatus, service), kErrorSuccess);
        EXPECT_EQ(service->queryStatus(status), kErrorSuccess);
        EXPECT_EQ(status.serviceType, 0x10u);
        return status.currentState;
    }

    std::filesystem::path root_;
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(5000);
    std::unique_ptr<EmulatedSystem> system_;
};

TEST_F(EmulatedServices, ARunningServiceIsFoundAtTheFirstCheck) {
    behave(L"QuillmarkService", {ServiceRunState::Running, 0, false});
    const StartOutcome outcome = startAndWait(*system_, L"QuillmarkService");
    EXPECT_TRUE(outcome.running);
    EXPECT_EQ(outcome.checks, 1);
    EXPECT_EQ(clock_->sleptMs(), 0u);
}

TEST_F(EmulatedServices, ASlowServiceIsStartPendingThenRunsAtTheFourthCheck) {
    behave(L"QuillmarkService", {ServiceRunState::Stopped, 3, false});
    EXPECT_EQ(state(L"QuillmarkService"), kServiceStopped);
    const StartOutcome outcome = startAndWait(*system_, L"QuillmarkService");
    EXPECT_TRUE(outcome.running);
    EXPECT_EQ(outcome.checks, 4);
    EXPECT_EQ(clock_->sleptMs(), 3000u);
    // Running is the machine's state now: another program sees it.
    std::string error;
    EXPECT_EQ(Machine::open(root_, error)->service(L"QuillmarkService").state, ServiceRunState::Running);
}

TEST_F(EmulatedServices, StartPendingLastsExactlyTheStartTime) {
    behave(L"QuillmarkService", {ServiceRunState::Stopped, 3, false});
    std::unique_ptr<ServiceManagerHandle> manager;
    std::unique_ptr<ServiceHandle> service;
    ASSERT_EQ(system_->services().openManager(kScManagerAllAccess, manager), kErrorSuccess);
    ASSERT_EQ(manager->openService(L"quillmarkservice", kCheckRights, service), kErrorSuccess);
    ASSERT_EQ(service->start(), kErrorSuccess);
    EXPECT_EQ(state(L"QuillmarkService"), kServiceStartPending);
    EXPECT_EQ(service->start(), kErrorServiceAlreadyRunning);
    clock_->advance(2999);
    EXPECT_EQ(state(L"QuillmarkService"), kServiceStartPending);
    EXPECT_EQ(system_->machine().service(L"QuillmarkService").state, ServiceRunState::Stopped);
    clock_->advance(1);
    EXPECT_EQ(state(L"QuillmarkService"), kServiceRunning);
    EXPECT_EQ(service->start(), kErrorServiceAlreadyRunning);
}

TEST_F(EmulatedServices, ADeadServiceNeverRunsAfterTenChecksAndTenSeconds) {
    behave(L"QuillmarkService", {ServiceRunState::Stopped, 0, true});
    const StartOutcome outcome = startAndWait(*system_, L"QuillmarkService");
    EXPECT_FALSE(outcome.running);
    EXPECT_EQ(outcome.checks, 10);
    EXPECT_EQ(clock_->sleepCount(), 10u);
    EXPECT_EQ(clock_->sleptMs(), 10000u);
    EXPECT_EQ(state(L"QuillmarkService"), kServiceStopped);
}

TEST_F(EmulatedServices, StartRefusalsCarryWindowsCodes) {
    std::unique_ptr<ServiceManagerHandle> manager;
    std::unique_ptr<ServiceHandle> service;
    ASSERT_EQ(system_->services().openManager(kScManagerAllAccess, manager), kErrorSuccess);
    EXPECT_EQ(manager->openService(L"NoSuchService", kCheckRights, service), kErrorServiceDoesNotExist);
    // A driver's settings key without a "Type" is no service.
    EXPECT_EQ(manager->openService(L"cdrom", kCheckRights, service), kErrorServiceDoesNotExist);
    EXPECT_EQ(manager->openService(L"Bad\\Name", kCheckRights, service), kErrorInvalidName);
    EXPECT_EQ(service, nullptr);
    ASSERT_EQ(manager->openService(L"Disabled", kCheckRights, service), kErrorSuccess);
    EXPECT_EQ(service->start(), kErrorServiceDisabled);
    ASSERT_EQ(manager->openService(L"QuillmarkService", kServiceQueryStatus, service), kErrorSuccess);
    EXPECT_EQ(service->start(), kErrorAccessDenied) << "opened without the start right";
    ASSERT_EQ(manager->openService(L"QuillmarkService", kServiceStart, service), kErrorSuccess);
    ServiceStatus status;
    EXPECT_EQ(service->queryStatus(status), kErrorAccessDenied) << "opened without the query right";
    EXPECT_EQ(service->start(), kErrorSuccess);
    EXPECT_EQ(state(L"QuillmarkService"), kServiceRunning);
}

TEST_F(EmulatedServices, AStandardUserMayQueryButNotManage) {
    open(false);
    std::unique_ptr<ServiceManagerHandle> manager;
    EXPECT_EQ(system_->services().openManager(kScManagerAllAccess, manager), kErrorAccessDenied);
    EXPECT_EQ(manager, nullptr);
    EXPECT_EQ(system_->services().openManager(0x10000000 /* GENERIC_ALL */, manager), kErrorAccessDenied);
    ASSERT_EQ(system_->services().openManager(kScManagerConnect, manager), kErrorSuccess);
    std::unique_ptr<ServiceHandle> service;
    EXPECT_EQ(manager->openService(L"QuillmarkService", kCheckRights, service), kErrorAccessDenied);
    EXPECT_EQ(manager->openService(L"QuillmarkService", kServiceAllAccess, service), kErrorAccessDenied);
    EXPECT_EQ(state(L"QuillmarkService"), kServiceStopped);
    const StartOutcome outcome = startAndWait(*system_, L"QuillmarkService");
    EXPECT_FALSE(outcome.running);
    EXPECT_EQ(outcome.checks, 0) << "nothing to wait for when the manager does not open";
    EXPECT_EQ(system_->machine().service(L"QuillmarkService").state, ServiceRunState::Stopped);
}

// Stopping goes through the same rights as starting; the machine records
// the stopped state, so another program sees it.
TEST_F(EmulatedServices, StopEndsARunningServiceAndRefusesAStoppedOne) {
    behave(L"QuillmarkService", {ServiceRunState::Running, 0, false});
    std::unique_ptr<ServiceManagerHandle> manager;
    std::unique_ptr<ServiceHandle> service;
    ASSERT_EQ(system_->services().openManager(kScManagerAllAccess, manager), kErrorSuccess);
    ASSERT_EQ(manager->openService(L"QuillmarkService", kCheckRights, service), kErrorSuccess);
    EXPECT_EQ(service->stop(), kErrorAccessDenied) << "opened without the stop right";
    EXPECT_EQ(state(L"QuillmarkService"), kServiceRunning);
    ASSERT_EQ(manager->openService(L"quillmarkservice", kServiceStop, service), kErrorSuccess);
    EXPECT_EQ(service->stop(), kErrorSuccess);
    EXPECT_EQ(state(L"QuillmarkService"), kServiceStopped);
    std::string error;
    EXPECT_EQ(Machine::open(root_, error)->service(L"QuillmarkService").state, ServiceRunState::Stopped);
    EXPECT_EQ(service->stop(), kErrorServiceNotActive);
    // Stopped, it starts again as before.
    EXPECT_TRUE(startAndWait(*system_, L"QuillmarkService").running);
}

TEST_F(EmulatedServices, AServiceStillStartingTakesNoStop) {
    behave(L"QuillmarkService", {ServiceRunState::Stopped, 3, false});
    std::unique_ptr<ServiceManagerHandle> manager;
    std::unique_ptr<ServiceHandle> service;
    ASSERT_EQ(system_->services().openManager(kScManagerAllAccess, manager), kErrorSuccess);
    ASSERT_EQ(manager->openService(L"QuillmarkService", kCheckRights | kServiceStop, service), kErrorSuccess);
    ASSERT_EQ(service->start(), kErrorSuccess);
    EXPECT_EQ(service->stop(), kErrorServiceCannotAcceptCtrl);
    clock_->advance(3000);
    EXPECT_EQ(service->stop(), kErrorSuccess);
    EXPECT_EQ(state(L"QuillmarkService"), kServiceStopped);
}

TEST_F(EmulatedServices, AStandardUserCannotStopAService) {
    behave(L"QuillmarkService", {ServiceRunState::Running, 0, false});
    open(false);
    std::unique_ptr<ServiceManagerHandle> manager;
    ASSERT_EQ(system_->services().openManager(kScManagerConnect, manager), kErrorSuccess);
    std::unique_ptr<ServiceHandle> service;
    for (const std::uint32_t access : {kServiceStop, kServiceQueryStatus | kServiceStop,
                                       std::uint32_t{0x20000000} /* GENERIC_EXECUTE */}) {
        EXPECT_EQ(manager->openService(L"QuillmarkService", access, service), kErrorAccessDenied) << access;
    }
    ASSERT_EQ(manager->openService(L"QuillmarkService", kServiceQueryStatus, service), kErrorSuccess);
    EXPECT_EQ(service->stop(), kErrorAccessDenied);
    EXPECT_EQ(state(L"QuillmarkService"), kServiceRunning);
    EXPECT_EQ(system_->machine().service(L"QuillmarkService").state, ServiceRunState::Running);
}

TEST_F(EmulatedServices, AManagerOpenedWithoutConnectOpensNoService) {
    std::unique_ptr<ServiceManagerHandle> manager;
    ASSERT_EQ(system_->services().openManager(0x0004 /* SC_MANAGER_ENUMERATE_SERVICE */, manager),
              kErrorSuccess);
    std::unique_ptr<ServiceHandle> service;
    EXPECT_EQ(manager->openService(L"QuillmarkService", kServiceQueryStatus, service), kErrorAccessDenied);
}

TEST_F(EmulatedServices, ARestartIsRecordedOnlyWithThePrivilegeEnabled) {
    EXPECT_FALSE(system_->power().exitWindows(kEwxReboot | kEwxForce));
    EXPECT_TRUE(system_->machine().settings().restarts.empty());
    ASSERT_EQ(system_->power().enableShutdownPrivilege(), kErrorSuccess);
    EXPECT_TRUE(system_->power().exitWindows(kEwxReboot | kEwxForce));
    const std::vector<RestartRequest> restarts = system_->machine().settings().restarts;
    ASSERT_EQ(restarts.size(), 1u);
    EXPECT_EQ(restarts[0].flags, 6u);
    EXPECT_EQ(restarts[0].time.size(), 20u) << restarts[0].time; // 2024-01-31T12:00:00Z
    EXPECT_EQ(restarts[0].time.back(), 'Z');
}

#ifdef _WIN32
// Wine's own service manager: the built-in services and their states.
TEST(Win32Services, QueriesAndStartsABuiltInService) {
    const std::unique_ptr<System> system = makeWin32System();
    std::unique_ptr<ServiceManagerHandle> manager;
    ASSERT_EQ(system->services().openManager(kScManagerAllAccess, manager), kErrorSuccess);
    std::unique_ptr<ServiceHandle> service;
    EXPECT_EQ(manager->openService(L"QmNoSuchService", kServiceQueryStatus, service),
              kErrorServiceDoesNotExist);
    // PlugPlay runs from the start of every Wine session.
    ASSERT_EQ(manager->openService(L"PlugPlay", kCheckRights, service), kErrorSuccess);
    ServiceStatus status;
    ASSERT_EQ(service->queryStatus(status), kErrorSuccess);
    EXPECT_EQ(status.currentState, kServiceRunning);
    EXPECT_EQ(service->start(), kErrorServiceAlreadyRunning);
    EXPECT_TRUE(isRunning(system->services(), L"PlugPlay"));
}

std::uint32_t stateOf(ServiceHandle& service) {
    ServiceStatus status;
    return service.queryStatus(status) == kErrorSuccess ? status.currentState : 0;
}

// Waits in real time: Wine's services run in processes of their own.
bool waitFor(ServiceHandle& service, std::uint32_t state) {
    for (int i = 0; i < 100; ++i) {
        if (stateOf(service) == state) {
            return true;
        }
        Sleep(100);
    }
    return false;
}

// wuauserv is a demand-start service of every Wine prefix that runs until
// told to stop.
TEST(Win32Services, StopsAServiceItStarted) {
    const std::unique_ptr<System> system = makeWin32System();
    std::unique_ptr<ServiceManagerHandle> manager;
    ASSERT_EQ(system->services().openManager(kScManagerAllAccess, manager), kErrorSuccess);
    std::unique_ptr<ServiceHandle> service;
    ASSERT_EQ(manager->openService(L"wuauserv", kCheckRights, service), kErrorSuccess);
    EXPECT_EQ(service->stop(), kErrorAccessDenied) << "opened without the stop right";
    ASSERT_EQ(manager->openService(L"wuauserv", kCheckRights | kServiceStop, service), kErrorSuccess);
    if (stateOf(*service) != kServiceStopped) {
        (void)service->stop(); // left running by an interrupted run
        ASSERT_TRUE(waitFor(*service, kServiceStopped));
    }
    EXPECT_EQ(service->stop(), kErrorServiceNotActive);
    ASSERT_EQ(service->start(), kErrorSuccess);
    ASSERT_TRUE(waitFor(*service, kServiceRunning));
    EXPECT_EQ(service->stop(), kErrorSuccess);
    EXPECT_TRUE(waitFor(*service, kServiceStopped));
    EXPECT_EQ(service->stop(), kErrorServiceNotActive);
}
#endif

} // namespace
