// Which machine a program uses when nobody hands it one: the folder that
// QUILLMARK_SYSROOT names, or else the user's own copy of the shipped default
// machine, made on first use in the user's data folder.
#pragma once

#include <filesystem>
#include <string>

namespace qmplatform::emulated {

// $XDG_DATA_HOME/quillmark/machine (~/.local/share/...; %LOCALAPPDATA% on Windows).
std::filesystem::path userMachineFolder();

// The shipped sample machines: share/quillmark/machines beside the program's
// folder, else samples/machines of the source tree the program was built
// from; empty when neither holds them.
std::filesystem::path shippedMachinesFolder();
// The machine a user's copy is made from: the "healthy" sample.
std::filesystem::path shippedDefaultMachine();

// QUILLMARK_SYSROOT when set (it must be a machine folder); otherwise the
// user's copy, made from the shipped machine when missing. Two programs
// starting at once make one copy between them.
bool defaultMachineRoot(std::filesystem::path& root, std::string& error);

// A machine's file-time manifest: a JSON object of relative file paths and
// their last write times in seconds since 1970 (UTC). A checkout or a copy
// keeps no file times, yet programs list some files newest first.
inline constexpr char kFileTimesManifest[] = "file-times.json";

// Sets the times the machine's manifest lists; a machine without one is
// left as it is. False, with the reason, for a manifest that cannot be read
// or a listed file that is missing or lies outside the machine.
bool applyFileTimes(const std::filesystem::path& root, std::string& error);

// Copies a machine folder to a new place, leaving out its lock and any
// half-written file, then gives the files the times of its manifest.
bool copyMachineFolder(const std::filesystem::path& from, const std::filesystem::path& to,
                       std::string& error);

} // namespace qmplatform::emulated
