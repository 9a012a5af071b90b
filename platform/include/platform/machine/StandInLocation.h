// Where a stand-in of an outside component finds the machine it serves: the
// print engine and the labelling server are loaded into programs by file,
// and read their settings from the machine they are installed on.
#pragma once

#include <filesystem>
#include <optional>

namespace qmplatform::emulated {

// The file of the module (program or library) that holds `address`, a
// function of the caller's own; empty when the loader cannot say.
std::filesystem::path moduleFileOf(const void* address);

// The machine a module file is installed on: the nearest folder above it
// that holds machine.json and drive_c. A module outside every machine (a
// build folder, or a real Windows or Wine prefix where the machine folder is
// out of its sight) serves the machine QUILLMARK_SYSROOT names. None without
// either.
std::optional<std::filesystem::path> machineOfModule(const std::filesystem::path& moduleFile);

} // namespace qmplatform::emulated
