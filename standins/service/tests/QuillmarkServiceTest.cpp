#include "ServiceBehaviour.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using qmservice::ServiceBehaviour;
using qmservice::StatusStep;

// ---- the start plan ---------------------------------------------------------

struct PlanCase {
    ServiceBehaviour behaviour;
    std::size_t pendingReports;
    std::uint32_t pendingMs; // total sleep while pending
    std::uint32_t lastState;
    std::uint32_t lastExitCode;
};

class StartSteps : public ::testing::TestWithParam<PlanCase> {};

TEST_P(StartSteps, PendingWithRisingCheckPointsThenTheOutcome) {
    const PlanCase& c = GetParam();
    const std::vector<StatusStep> steps = qmservice::startSteps(c.behaviour);
    ASSERT_EQ(steps.size(), c.pendingReports + 1);
    std::uint32_t slept = 0;
    for (std::size_t i = 0; i < c.pendingReports; ++i) {
        EXPECT_EQ(steps[i].state, static_cast<std::uint32_t>(SERVICE_START_PENDING)) << i;
        EXPECT_EQ(steps[i].checkPoint, i + 1) << i;
        // The hint must cover the pause before the next report.
        EXPECT_GT(steps[i].waitHintMs, steps[i].sleepAfterMs) << i;
        slept += steps[i].sleepAfterMs;
    }
    EXPECT_EQ(slept, c.pendingMs);
    EXPECT_EQ(steps.back().state, c.lastState);
    EXPECT_EQ(steps.back().win32ExitCode, c.lastExitCode);
    EXPECT_EQ(steps.back().checkPoint, 0u);
    EXPECT_EQ(steps.back().sleepAfterMs, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Behaviours, StartSteps,
    ::testing::Values(PlanCase{{0, false}, 1, 0, SERVICE_RUNNING, NO_ERROR},
                      PlanCase{{3, false}, 4, 3000, SERVICE_RUNNING, NO_ERROR},
                      PlanCase{{0, true}, 1, 0, SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR},
                      PlanCase{{2, true}, 3, 2000, SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR},
                      // An absurd delay is cut to the longest the program accepts.
                      PlanCase{{0xFFFFFFFFu, false},
                               qmservice::kMaxStartSeconds + 1,
                               qmservice::kMaxStartSeconds * 1000,
                               SERVICE_RUNNING,
                               NO_ERROR}));

TEST(IniBeside, ReplacesOnlyTheProgramsOwnExtension) {
    EXPECT_EQ(qmservice::iniBeside(L"C:\\Q\\QuillmarkService.exe"), L"C:\\Q\\QuillmarkService.ini");
    EXPECT_EQ(qmservice::iniBeside(L"C:\\a.b\\Service"), L"C:\\a.b\\Service.ini");
    EXPECT_EQ(qmservice::iniBeside(L"Z:/x.y/s.v.exe"), L"Z:/x.y/s.v.ini");
}

// ---- behaviour files --------------------------------------------------------

std::filesystem::path scratchFolder(const std::string& name) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    std::filesystem::path folder =
        std::filesystem::path(std::wstring(temp, n)) / (name + "-" + std::to_string(GetCurrentProcessId()));
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder, ec);
    return folder;
}

struct IniCase {
    const char* text;
    ServiceBehaviour expected;
};

class ReadBehaviour : public ::testing::TestWithParam<IniCase> {};

TEST_P(ReadBehaviour, ReadsClampsAndDefaults) {
    const std::filesystem::path folder = scratchFolder("qm-service-ini");
    const std::filesystem::path ini = folder / "QuillmarkService.ini";
    std::ofstream(ini) << GetParam().text;
    const ServiceBehaviour read = qmservice::readServiceBehaviour(ini.wstring());
    EXPECT_EQ(read.startSeconds, GetParam().expected.startSeconds);
    EXPECT_EQ(read.neverStarts, GetParam().expected.neverStarts);
    std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadBehaviour,
    ::testing::Values(IniCase{"[Service]\r\nStartSeconds=3\r\nNeverStarts=0\r\n", {3, false}},
                      IniCase{"[Service]\r\nNeverStarts=1\r\n", {0, true}}, IniCase{"", {0, false}},
                      IniCase{"[Other]\r\nStartSeconds=3\r\n", {0, false}},
                      IniCase{"[Service]\r\nStartSeconds=-5\r\n", {0, false}},
                      IniCase{"[Service]\r\nStartSeconds=999999\r\n", {qmservice::kMaxStartSeconds, false}}));

TEST(ReadBehaviour, AMissingFileGivesTheDefaults) {
    const ServiceBehaviour read = qmservice::readServiceBehaviour(L"Z:\\no\\such\\QuillmarkService.ini");
    EXPECT_EQ(read.startSeconds, 0u);
    EXPECT_FALSE(read.neverStarts);
}

// ---- the program under the service control manager -------------------------

// The built program's path as Windows sees it (under Wine: through drive Z:).
std::wstring windowsPath(std::string path) {
    if (!path.empty() && path.front() == '/') {
        path = "Z:" + path;
    }
    std::wstring wide(path.begin(), path.end());
    for (wchar_t& c : wide) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return wide;
}

