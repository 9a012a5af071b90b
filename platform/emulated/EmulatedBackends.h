// The emulated backends of the environment, shell folders, files, service
// control manager and power interfaces, all working on one Machine (which
// must outlive them).
#pragma once

#include "emulated/Machine.h"
#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Power.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/ShellFolders.h"

#include <memory>

namespace qmplatform::emulated {

// The machine's environment; changes last for this process only.
class EmulatedEnvironment final : public Environment {
public:
    explicit EmulatedEnvironment(Machine& machine) : machine_(machine) {}
    std::optional<std::wstring> get(std::wstring_view name) const override;
    bool set(std::wstring_view name, std::optional<std::wstring_view> value) override;
    std::wstring expand(std::wstring_view text) const override;

private:
    Machine& machine_;
};

// The folders of the machine's layout. A folder missing from the machine
// is reported as Windows reports it (HRESULT of ERROR_FILE_NOT_FOUND) unless
// the CSIDL carries CSIDL_FLAG_CREATE.
class EmulatedShellFolders final : public ShellFolders {
public:
    explicit EmulatedShellFolders(const Machine& machine) : machine_(machine) {}
    long folderPath(int csidl, std::wstring& out) const override;

private:
    const Machine& machine_;
};

class EmulatedFiles final : public Files {
public:
    explicit EmulatedFiles(const Machine& machine) : machine_(machine) {}
    std::FILE* openForReading(std::wstring_view windowsPath) const override;
    bool listFolder(std::wstring_view windowsPath, std::vector<FolderEntry>& out) const override;
    bool canonicalPath(std::wstring_view windowsPath, std::wstring& out) const override;
    bool replaceFile(std::wstring_view windowsPath, std::span<const std::uint8_t> contents) override;

private:
    const Machine& machine_;
};

// Services configured in the registry (a key with a "Type" value under
// SYSTEM\CurrentControlSet\Services), running as the machine's settings say.
// A start of a service with "startSeconds" keeps it start pending for that
// long on the clock, then it runs (and the machine records it running); a
// service that "neverStarts" refuses the start with
// kErrorServiceRequestTimeout and stays stopped. Pending starts belong to
// this object: another process sees the service stopped until it runs.
// Without administrator rights the manager opens only for reading and
// services only for querying, as for a standard user on Windows.
class EmulatedServiceControl final : public ServiceControl {
public:
    EmulatedServiceControl(Machine& machine, Registry& registry, Clock& clock);
    ~EmulatedServiceControl() override;
    long openManager(std::uint32_t access, std::unique_ptr<ServiceManagerHandle>& out) override;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};

// Enabling the shutdown privilege always succeeds (every interactive
// account holds it); a restart is refused until it is enabled, as
// ExitWindowsEx refuses it, and is otherwise recorded in the machine.
class EmulatedPower final : public Power {
public:
    explicit EmulatedPower(Machine& machine) : machine_(machine) {}
    long enableShutdownPrivilege() override;
    bool exitWindows(std::uint32_t flags) override;

private:
    Machine& machine_;
    bool privilegeEnabled_ = false;
};

} // namespace qmplatform::emulated
