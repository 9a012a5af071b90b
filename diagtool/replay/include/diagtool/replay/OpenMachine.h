// The machine diagtool looks at: the one it starts on (QUILLMARK_SYSROOT, the
// real system on Windows) or a support bundle replayed in a temporary
// folder. Holds the session of that machine; closing it ends the session
// first, then removes a replayed machine's folder.
#pragma once

#include "diagtool/app/DiagtoolSession.h"
#include "diagtool/replay/BundleMachine.h"

#include "platform/System.h"

#include <memory>
#include <string>

namespace qmreplay {

class OpenMachine {
public:
    static std::unique_ptr<OpenMachine> openDefault(std::string& error);
    // Takes the replayed machine over; null with the reason when it does
    // not open (the folder is removed then too).
    static std::unique_ptr<OpenMachine> openBundle(std::unique_ptr<BundleMachine> bundle, std::string& error);
    ~OpenMachine();
    OpenMachine(const OpenMachine&) = delete;
    OpenMachine& operator=(const OpenMachine&) = delete;

    DiagtoolSession& session() { return *session_; }
    // Another system on the same machine, as a second program would open it
    // (a support bundle reads through its own read-only one).
    std::unique_ptr<qmplatform::System> openSystem(std::string& error) const;
    // The replayed bundle, or null for the machine diagtool started on.
    const BundleMachine* bundle() const { return bundle_.get(); }
    // The bundle's file name for the window's title; empty for the machine
    // diagtool started on.
    std::string bundleName() const;

private:
    OpenMachine() = default;

    std::unique_ptr<BundleMachine> bundle_;
    std::unique_ptr<DiagtoolSession> session_;
};

} // namespace qmreplay