class ScHandle {
public:
    explicit ScHandle(SC_HANDLE h = nullptr) : h_(h) {}
    ~ScHandle() {
        if (h_ != nullptr) {
            CloseServiceHandle(h_);
        }
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE get() const { return h_; }

private:
    SC_HANDLE h_;
};

struct RunCase {
    ServiceBehaviour behaviour;
    bool runs;
};

class UnderTheManager : public ::testing::TestWithParam<RunCase> {};

SERVICE_STATUS queryStatus(SC_HANDLE service) {
    SERVICE_STATUS status{};
    EXPECT_TRUE(QueryServiceStatus(service, &status)) << GetLastError();
    return status;
}

// Polls until the state leaves START_PENDING; every state seen is recorded.
SERVICE_STATUS waitWhilePending(SC_HANDLE service, std::vector<DWORD>& seen, int seconds) {
    SERVICE_STATUS status = queryStatus(service);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (status.dwCurrentState == SERVICE_START_PENDING && std::chrono::steady_clock::now() < until) {
        seen.push_back(status.dwCurrentState);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        status = queryStatus(service);
    }
    seen.push_back(status.dwCurrentState);
    return status;
}

TEST_P(UnderTheManager, StartsAtThePaceOfItsSettingsAndStopsWhenTold) {
    const RunCase& c = GetParam();
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (manager.get() == nullptr) {
        GTEST_SKIP() << "no service control manager to install into (error " << GetLastError() << ")";
    }
    const std::string suffix =
        std::to_string(c.behaviour.startSeconds) + (c.behaviour.neverStarts ? "n" : "");
    const std::wstring name = L"QuillmarkServiceTest" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::wstring(suffix.begin(), suffix.end());
    // Process ids come round again under Wine: a service an earlier, failed
    // run left behind under this name goes first.
    if (ScHandle stale(OpenServiceW(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
        stale.get() != nullptr) {
        SERVICE_STATUS ignored{};
        ControlService(stale.get(), SERVICE_CONTROL_STOP, &ignored);
        DeleteService(stale.get());
    }
    // A folder per case: a service a failed case left running keeps its program open.
    const std::filesystem::path folder = scratchFolder("qm-service-run-" + suffix);
    const std::filesystem::path program = folder / "QuillmarkService.exe";
    std::filesystem::copy_file(windowsPath(QM_SERVICE_PROGRAM), program,
                               std::filesystem::copy_options::overwrite_existing);
    std::ofstream(folder / "QuillmarkService.ini")
        << "[Service]\r\nStartSeconds=" << c.behaviour.startSeconds
        << "\r\nNeverStarts=" << (c.behaviour.neverStarts ? 1 : 0) << "\r\n";

    const std::wstring command = L"\"" + program.wstring() + L"\"";
    ScHandle service(CreateServiceW(manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                    SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                    command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_NE(service.get(), nullptr) << GetLastError();
    EXPECT_EQ(queryStatus(service.get()).dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));

    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(StartServiceW(service.get(), 0, nullptr)) << GetLastError();
    std::vector<DWORD> seen;
    const SERVICE_STATUS after = waitWhilePending(service.get(), seen, 30);
    const auto took = std::chrono::steady_clock::now() - started;
    if (c.behaviour.startSeconds > 0) {
        EXPECT_EQ(seen.front(), static_cast<DWORD>(SERVICE_START_PENDING));
        EXPECT_GE(took, std::chrono::milliseconds(c.behaviour.startSeconds * 1000 - 200));
    }
    if (c.runs) {
        EXPECT_EQ(after.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
        EXPECT_EQ(after.dwControlsAccepted & SERVICE_ACCEPT_STOP, static_cast<DWORD>(SERVICE_ACCEPT_STOP));
        SERVICE_STATUS interrogated{};
        EXPECT_TRUE(ControlService(service.get(), SERVICE_CONTROL_INTERROGATE, &interrogated))
            << GetLastError();
        SERVICE_STATUS stopping{};
        EXPECT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &stopping)) << GetLastError();
        SERVICE_STATUS status = queryStatus(service.get());
        for (int i = 0; i < 100 && status.dwCurrentState != SERVICE_STOPPED; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            status = queryStatus(service.get());
        }
        EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
        EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));
    } else {
        EXPECT_EQ(after.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
        EXPECT_EQ(after.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
        EXPECT_EQ(after.dwServiceSpecificExitCode, qmservice::kNeverStartsCode);
    }
    EXPECT_TRUE(DeleteService(service.get())) << GetLastError();
    // The process may still be closing the program file for a moment.
    for (int i = 0; i < 50; ++i) {
        std::error_code ec;
        if (std::filesystem::remove_all(folder, ec) != static_cast<std::uintmax_t>(-1) && !ec) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

INSTANTIATE_TEST_SUITE_P(Behaviours, UnderTheManager,
                         ::testing::Values(RunCase{{0, false}, true}, RunCase{{2, false}, true},
                                           RunCase{{0, true}, false}));

} // namespace
