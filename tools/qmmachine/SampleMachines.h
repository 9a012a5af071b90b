// The sample machines: one per situation the diagnostics must handle, built
// from the values below (never copied from a real installation).
//
//   healthy       host software installed and every Windows setting right,
//                 QuillmarkService automatic, LocalSystem and running
//   broken        allocatecdroms "1", autorun 0, the Intel accelerator
//                 without the fix, service stopped, Start 3, ObjectName
//                 "localsystem", no CD-ROM Enum key
//   slow-service  healthy, but the service is stopped and takes 3 s to start
//   dead-service  healthy, but the service is stopped and never starts
//   bare          Windows without any of the host software
//   no-admin      broken, for a user without administrator rights
//   no-drives     healthy, but no labelling drive is attached
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qmmachine {

std::vector<std::string> sampleMachineNames();

// Builds the sample into `dir` (which must be missing or empty).
bool buildSampleMachine(std::string_view name, const std::filesystem::path& dir, std::string& error);

} // namespace qmmachine
