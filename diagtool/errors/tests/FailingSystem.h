// A machine whose services fail where a test says, the rest passed on to a
// working one: a shell folder the shell cannot name, a log file that is
// listed but cannot be opened (locked by its writer, or not ours to read),
// an Application log that refuses to open. The emulated machine does none
// of these by itself, and a real Windows only when it must.
#pragma once

#include "platform/System.h"
#include "platform/Win32Codes.h"

#include <set>
#include <string>
#include <string_view>

class FailingSystem final : public qmplatform::System {
public:
    explicit FailingSystem(qmplatform::System& base)
        : base_(base), shellFolders_(*this), files_(*this), eventLog_(*this) {}

    // SHGetFolderPathW fails (E_FAIL) for these folder ids.
    std::set<int> failingFolders;
    // Files of these bare names are listed but never open.
    std::set<std::wstring> unreadableFiles;
    // OpenEventLogW fails with access denied.
    bool eventLogRefused = false;
    // How often each service was asked, to see that a failure stopped nothing else.
    int folderRequests = 0;
    int eventLogOpens = 0;

    qmplatform::Registry& registry() override { return base_.registry(); }
    qmplatform::TextCodec& text() override { return base_.text(); }
    qmplatform::Environment& environment() override { return base_.environment(); }
    qmplatform::ShellFolders& shellFolders() override { return shellFolders_; }
    qmplatform::Files& files() override { return files_; }
    qmplatform::ServiceControl& services() override { return base_.services(); }
    qmplatform::Power& power() override { return base_.power(); }
    qmplatform::Clock& clock() override { return base_.clock(); }
    qmplatform::DynamicLibraries& libraries() override { return base_.libraries(); }
    qmplatform::VersionInfo& versionInfo() override { return base_.versionInfo(); }
    qmplatform::MessageTables& messages() override { return base_.messages(); }
    qmplatform::EventLog& eventLog() override { return eventLog_; }

private:
    static constexpr long kEFail = static_cast<long>(0x80004005u);

    class Folders final : public qmplatform::ShellFolders {
    public:
        explicit Folders(FailingSystem& owner) : owner_(owner) {}
        long folderPath(int csidl, std::wstring& out) const override {
            ++owner_.folderRequests;
            if (owner_.failingFolders.count(csidl & qmplatform::kCsidlFolderMask))
                return kEFail;
            return owner_.base_.shellFolders().folderPath(csidl, out);
        }

    private:
        FailingSystem& owner_;
    };

    class LockedFiles final : public qmplatform::Files {
    public:
        explicit LockedFiles(FailingSystem& owner) : owner_(owner) {}
        std::FILE* openForReading(std::wstring_view windowsPath) const override {
            const std::size_t slash = windowsPath.find_last_of(L"\\/");
            const std::wstring_view name =
                slash == std::wstring_view::npos ? windowsPath : windowsPath.substr(slash + 1);
            if (owner_.unreadableFiles.count(std::wstring(name)))
                return nullptr;
            return owner_.base_.files().openForReading(windowsPath);
        }
        bool listFolder(std::wstring_view windowsPath,
                        std::vector<qmplatform::FolderEntry>& out) const override {
            return owner_.base_.files().listFolder(windowsPath, out);
        }
        bool canonicalPath(std::wstring_view windowsPath, std::wstring& out) const override {
            return owner_.base_.files().canonicalPath(windowsPath, out);
        }

    private:
        FailingSystem& owner_;
    };

    class RefusingEventLog final : public qmplatform::EventLog {
    public:
        explicit RefusingEventLog(FailingSystem& owner) : owner_(owner) {}
        qmplatform::EventLogHandle open(std::wstring_view logName, long& error) override {
            ++owner_.eventLogOpens;
            if (owner_.eventLogRefused) {
                error = qmplatform::kErrorAccessDenied;
                return nullptr;
            }
            return owner_.base_.eventLog().open(logName, error);
        }
        qmplatform::EventLogHandle openBackup(std::wstring_view windowsPath, long& error) override {
            return owner_.base_.eventLog().openBackup(windowsPath, error);
        }
        long read(qmplatform::EventLogHandle log, std::uint32_t flags, std::uint32_t recordNumber,
                  std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                  std::uint32_t& bytesNeeded) override {
            return owner_.base_.eventLog().read(log, flags, recordNumber, buffer, bytesRead, bytesNeeded);
        }
        bool close(qmplatform::EventLogHandle log) override { return owner_.base_.eventLog().close(log); }

    private:
        FailingSystem& owner_;
    };

    qmplatform::System& base_;
    Folders shellFolders_;
    LockedFiles files_;
    RefusingEventLog eventLog_;
};
