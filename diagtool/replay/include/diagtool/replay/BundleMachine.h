// A support bundle opened for a look: the machine it describes, replayed into
// a temporary folder of its own the way `qmmachine create --from-bundle`
// makes one, with the host software's stand-ins installed. The bundle is
// only read. The folder goes with the object.
#pragma once

#include "diagtool/replay/BundleReplay.h"
#include "diagtool/replay/HostSoftware.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qmreplay {

class BundleMachine {
public:
    // Null, with the reason, when the bundle is refused or the machine cannot
    // be made; `mismatches` then names each entry that differs from the
    // manifest. The folder is made below `temporaryParent` (the system's
    // temporary folder when empty) and nothing of it is left on failure.
    static std::unique_ptr<BundleMachine> open(const std::filesystem::path& bundleFile, std::string& error,
                                               std::vector<std::string>& mismatches,
                                               const std::filesystem::path& temporaryParent = {},
                                               const HostSoftwareSources& sources = {});
    ~BundleMachine();
    BundleMachine(const BundleMachine&) = delete;
    BundleMachine& operator=(const BundleMachine&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    const std::filesystem::path& bundleFile() const { return bundleFile_; }
    // What the machine could not be given as the bundle had it.
    const std::vector<std::string>& notes() const { return notes_; }

private:
    BundleMachine(std::filesystem::path folder, std::filesystem::path bundleFile, std::vector<std::string> notes)
        : folder_(std::move(folder)), bundleFile_(std::move(bundleFile)), notes_(std::move(notes)) {}

    std::filesystem::path folder_;
    std::filesystem::path bundleFile_;
    std::vector<std::string> notes_;
};

} // namespace qmreplay
