// The stand-in service program. Registered with a service control manager
// under any name (it runs in a process of its own), it starts at the pace
// QuillmarkService.ini beside it gives, runs until told to stop, and
// answers interrogation. Started from a console it explains itself.
#include "ServiceBehaviour.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

SERVICE_STATUS_HANDLE statusHandle = nullptr;
HANDLE stopEvent = nullptr;
SERVICE_STATUS status{};

void report(const qmservice::StatusStep& step) {
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = step.state;
    // Only a running service takes a stop; a pending one is stopped by the
    // event all the same (see below), as a start may take long.
    status.dwControlsAccepted = step.state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = step.win32ExitCode;
    status.dwServiceSpecificExitCode = step.serviceExitCode;
    status.dwCheckPoint = step.checkPoint;
    status.dwWaitHint = step.waitHintMs;
    SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI control(DWORD code, DWORD, LPVOID, LPVOID) {
    switch (code) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        SetEvent(stopEvent);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

std::wstring programPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
}

void stopped(DWORD exitCode, DWORD serviceCode) {
    qmservice::StatusStep last;
    last.state = SERVICE_STOPPED;
    last.win32ExitCode = exitCode;
    last.serviceExitCode = serviceCode;
    report(last);
}

void WINAPI serviceMain(DWORD argc, LPWSTR* argv) {
    statusHandle = RegisterServiceCtrlHandlerExW(argc > 0 ? argv[0] : L"", control, nullptr);
    if (statusHandle == nullptr) {
        return;
    }
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stopEvent == nullptr) {
        stopped(GetLastError(), 0);
        return;
    }
    const qmservice::ServiceBehaviour behaviour =
        qmservice::readServiceBehaviour(qmservice::iniBeside(programPath()));
    for (const qmservice::StatusStep& step : qmservice::startSteps(behaviour)) {
        report(step);
        if (step.state == SERVICE_STOPPED) {
            CloseHandle(stopEvent);
            return;
        }
        if (step.sleepAfterMs > 0 && WaitForSingleObject(stopEvent, step.sleepAfterMs) == WAIT_OBJECT_0) {
            stopped(NO_ERROR, 0);
            CloseHandle(stopEvent);
            return;
        }
    }
    WaitForSingleObject(stopEvent, INFINITE);
    qmservice::StatusStep stopping;
    stopping.state = SERVICE_STOP_PENDING;
    stopping.checkPoint = 1;
    stopping.waitHintMs = 1000;
    report(stopping);
    stopped(NO_ERROR, 0);
    CloseHandle(stopEvent);
}

} // namespace

int main() {
    wchar_t name[] = L"QuillmarkService";
    const SERVICE_TABLE_ENTRYW table[] = {{name, serviceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherW(table)) {
        const DWORD error = GetLastError();
        if (error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
            std::fputs("QuillmarkService: a stand-in service; install it with a service control manager\n"
                       "(sc create NAME binPath= PATH) and start it there. QuillmarkService.ini beside it\n"
                       "sets [Service] StartSeconds=N and NeverStarts=0|1.\n",
                       stderr);
        } else {
            std::fprintf(stderr, "QuillmarkService: the service dispatcher failed (error %lu)\n",
                         static_cast<unsigned long>(error));
        }
        return 1;
    }
    return 0;
}
