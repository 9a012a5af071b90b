// How the stand-in service behaves when started: the pace and the outcome
// its machine asks for (the "services" section of the machine's settings,
// handed to the program in QuillmarkService.ini beside it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmservice {

struct ServiceBehaviour {
    std::uint32_t startSeconds = 0; // time spent in START_PENDING
    bool neverStarts = false;       // stops instead of running
};

// One SetServiceStatus call of the start.
struct StatusStep {
    std::uint32_t state = 0; // SERVICE_START_PENDING, SERVICE_RUNNING or SERVICE_STOPPED
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHintMs = 0;
    std::uint32_t win32ExitCode = 0;
    std::uint32_t serviceExitCode = 0;
    std::uint32_t sleepAfterMs = 0; // before the next step (a stop request cuts it short)
};

// The longest start the program accepts from its settings: the SCM gives up
// on a start that shows no progress long before this anyway.
constexpr std::uint32_t kMaxStartSeconds = 3600;

// What a service that never starts leaves as its exit code: a failure of its
// own (ERROR_SERVICE_SPECIFIC_ERROR with this code).
constexpr std::uint32_t kNeverStartsCode = 1;

// Status reports from the start to RUNNING (or, for a service that never
// starts, to STOPPED). While pending, one report per second with a rising
// check point, so that the manager sees progress.
std::vector<StatusStep> startSteps(const ServiceBehaviour& behaviour);

// The behaviour from an ini file ([Service] StartSeconds, NeverStarts);
// missing values take the defaults, out-of-range ones are clamped.
ServiceBehaviour readServiceBehaviour(const std::wstring& iniPath);

// The ini file beside a program: its path with the extension replaced.
std::wstring iniBeside(const std::wstring& programPath);

} // namespace qmservice
