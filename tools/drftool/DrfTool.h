// The drftool command line, callable in-process so tests can drive it.
#pragma once

#include <ostream>

#include "drf/PrintEngineResources.h"
#include <string>
#include <vector>

namespace drftool {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailed = 2;

// args excludes the program name.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// One KEY=VALUE of `set` (KEY a key name or Kind.Key), applied to a resource
// set in memory. kExitOk with *change "Kind.Key: before -> after"; kExitUsage
// for a malformed assignment, kExitFailed for a key the set lacks or a value
// that does not fit, with *problem saying why.
int applyAssignment(drf::PrintEngineResourcesImpl& set, const std::string& assignment, std::string& change,
                    std::string& problem);

// `preview` renders pictures, which the Qt-free tool cannot: a build with the
// renderer registers it here (args after the word "preview").
using Command = int (*)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
void setPreviewCommand(Command command);

} // namespace drftool
