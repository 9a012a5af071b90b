#pragma once

// The Windows settings, the service and the installed files the labelling
// system needs, with the fixes for them and two registry reports. Nothing
// here throws or asks the user: every failure is a false result or an error
// text, because the pages above show a state, not an exception.

#include "DriveCount.h"

#include "platform/System.h"

#include <cstdint>
#include <string>
#include <string_view>

class FixJournal;
struct FixRecord;

class WindowsDiagnostics {
public:
    // Registry locations of the checked settings (all below HKEY_LOCAL_MACHINE).
    static constexpr std::wstring_view kWinlogonKey =
        L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\";
    static constexpr std::wstring_view kAllocateCdRomsValue = L"allocatecdroms";
    static constexpr std::wstring_view kCdRomKey = L"SYSTEM\\CurrentControlSet\\Services\\CDRom\\";
    static constexpr std::wstring_view kAutorunValue = L"autorun";
    static constexpr std::wstring_view kQuillmarkKey = L"SOFTWARE\\Quillmark\\";
    static constexpr std::wstring_view kIaaValue = L"IAA";
    static constexpr std::wstring_view kAcceleratorKey = L"SOFTWARE\\INTEL\\Intel Application Accelerator";
    static constexpr std::wstring_view kServiceKey =
        L"SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\";
    static constexpr std::wstring_view kStartValue = L"Start";
    static constexpr std::wstring_view kObjectNameValue = L"ObjectName";
    static constexpr std::wstring_view kEventSourceKey =
        L"SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\QuillmarkService\\";
    static constexpr std::wstring_view kCdRomEnumKey = L"SYSTEM\\CurrentControlSet\\Services\\Cdrom\\Enum\\";
    static constexpr std::wstring_view kServiceName = L"QuillmarkService";
    static constexpr std::wstring_view kLocalSystem = L"LocalSystem";
    static constexpr std::uint32_t kServiceAutomatic = 2;
    // Query status, start and interrogate.
    static constexpr std::uint32_t kServiceRights = 0x94;
    static constexpr int kStartChecks = 10;
    static constexpr std::uint32_t kStartWaitMs = 1000;
    // Query status and stop: what taking a start back needs.
    static constexpr std::uint32_t kStopRights = 0x24;
    static constexpr int kStopChecks = 10;
    static constexpr std::uint32_t kStopWaitMs = 1000;

    static constexpr std::wstring_view kNoInstallPath = L"Failed to get QMS installation path";
    static constexpr std::wstring_view kOk = L"OK";
    static constexpr std::wstring_view kQmsVersionError = L"Error reading QMS version\n";
    static constexpr std::wstring_view kDrfVersionError = L"Error reading DRF version\n";

    // `journal` (may be null) records every fix before it is written. A fix
    // the journal cannot record is made all the same; lastFixRecorded() and
    // journalProblem() say so.
    WindowsDiagnostics(qmplatform::System& system, DriveCount countDrives = {},
                       FixJournal* journal = nullptr);
    virtual ~WindowsDiagnostics();

    std::wstring getQmsInstallPath() const;
    bool isQmsInstalled() const;
    // Status text ("OK" or the error) and the version text (empty on error).
    std::wstring getQmsVersion(std::wstring& version) const;
    std::wstring getDrfVersion(std::wstring& version) const;
    bool hasQuillmarkDrive() const;

    bool isAllocateCdRomsSet() const;
    bool setAllocateCdRoms(bool allocate);
    bool isAutorunOn() const;
    bool setAutorun(bool on);
    bool isIntelAcceleratorInstalled() const;
    bool isIaaFixSet() const;
    bool setIaaFix(bool set);

    bool isServiceRunning() const;
    // With a journal, a start of a service that was not running is recorded
    // first, so that an undo stops it again.
    bool startService();
    // Stops the service and waits for it to be stopped, as the start waits
    // for it to run; true when it is stopped (also when it already was).
    bool stopService(std::wstring_view name = kServiceName);
    bool isServiceAutomatic() const;
    bool setServiceAutomatic();
    bool isServiceLocalSystem() const;
    // Success is reported so that callers and the journal can tell; the
    // check that follows a fix is what the pages show.
    bool setServiceLocalSystem();

    bool restartWindows();

    std::wstring qmsSettingsReport() const;
    std::wstring systemSettingsReport() const;

    // False when the last fix (a setter or startService) changed something
    // the journal could not record: it cannot be undone.
    bool lastFixRecorded() const { return lastFixRecorded_; }
    // Why the journal failed last, for the user; empty without a journal.
    std::wstring journalProblem() const;
    // What the journal has to tell the user once (see FixJournal).
    std::wstring takeJournalNotice();

    // Takes back the last recorded fix: restores the value it changed, or
    // stops the service it started. False when there is none or it cannot be
    // taken back (the entry is then kept).
    bool undoLastFix();

private:
    std::wstring readModuleVersion(std::wstring_view relativePath, std::wstring_view error,
                                   std::wstring& version) const;
    bool undoRegistryValue(const FixRecord& record);
    bool writeSetting(std::wstring_view key, std::wstring_view value, std::uint32_t type,
                      const std::wstring& text, std::uint32_t number);
    bool keyOpensForReading(std::wstring_view path) const;
    void dumpKey(std::wstring_view path, std::wstring& out, int depth) const;
    bool dumpOrError(std::wstring_view path, std::wstring& out) const;

    qmplatform::System& system_;
    DriveCount countDrives_;
    FixJournal* journal_;
    bool lastFixRecorded_ = true;
};
