#pragma once

// The qmerror command without its process: arguments in, text out, exit code back.

#include <iosfwd>
#include <string>
#include <vector>

// Exit codes: 0 success, 1 a code has no entry (or nothing matched), 2 bad usage.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotFound = 1;
inline constexpr int kExitUsage = 2;

int runQmError(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
