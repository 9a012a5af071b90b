// The qmprobe command without its process: arguments in, what the probe
// dialogs would show out, exit code back. The platform services come in, so
// tests hand in a fake engine.
#pragma once

#include "platform/DynamicLibraries.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/System.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace qmprobe {

// Exit codes: 0 every engine call succeeded, 1 an engine call failed (the
// return-code text says which) or there is no machine to run on, 2 bad
// usage, 3 the warning notice was not accepted (no --yes).
inline constexpr int kExitOk = 0;
inline constexpr int kExitEngineFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotAccepted = 3;

struct Platform {
    qmplatform::DynamicLibraries& libraries;
    const qmplatform::Files& files;
    qmplatform::Environment& environment;
};

int runQmProbe(const std::vector<std::string>& args, Platform platform, std::ostream& out, std::ostream& err);

inline constexpr int kExitNoSystem = kExitEngineFailure;

// The program as a whole: the machine first (null with the reason when
// there is none), then the command on its services.
using SystemFactory = std::function<std::unique_ptr<qmplatform::System>(std::string& error)>;
int runQmProbeOn(const std::vector<std::string>& args, const SystemFactory& openSystem, std::ostream& out,
                 std::ostream& err);

} // namespace qmprobe
