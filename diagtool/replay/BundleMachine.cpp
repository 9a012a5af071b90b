#include "diagtool/replay/BundleMachine.h"

#include <cstdio>
#include <random>

namespace qmreplay {

namespace fs = std::filesystem;

namespace {

// A new, empty folder no other program uses: made here, so two windows
// opening bundles at once never share one.
bool makeFreshFolder(const fs::path& parent, fs::path& out, std::string& error) {
    std::error_code ec;
    const fs::path base = parent.empty() ? fs::temp_directory_path(ec) : parent;
    if (ec) {
        error = "no temporary folder: " + ec.message();
        return false;
    }
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "quillmark-bundle-%08x", static_cast<unsigned>(random()));
        const fs::path candidate = base / name;
        if (fs::create_directory(candidate, ec)) {
            out = candidate;
            return true;
        }
        if (ec) {
            error = "cannot make a folder in " + base.string() + ": " + ec.message();
            return false;
        }
    }
    error = "cannot find a free folder name in " + base.string();
    return false;
}

} // namespace

std::unique_ptr<BundleMachine> BundleMachine::open(const fs::path& bundleFile, std::string& error,
                                                   std::vector<std::string>& mismatches,
                                                   const fs::path& temporaryParent,
                                                   const HostSoftwareSources& sources) {
    mismatches.clear();
    fs::path folder;
    if (!makeFreshFolder(temporaryParent, folder, error)) {
        return nullptr;
    }
    // From here on the object owns the folder, so every way out removes it.
    std::unique_ptr<BundleMachine> machine(new BundleMachine(folder, bundleFile, {}));
    ReplayResult result;
    if (!replayBundleFile(folder, bundleFile, result, error)) {
        mismatches = std::move(result.mismatches);
        return nullptr;
    }
    machine->notes_ = std::move(result.notes);
    std::vector<std::string> installed;
    if (!installHostSoftware(folder, sources, installed, error)) {
        return nullptr;
    }
    return machine;
}

BundleMachine::~BundleMachine() {
    std::error_code ec;
    fs::remove_all(folder_, ec);
}

} // namespace qmreplay
