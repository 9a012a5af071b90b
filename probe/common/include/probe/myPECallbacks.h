// The callbacks each tool's dialog registers with the engine. The tools
// label nothing, so they never stop the engine, answer no to its questions
// and ignore its progress; holding no state, they need no lock whatever
// thread the engine calls from.
#pragma once

#include "contracts/EngineRecords.h"

namespace probe {

class myPECallbacks final : public PECallbacks {
public:
    bool QueryAbort() override { return false; }
    void Progress(int, int) override {}
    void TrackProgress(int, int) override {}
    void Status(int) override {}
    bool Confirm(int) override { return false; }
};

} // namespace probe
