// The drftool command line, callable in-process so tests can drive it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace drftool {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailed = 2;

// args excludes the program name.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace drftool
