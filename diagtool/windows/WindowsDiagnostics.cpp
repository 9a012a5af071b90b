#include "WindowsDiagnostics.h"

#include "CModuleVersion.h"
#include "FixJournal.h"
#include "RegistrySetting.h"

#include "platform/RegKey.h"
#include "platform/RegistryData.h"
#include "platform/Win32Codes.h"

#include <cstdio>
#include <memory>
#include <utility>

using qmplatform::RegAccess;
using qmplatform::RegRoot;

namespace {

constexpr std::wstring_view kInstallSubfolder = L"Quillmark\\";
constexpr std::wstring_view kInstallerMarker = L"QM_HSI.msi";
constexpr std::wstring_view kQmsVersionModule = L"QMCMHT";
constexpr std::wstring_view kDrfVersionModule = L"res\\drfVersion";

// Keys nest at most 512 deep on Windows; a dump never goes further, whatever
// a backend reports.
constexpr int kMaxDumpDepth = 512;

struct ReportKey {
    std::wstring_view path;
    std::wstring_view error;
};
constexpr ReportKey kQmsReportKeys[] = {
    {WindowsDiagnostics::kQuillmarkKey, L"Error reading SOFTWARE\\Quillmark registry data"},
    {WindowsDiagnostics::kServiceKey, L"Error reading QuillmarkService registry data"},
    {WindowsDiagnostics::kEventSourceKey, L"Error reading QuillmarkService registry data"},
};

RegistrySetting hklmSetting(qmplatform::Registry& registry, std::wstring_view key, std::wstring_view value) {
    return RegistrySetting(registry, std::wstring(RegistrySetting::kLocalMachine), std::wstring(value),
                           std::wstring(key));
}

// "name - data" for the two types the report shows; any other type shows
// nothing but the key path.
std::wstring valueText(const std::wstring& name, const qmplatform::RegValue& value) {
    if (value.type == qmplatform::kRegSz) {
        return name + L" - " + qmplatform::regSzText(value.data);
    }
    if (value.type == qmplatform::kRegDword && value.data.size() == 4) {
        const std::uint32_t number = std::uint32_t{value.data[0]} | std::uint32_t{value.data[1]} << 8 |
                                     std::uint32_t{value.data[2]} << 16 | std::uint32_t{value.data[3]} << 24;
        return name + L" - " + std::to_wstring(number);
    }
    return {};
}

} // namespace

WindowsDiagnostics::WindowsDiagnostics(qmplatform::System& system, DriveCount countDrives,
                                       FixJournal* journal)
    : system_(system), countDrives_(std::move(countDrives)), journal_(journal) {}

WindowsDiagnostics::~WindowsDiagnostics() = default;

std::wstring WindowsDiagnostics::getQmsInstallPath() const {
    std::wstring path;
    if (system_.shellFolders().folderPath(qmplatform::kCsidlProgramFilesCommon, path) != qmplatform::kSOk ||
        !qmplatform::pathAppend(path, kInstallSubfolder)) {
        return std::wstring(kNoInstallPath);
    }
    // PathAppend keeps the separator the subfolder ends with; the files
    // below are appended straight to it.
    if (path.empty() || path.back() != L'\\') {
        path += L'\\';
    }
    return path;
}

