#include "ServiceBehaviour.h"

#include <windows.h>

namespace qmservice {

namespace {

constexpr std::uint32_t kStepMs = 1000;
// Twice the step: the manager must never see a check point overdue.
constexpr std::uint32_t kWaitHintMs = 2 * kStepMs;

} // namespace

std::vector<StatusStep> startSteps(const ServiceBehaviour& behaviour) {
    std::vector<StatusStep> steps;
    const std::uint32_t seconds =
        behaviour.startSeconds < kMaxStartSeconds ? behaviour.startSeconds : kMaxStartSeconds;
    // The first report comes at once, even for a start without delay: a
    // service answers its manager before it does anything else.
    for (std::uint32_t second = 0; second <= seconds; ++second) {
        StatusStep pending;
        pending.state = SERVICE_START_PENDING;
        pending.checkPoint = second + 1;
        pending.waitHintMs = kWaitHintMs;
        pending.sleepAfterMs = second < seconds ? kStepMs : 0;
        steps.push_back(pending);
    }
    StatusStep last;
    if (behaviour.neverStarts) {
        last.state = SERVICE_STOPPED;
        last.win32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
        last.serviceExitCode = kNeverStartsCode;
    } else {
        last.state = SERVICE_RUNNING;
    }
    steps.push_back(last);
    return steps;
}

ServiceBehaviour readServiceBehaviour(const std::wstring& iniPath) {
    ServiceBehaviour behaviour;
    // GetPrivateProfileInt reads a negative number as a huge unsigned one;
    // both ends are clamped.
    const UINT seconds = GetPrivateProfileIntW(L"Service", L"StartSeconds", 0, iniPath.c_str());
    const INT asSigned = static_cast<INT>(seconds);
    behaviour.startSeconds =
        asSigned < 0 ? 0
                     : (seconds > kMaxStartSeconds ? kMaxStartSeconds : static_cast<std::uint32_t>(seconds));
    behaviour.neverStarts = GetPrivateProfileIntW(L"Service", L"NeverStarts", 0, iniPath.c_str()) != 0;
    return behaviour;
}

std::wstring iniBeside(const std::wstring& programPath) {
    const std::size_t slash = programPath.find_last_of(L"\\/");
    const std::size_t dot = programPath.rfind(L'.');
    const std::size_t stem =
        dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash) ? dot : programPath.size();
    return programPath.substr(0, stem) + L".ini";
}

} // namespace qmservice
