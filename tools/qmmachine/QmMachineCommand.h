// The qmmachine command without its process: arguments in, text out, exit code back.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qmmachine {

// Exit codes: 0 success, 1 the work failed, 2 bad usage.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int runQmMachine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace qmmachine
