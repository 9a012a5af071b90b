// Builds without libarchive (the MinGW cross build) write bundles but do
// not read them.
#include "diagtool/replay/BundleReplay.h"

namespace qmreplay {

bool replayBundleFile(const std::filesystem::path&, const std::filesystem::path&, ReplayResult&, std::string& error) {
    error = "this build cannot read support bundles (it was built without libarchive)";
    return false;
}

} // namespace qmreplay
