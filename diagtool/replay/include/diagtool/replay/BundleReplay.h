// A machine made from a support bundle: the registry from its .reg files,
// the user, environment, administrator state and services from its facts,
// the modules (or stand-ins carrying the same version resources), the drives
// into the labelling server's section, the logs into their folders and the
// Application log into its .evt file. What the host software's installer
// would add (the print engine, the labelling server) is the caller's part.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qmreplay {

struct ReplayResult {
    // What the machine could not be given as the bundle had it, one line each.
    std::vector<std::string> notes;
    // Entries that do not match the manifest; any of them refuses the bundle.
    std::vector<std::string> mismatches;
};

// Reads the bundle (every check of the bundle reader) and makes the machine
// in `dir`, which must be empty or missing. False with the reason when the
// bundle is refused or its contents cannot make a machine; `dir` is then
// removed, so no half-made machine is left to be trusted. Builds without a
// bundle reader say so and make nothing.
bool replayBundleFile(const std::filesystem::path& dir, const std::filesystem::path& bundleFile,
                      ReplayResult& result, std::string& error);

} // namespace qmreplay
