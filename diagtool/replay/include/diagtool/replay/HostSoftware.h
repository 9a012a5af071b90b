// What the host software's installer puts on a machine and a sample or a
// support bundle cannot carry as data: the print engine where the installer
// marker shows the host software, and the labelling server's module with its
// COM class. qmmachine and diagtool's "Open Support Bundle" make machines
// through the same steps.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qmreplay {

struct HostSoftwareSources {
    // One folder per print engine variant (qmprtens::installPrintEngine).
    std::filesystem::path printEngines;
    // The DiscPrintMgr module copied into the machine.
    std::filesystem::path serverModule;
};

// The print engines and the server module built with this program.
HostSoftwareSources builtHostSoftware();

// Installs into the machine in `dir` what its host software needs; a machine
// without the host software gets nothing. Each step taken is appended to
// `done` as one line ("installed the print engine as C:\..."). False with
// the reason when a step fails.
bool installHostSoftware(const std::filesystem::path& dir, const HostSoftwareSources& sources,
                         std::vector<std::string>& done, std::string& error);

} // namespace qmreplay
