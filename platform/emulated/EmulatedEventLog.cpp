#include "EmulatedEventLog.h"

#include "platform/formats/HostFiles.h"
#include "platform/machine/Machine.h"
#include "platform/formats/EvtFile.h"
#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"

#include <cstring>

namespace qmplatform::emulated {

namespace {

long loadLog(const std::filesystem::path& path, bool missingIsEmpty,
             std::vector<std::vector<std::uint8_t>>& out) {
    std::vector<std::uint8_t> file;
    const long error = readHostFile(path, file);
    if (error == kErrorFileNotFound && missingIsEmpty) {
        out.clear();
        return kErrorSuccess;
    }
    if (error != kErrorSuccess) {
        return error;
    }
    evt::EvtLog log;
    std::string reason;
    if (!evt::readEvtFile(file, log, reason)) {
        return kErrorEventlogFileCorrupt;
    }
    // Records after a damaged one are lost, as the service loses them; the
    // ones before it still read.
    out = std::move(log.records);
    return kErrorSuccess;
}

} // namespace

EmulatedEventLog::EmulatedEventLog(const Machine& machine) : machine_(machine) {}
EmulatedEventLog::~EmulatedEventLog() = default;

EventLogHandle EmulatedEventLog::add(OpenLog log) {
    std::lock_guard lock(mutex_);
    const std::uintptr_t id = nextHandle_;
    nextHandle_ += 4;
    logs_.emplace(id, std::move(log));
    return reinterpret_cast<EventLogHandle>(id);
}

EventLogHandle EmulatedEventLog::open(std::wstring_view logName, long& error) {
    // An unknown name opens the Application log, as the event log service does.
    std::wstring_view file = kEventLogFiles[0].windowsPath;
    for (const EventLogFileName& entry : kEventLogFiles) {
        if (equalNoCase(entry.logName, logName)) {
            file = entry.windowsPath;
        }
    }
    OpenLog log;
    error = loadLog(machine_.hostPath(file), true, log.records);
    return error == kErrorSuccess ? add(std::move(log)) : nullptr;
}

EventLogHandle EmulatedEventLog::openBackup(std::wstring_view windowsPath, long& error) {
    OpenLog log;
    error = loadLog(machine_.hostPath(windowsPath), false, log.records);
    return error == kErrorSuccess ? add(std::move(log)) : nullptr;
}

long EmulatedEventLog::read(EventLogHandle handle, std::uint32_t flags, std::uint32_t recordNumber,
                            std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                            std::uint32_t& bytesNeeded) {
    std::lock_guard lock(mutex_);
    const auto it = logs_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == logs_.end()) {
        return kErrorInvalidHandle;
    }
    const bool sequential = (flags & kEventLogSequentialRead) != 0;
    const bool seek = (flags & kEventLogSeekRead) != 0;
    const bool forwards = (flags & kEventLogForwardsRead) != 0;
    const bool backwards = (flags & kEventLogBackwardsRead) != 0;
    if (sequential == seek || forwards == backwards || buffer.size() > kEventLogMaxReadBuffer) {
        return kErrorInvalidParameter;
    }
    OpenLog& log = it->second;
    const auto count = static_cast<std::ptrdiff_t>(log.records.size());
    std::ptrdiff_t next = 0;
    if (seek) {
        next = -1;
        for (std::ptrdiff_t i = 0; i < count; ++i) {
            std::uint32_t number = 0;
            std::memcpy(&number, log.records[static_cast<std::size_t>(i)].data() + 8, 4);
            if (number == recordNumber) {
                next = i;
            }
        }
        if (next < 0) {
            return kErrorInvalidParameter;
        }
    } else if (log.last < 0) {
        next = backwards ? count - 1 : 0;
    } else {
        next = backwards ? log.last - 1 : log.last + 1;
    }
    const std::ptrdiff_t step = backwards ? -1 : 1;
    std::size_t filled = 0;
    for (; next >= 0 && next < count; next += step) {
        const auto& record = log.records[static_cast<std::size_t>(next)];
        if (record.size() > buffer.size() - filled) {
            break;
        }
        std::memcpy(buffer.data() + filled, record.data(), record.size());
        filled += record.size();
        log.last = next;
    }
    if (filled == 0) {
        if (next < 0 || next >= count) {
            return kErrorHandleEof;
        }
        bytesNeeded = static_cast<std::uint32_t>(log.records[static_cast<std::size_t>(next)].size());
        return kErrorInsufficientBuffer;
    }
    bytesRead = static_cast<std::uint32_t>(filled);
    bytesNeeded = 0;
    return kErrorSuccess;
}

bool EmulatedEventLog::close(EventLogHandle handle) {
    std::lock_guard lock(mutex_);
    return logs_.erase(reinterpret_cast<std::uintptr_t>(handle)) == 1;
}

} // namespace qmplatform::emulated