bool WindowsDiagnostics::isQmsInstalled() const {
    std::FILE* file = system_.files().openForReading(getQmsInstallPath() + std::wstring(kInstallerMarker));
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

std::wstring WindowsDiagnostics::readModuleVersion(std::wstring_view relativePath, std::wstring_view error,
                                                   std::wstring& version) const {
    CModuleVersion module(system_.libraries(), system_.versionInfo());
    if (!module.GetFileVersionInfo(getQmsInstallPath() + std::wstring(relativePath))) {
        version.clear();
        return std::wstring(error);
    }
    version = module.versionText();
    return std::wstring(kOk);
}

std::wstring WindowsDiagnostics::getQmsVersion(std::wstring& version) const {
    return readModuleVersion(kQmsVersionModule, kQmsVersionError, version);
}

std::wstring WindowsDiagnostics::getDrfVersion(std::wstring& version) const {
    return readModuleVersion(kDrfVersionModule, kDrfVersionError, version);
}

bool WindowsDiagnostics::hasQuillmarkDrive() const {
    if (!countDrives_) {
        return false;
    }
    try {
        return countDrives_() > 0;
    } catch (...) {
        // The labelling API's own failure type is not known here; any failure
        // to count means no drive can be used.
        return false;
    }
}

bool WindowsDiagnostics::isAllocateCdRomsSet() const {
    RegistrySetting setting = hklmSetting(system_.registry(), kWinlogonKey, kAllocateCdRomsValue);
    return setting.readText() && setting.text() == L"1";
}

bool WindowsDiagnostics::setAllocateCdRoms(bool allocate) {
    return writeSetting(kWinlogonKey, kAllocateCdRomsValue, qmplatform::kRegSz, allocate ? L"1" : L"0", 0);
}

bool WindowsDiagnostics::isAutorunOn() const {
    RegistrySetting setting = hklmSetting(system_.registry(), kCdRomKey, kAutorunValue);
    return setting.readFlag() && setting.flag();
}

bool WindowsDiagnostics::setAutorun(bool on) {
    return writeSetting(kCdRomKey, kAutorunValue, qmplatform::kRegDword, {}, on ? 1 : 0);
}

bool WindowsDiagnostics::isIntelAcceleratorInstalled() const {
    return keyOpensForReading(kAcceleratorKey);
}

bool WindowsDiagnostics::isIaaFixSet() const {
    RegistrySetting setting = hklmSetting(system_.registry(), kQuillmarkKey, kIaaValue);
    return setting.readFlag() && setting.flag();
}

bool WindowsDiagnostics::setIaaFix(bool set) {
    return writeSetting(kQuillmarkKey, kIaaValue, qmplatform::kRegDword, {}, set ? 1 : 0);
}

bool WindowsDiagnostics::isServiceRunning() const {
    std::unique_ptr<qmplatform::ServiceManagerHandle> manager;
    std::unique_ptr<qmplatform::ServiceHandle> service;
    qmplatform::ServiceStatus status;
    return system_.services().openManager(qmplatform::kScManagerAllAccess, manager) ==
               qmplatform::kErrorSuccess &&
           manager->openService(kServiceName, kServiceRights, service) == qmplatform::kErrorSuccess &&
           service->queryStatus(status) == qmplatform::kErrorSuccess &&
           status.currentState == qmplatform::kServiceRunning;
}

bool WindowsDiagnostics::startService() {
    std::unique_ptr<qmplatform::ServiceManagerHandle> manager;
    std::unique_ptr<qmplatform::ServiceHandle> service;
    if (system_.services().openManager(qmplatform::kScManagerAllAccess, manager) !=
            qmplatform::kErrorSuccess ||
        manager->openService(kServiceName, kServiceRights, service) != qmplatform::kErrorSuccess) {
        return false;
    }
    // Only a start of a stopped service is this fix's doing; undoing it must
    // not stop a service someone else started. A journal that cannot keep
    // the record does not stop the start: the user needs the service more
    // than the undo.
    bool recorded = false;
    lastFixRecorded_ = true;
    if (journal_ != nullptr) {
        qmplatform::ServiceStatus status;
        if (service->queryStatus(status) == qmplatform::kErrorSuccess &&
            status.currentState == qmplatform::kServiceStopped) {
            FixRecord record;
            record.kind = FixKind::ServiceStart;
            record.service = kServiceName;
            recorded = journal_->append(record);
            lastFixRecorded_ = recorded;
        }
    }
    // An already running service refuses the start; the checks below are
    // what decides.
    const long started = service->start();
    bool running = false;
    for (int check = 0; check < kStartChecks; ++check) {
        running = isServiceRunning();
        if (running) {
            break;
        }
        system_.clock().sleepMs(kStartWaitMs);
    }
    // A refused start changed nothing, and neither did one the service did
    // not survive (Windows accepts the start of a service that then fails).
    // One still pending keeps its record: the service may yet run, and undo
    // then stops it.
    if (recorded && !running) {
        qmplatform::ServiceStatus status;
        const bool stopped = service->queryStatus(status) == qmplatform::kErrorSuccess &&
                             status.currentState == qmplatform::kServiceStopped;
        if (started != qmplatform::kErrorSuccess || stopped) {
            journal_->dropLast();
        }
    }
    return running;
}

bool WindowsDiagnostics::stopService(std::wstring_view name) {
    std::unique_ptr<qmplatform::ServiceManagerHandle> manager;
    std::unique_ptr<qmplatform::ServiceHandle> service;
    if (system_.services().openManager(qmplatform::kScManagerAllAccess, manager) !=
            qmplatform::kErrorSuccess ||
        manager->openService(name, kStopRights, service) != qmplatform::kErrorSuccess) {
        return false;
    }
    const long stopping = service->stop();
    if (stopping != qmplatform::kErrorSuccess && stopping != qmplatform::kErrorServiceNotActive) {
        return false;
    }
    for (int check = 0; check < kStopChecks; ++check) {
        qmplatform::ServiceStatus status;
        if (service->queryStatus(status) == qmplatform::kErrorSuccess &&
            status.currentState == qmplatform::kServiceStopped) {
            return true;
        }
        system_.clock().sleepMs(kStopWaitMs);
    }
    return false;
}

bool WindowsDiagnostics::isServiceAutomatic() const {
    RegistrySetting setting = hklmSetting(system_.registry(), kServiceKey, kStartValue);
    return setting.readNumber() && setting.number() == kServiceAutomatic;
}

bool WindowsDiagnostics::setServiceAutomatic() {
    return writeSetting(kServiceKey, kStartValue, qmplatform::kRegDword, {}, kServiceAutomatic);
}

bool WindowsDiagnostics::isServiceLocalSystem() const {
    RegistrySetting setting = hklmSetting(system_.registry(), kServiceKey, kObjectNameValue);
    return setting.readText() && setting.text() == kLocalSystem;
}

bool WindowsDiagnostics::setServiceLocalSystem() {
    return writeSetting(kServiceKey, kObjectNameValue, qmplatform::kRegSz, std::wstring(kLocalSystem), 0);
}

bool WindowsDiagnostics::restartWindows() {
    if (system_.power().enableShutdownPrivilege() != qmplatform::kErrorSuccess) {
        return false;
    }
    return system_.power().exitWindows(qmplatform::kEwxReboot | qmplatform::kEwxForce);
}

bool WindowsDiagnostics::writeSetting(std::wstring_view key, std::wstring_view value, std::uint32_t type,
                                      const std::wstring& text, std::uint32_t number) {
    bool recorded = false;
    lastFixRecorded_ = true;
    if (journal_ != nullptr) {
        FixRecord record;
        record.keyPath = key;
        record.valueName = value;
        // Opened, not created: recording must not change the machine.
        qmplatform::RegKey old;
        qmplatform::RegValue data;
        if (old.open(system_.registry(), RegRoot::LocalMachine, key, RegAccess::Read) ==
                qmplatform::kErrorSuccess &&
            old.get()->queryValue(value, data) == qmplatform::kErrorSuccess) {
            record.existed = true;
            record.type = data.type;
            record.data = std::move(data.data);
        }
        // Made without a record when the journal cannot keep one: the fix
        // is what the user asked for; the undo is our addition.
        recorded = journal_->append(record);
        lastFixRecorded_ = recorded;
    }
    RegistrySetting setting = hklmSetting(system_.registry(), key, value);
    const bool written = type == qmplatform::kRegSz ? setting.writeText(text) : setting.writeNumber(number);
    if (!written && recorded) {
        // Nothing changed, so there is nothing to undo.
        journal_->dropLast();
    }
    return written;
}

std::wstring WindowsDiagnostics::journalProblem() const {
    return journal_ != nullptr ? journal_->problem() : std::wstring();
}

std::wstring WindowsDiagnostics::takeJournalNotice() {
    return journal_ != nullptr ? journal_->takeNotice() : std::wstring();
}

bool WindowsDiagnostics::undoLastFix() {
    FixRecord record;
    if (journal_ == nullptr || !journal_->last(record)) {
        return false;
    }
    const bool undone =
        record.kind == FixKind::ServiceStart ? stopService(record.service) : undoRegistryValue(record);
    return undone && journal_->dropLast();
}

bool WindowsDiagnostics::undoRegistryValue(const FixRecord& record) {
    const RegistrySetting where(system_.registry(), record.root, record.valueName, record.keyPath);
    const std::optional<RegRoot> root = where.root();
    if (!root) {
        return false;
    }
    qmplatform::RegKey key;
    long result = key.open(system_.registry(), *root, record.keyPath, RegAccess::AllAccess);
    if (record.existed) {
        if (result != qmplatform::kErrorSuccess) {
            result = key.create(system_.registry(), *root, record.keyPath, RegAccess::AllAccess);
        }
        if (result == qmplatform::kErrorSuccess) {
            result = key.get()->setValue(record.valueName, record.type, record.data);
        }
    } else if (result == qmplatform::kErrorSuccess) {
        result = key.deleteValue(record.valueName);
        if (result == qmplatform::kErrorFileNotFound) {
            result = qmplatform::kErrorSuccess;
        }
    } else if (result == qmplatform::kErrorFileNotFound) {
        // Neither the key nor the value is there: already as before.
        result = qmplatform::kErrorSuccess;
    }
    return result == qmplatform::kErrorSuccess;
}

bool WindowsDiagnostics::keyOpensForReading(std::wstring_view path) const {
    qmplatform::RegKey key;
    return key.open(system_.registry(), RegRoot::LocalMachine, path, RegAccess::Read) ==
           qmplatform::kErrorSuccess;
}

void WindowsDiagnostics::dumpKey(std::wstring_view path, std::wstring& out, int depth) const {
    qmplatform::RegKey key;
    if (key.open(system_.registry(), RegRoot::LocalMachine, path, RegAccess::Read) !=
        qmplatform::kErrorSuccess) {
        return;
    }
    std::uint32_t subKeys = 0;
    std::uint32_t values = 0;
    if (key.queryInfo(subKeys, values) != qmplatform::kErrorSuccess) {
        return;
    }
    for (std::uint32_t index = 0; index < values; ++index) {
        std::wstring name;
        qmplatform::RegValue value;
        if (key.get()->enumValue(index, name, value) != qmplatform::kErrorSuccess) {
            continue;
        }
        out += path;
        out += valueText(name, value);
        out += L'\n';
    }
    if (depth >= kMaxDumpDepth) {
        return;
    }
    for (std::uint32_t index = 0; index < subKeys; ++index) {
        std::wstring name;
        if (key.get()->enumKey(index, name) != qmplatform::kErrorSuccess) {
            continue;
        }
        dumpKey(std::wstring(path) + name + L"\\", out, depth + 1);
    }
}

bool WindowsDiagnostics::dumpOrError(std::wstring_view path, std::wstring& out) const {
    if (!keyOpensForReading(path)) {
        return false;
    }
    dumpKey(path, out, 0);
    return true;
}

std::wstring WindowsDiagnostics::qmsSettingsReport() const {
    std::wstring report;
    for (const ReportKey& part : kQmsReportKeys) {
        if (!dumpOrError(part.path, report)) {
            report += part.error;
        }
    }
    return report;
}

std::wstring WindowsDiagnostics::systemSettingsReport() const {
    std::wstring report;
    if (!dumpOrError(kCdRomEnumKey, report)) {
        report += L"Unable to access ";
        report += kCdRomEnumKey;
    }
    report += kWinlogonKey;
    report += kAllocateCdRomsValue;
    report += isAllocateCdRomsSet() ? L" - 1\n" : L" - 0\n";
    report += kCdRomKey;
    report += kAutorunValue;
    report += isAutorunOn() ? L" - 1\n" : L" - 0\n";
    report += kAcceleratorKey;
    report += isIntelAcceleratorInstalled() ? L" - Detected\n" : L" - Not detected\n";
    return report;
}
