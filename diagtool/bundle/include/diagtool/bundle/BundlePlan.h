// Saving a support bundle from a program: collecting it through a read-only
// session on the machine (as qmdiag bundle does), the listing of what it
// will hold for a person to look at before it is written, its default file
// name, and the summary once it is written. diagtool's "Save Support
// Bundle" dialog shows these; qmdiag bundle collects the same way.
#pragma once

#include "diagtool/bundle/SupportBundle.h"

#include "platform/System.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qmbundle {

// Opens the machine the bundle is made of; null with the reason when there is none.
using SystemOpener = std::function<std::unique_ptr<qmplatform::System>(std::string& error)>;

// Collects through a session of its own on a read-only system, so neither
// the checks nor the probes leave anything on the machine. False with the
// reason when the machine does not open.
bool collectFromMachine(const SystemOpener& openSystem, const BundleOptions& options, BundleContents& contents,
                        std::string& error);

struct PlanEntry {
    std::string name;
    std::string what;
    std::uint64_t bytes = 0;
};

// The entries of one kind, in the order the archive holds them.
struct PlanGroup {
    std::string kind;
    std::string description;
    std::vector<PlanEntry> entries;
    std::uint64_t bytes = 0;
};

struct BundlePlan {
    // The manifest first, then each kind in the order of its first entry.
    std::vector<PlanGroup> groups;
    // Entries of the archive, the manifest among them, and their bytes before compression.
    std::size_t entryCount = 0;
    std::uint64_t bytes = 0;
    // One line for each item that could not be read or was left out.
    std::vector<std::string> notes;
    // The computer's name as the bundle carries it: the placeholder when redacted.
    std::string computerName;
    bool redacted = false;
};

inline constexpr char kKindManifest[] = "manifest";

BundlePlan planSupportBundle(const BundleContents& contents);

// "0 bytes", "900 bytes", "1.5 KiB", "2.0 MiB".
std::string sizeText(std::uint64_t bytes);

// "16 entries, 1.2 MiB before compression", then "; 1 item not read, 2 left out" when any.
std::string planSummary(const BundlePlan& plan);

// support-bundle-COMPUTER-YYYYMMDD.zip: the computer's name with anything a
// file name cannot hold replaced, and the bundle's date (UTC).
std::string defaultBundleFileName(std::string_view computerName, std::int64_t created);

struct SavedBundle {
    std::filesystem::path file;
    std::size_t entryCount = 0;
    std::uint64_t archiveBytes = 0;
};

// Writes the archive as writeSupportBundle does (a temporary file beside
// it, renamed over it when complete) and reads back the size it has.
bool saveSupportBundle(const std::filesystem::path& file, const BundleContents& contents, SavedBundle& saved,
                       std::string& error);

// "Saved FILE: 16 entries, 48.2 KiB."
std::string savedSummary(const SavedBundle& saved);

} // namespace qmbundle
