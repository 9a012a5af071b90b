// Reading a whole file of the machine for the resource and event-log readers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace qmplatform::emulated {

// Module and log files stay far below this; a larger one is not read.
inline constexpr std::uintmax_t kMaxReadFileSize = 256u * 1024 * 1024;

// kErrorSuccess, kErrorFileNotFound (also for an empty path, which the
// machine's mapping gives for names Windows would refuse), kErrorAccessDenied
// for a folder, kErrorNotEnoughMemory above the limit.
long readHostFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out);

} // namespace qmplatform::emulated
