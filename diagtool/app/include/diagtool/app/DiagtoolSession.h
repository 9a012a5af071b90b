#pragma once

// What every diagnostics program sets up before its first check: the
// system it runs on, COM bound to that system, the fix journal in the
// user's folder, and the checks with the labelling API's drive count. The
// window and qmdiag take the same steps, so they see the same machine.

#include "diagtool/client/QMRT.h"
#include "diagtool/windows/FileFixJournal.h"
#include "diagtool/windows/FixJournal.h"
#include "diagtool/windows/WindowsDiagnostics.h"

#include "platform/System.h"
#include "platform/com/ComRuntime.h"

#include <memory>
#include <string>

class DiagtoolSession {
public:
    // The default system (QUILLMARK_SYSROOT, or the real one on Windows);
    // null with the reason when there is none.
    static std::unique_ptr<DiagtoolSession> open(std::string& error);

    // Every fix this session makes is recorded under `run` (a fresh id when
    // empty), so that one run's fixes can be taken back together.
    explicit DiagtoolSession(std::unique_ptr<qmplatform::System> system, std::wstring run = {});
    ~DiagtoolSession();
    DiagtoolSession(const DiagtoolSession&) = delete;
    DiagtoolSession& operator=(const DiagtoolSession&) = delete;

    qmplatform::System& system() { return *system_; }
    WindowsDiagnostics& checks() { return checks_; }
    FileFixJournal& journal() { return journal_; }
    const std::wstring& run() const { return runJournal_.run(); }

    // A run id no earlier run of any program on this machine has used.
    static std::wstring newRunId();

private:
    std::unique_ptr<qmplatform::System> system_;
    qmplatform::com::ScopedRuntimeBinding binding_;
    QMRT::ScopedTextBinding text_;
    bool comInitialised_ = false;
    FileFixJournal journal_;
    RunFixJournal runJournal_;
    WindowsDiagnostics checks_;
};
