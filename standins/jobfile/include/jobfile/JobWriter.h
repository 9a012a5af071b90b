// Writes print-job files in the format the parser reads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "jobfile/JobFile.h"
#include "jobfile/JobFileExport.h"

namespace JobFile {

class JOBFILE_API JobWriter {
public:
    // Throws std::invalid_argument for a job the format cannot hold: a track
    // whose mark bytes do not match its markCount, auxiliary bytes over 65535,
    // more tracks than a 32-bit count.
    static std::vector<std::uint8_t> serialize(const Job& job, std::uint16_t formatVersion = 3);

    // Writes beside the target first and renames over it, so a failure leaves
    // an existing file as it was. False with a reason in *error on failure.
    static bool save(const Job& job, const std::filesystem::path& path, std::string* error = nullptr);
};

} // namespace JobFile
