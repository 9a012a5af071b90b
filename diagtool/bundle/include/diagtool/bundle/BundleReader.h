// Reads a support bundle, which comes from outside: every entry name is
// checked before anything is extracted (no absolute paths, no "..", no
// links, no device names), sizes are limited (per entry, in total, and
// against the archive's own size), the manifest must name a format version
// this suite knows, and every entry is checked against the manifest's size
// and SHA-256. Reading goes through libarchive's zip reader.
#pragma once

#include "BundleFormat.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmbundle {

struct ReadBundle {
    nlohmann::ordered_json manifest;
    // Every entry but the manifest, by name.
    std::map<std::string, std::vector<std::uint8_t>> entries;
    // Entries that do not match the manifest, one text each naming the entry:
    // a different SHA-256 or size, listed but missing, present but unlisted.
    std::vector<std::string> mismatches;

    // The manifest's row of an entry, or null.
    const nlohmann::ordered_json* row(std::string_view name) const;
};

// Why an entry name is refused, or empty when it is acceptable.
std::string entryNameProblem(std::string_view name);

// False, with the reason, when the archive is refused as a whole. A bundle
// that reads but whose entries do not match the manifest returns true with
// `mismatches` filled: the caller decides, and says which entries.
bool readSupportBundle(std::span<const std::uint8_t> archive, ReadBundle& out, std::string& error,
                       const ReadLimits& limits = {});
bool readSupportBundleFile(const std::filesystem::path& file, ReadBundle& out, std::string& error,
                           const ReadLimits& limits = {});

} // namespace qmbundle
