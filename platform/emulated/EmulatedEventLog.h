// The event log on the emulated machine: each log is a legacy .evt file in
// the machine's C:\windows\system32\config (AppEvent.Evt, SysEvent.Evt,
// SecEvent.Evt), read when the log is opened. A log whose file is missing
// is empty, as a freshly installed system's is.
#pragma once

#include "platform/EventLog.h"

#include <map>
#include <mutex>
#include <vector>

namespace qmplatform::emulated {

class Machine;

struct EventLogFileName {
    const wchar_t* logName;
    const wchar_t* windowsPath;
};
inline constexpr EventLogFileName kEventLogFiles[] = {
    {L"Application", L"C:\\windows\\system32\\config\\AppEvent.Evt"},
    {L"System", L"C:\\windows\\system32\\config\\SysEvent.Evt"},
    {L"Security", L"C:\\windows\\system32\\config\\SecEvent.Evt"},
};

class EmulatedEventLog final : public EventLog {
public:
    explicit EmulatedEventLog(const Machine& machine);
    ~EmulatedEventLog() override;

    EventLogHandle open(std::wstring_view logName, long& error) override;
    EventLogHandle openBackup(std::wstring_view windowsPath, long& error) override;
    long read(EventLogHandle log, std::uint32_t flags, std::uint32_t recordNumber,
              std::span<std::uint8_t> buffer, std::uint32_t& bytesRead, std::uint32_t& bytesNeeded) override;
    bool close(EventLogHandle log) override;

private:
    struct OpenLog {
        std::vector<std::vector<std::uint8_t>> records; // oldest first
        // The index of the record read last, or -1 before the first read.
        std::ptrdiff_t last = -1;
    };
    EventLogHandle add(OpenLog log);

    const Machine& machine_;
    std::mutex mutex_;
    std::map<std::uintptr_t, OpenLog> logs_;
    std::uintptr_t nextHandle_ = 0x100;
};

} // namespace qmplatform::emulated
