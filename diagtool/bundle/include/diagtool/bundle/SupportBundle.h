// The support bundle writer: everything the checks, the pages and the probes
// read on this machine, collected through the platform seam alone and packed
// into one zip archive with a manifest (BundleFormat.h). Nothing is written
// to the machine: the registry is opened for reading only, and the caller
// hands in a session on a read-only system. A failure to read one item is
// recorded in the manifest and the rest goes on.
#pragma once

#include "BundleFormat.h"
#include "diagtool/app/DiagtoolSession.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qmbundle {

struct BundleOptions {
    bool redact = false;
    // The bundle's time, seconds since 1970 UTC; 0 takes the system's clock.
    std::int64_t now = 0;
};

struct BundleEntry {
    std::string name;
    std::string kind;
    std::string what;
    std::vector<std::uint8_t> data;
    // Kind-specific manifest fields (windowsPath, folder, relative, lastWriteTime, key).
    nlohmann::ordered_json details = nlohmann::ordered_json::object();
};

struct BundleContents {
    std::int64_t created = 0;
    bool redacted = false;
    std::vector<BundleEntry> entries;
    // Each {item, error}: what could not be read.
    nlohmann::ordered_json failures = nlohmann::ordered_json::array();
    // Each {item, size, reason}: what was found but not carried.
    nlohmann::ordered_json leftOut = nlohmann::ordered_json::array();
    // Each {item}: what was looked for and is not on the machine.
    nlohmann::ordered_json absent = nlohmann::ordered_json::array();
};

BundleContents collectSupportBundle(DiagtoolSession& session, const BundleOptions& options);

// The manifest of the contents (format, versions, time, limits, entries
// with size and SHA-256, failures, left out, absent).
nlohmann::ordered_json bundleManifest(const BundleContents& contents);

// The zip archive: the manifest first, then every entry. False with the
// reason when an entry cannot be packed.
bool packSupportBundle(const BundleContents& contents, std::vector<std::uint8_t>& archive, std::string& error);

// Packs and writes the archive: a temporary file beside `file`, renamed
// over it only when complete, so a partial bundle never has the final name.
bool writeSupportBundle(const std::filesystem::path& file, const BundleContents& contents, std::string& error);

// What each kind of entry is, for a person reading a listing.
const char* kindDescription(std::string_view kind);

} // namespace qmbundle
