// The qmdiag command without its process: arguments in, the report, the
// fixes or the undo out, exit code back. The machine comes in through a
// function, so tests hand in their own copies.
#pragma once

#include "platform/System.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace qmdiag {

// 0: healthy (the guided check would ask nothing and its status holds no
// message: QMS installed, a drive, both versions read, every setting right).
// 1: a problem remains (for undo: nothing to undo, or a fix could not be
// taken back). 2: bad usage. 3: no machine to run on.
inline constexpr int kExitHealthy = 0;
inline constexpr int kExitProblem = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoSystem = 3;

// A fresh view of the machine each time it is called (null with the reason
// when there is none): a report after a fix sees what the next run sees.
using SystemFactory = std::function<std::unique_ptr<qmplatform::System>(std::string& error)>;

int runQmDiag(const std::vector<std::string>& args, const SystemFactory& openSystem, std::ostream& out,
              std::ostream& err);

} // namespace qmdiag
