#include "diagtool/bundle/BundlePlan.h"

#include "diagtool/app/ReadOnlySystem.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>

namespace qmbundle {

namespace fs = std::filesystem;

bool collectFromMachine(const SystemOpener& openSystem, const BundleOptions& options, BundleContents& contents,
                        std::string& error) {
    std::unique_ptr<qmplatform::System> system = openSystem(error);
    if (!system) {
        return false;
    }
    DiagtoolSession session(qmdiag::makeReadOnlySystem(std::move(system)));
    contents = collectSupportBundle(session, options);
    return true;
}

namespace {

std::string computerNameOf(const BundleContents& contents) {
    for (const BundleEntry& e : contents.entries) {
        if (e.kind != kKindFacts) {
            continue;
        }
        const auto facts = nlohmann::json::parse(e.data.begin(), e.data.end(), nullptr, false);
        if (facts.is_object() && facts.contains("computerName") && facts["computerName"].is_string()) {
            return facts["computerName"].get<std::string>();
        }
    }
    return "";
}

std::string plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string itemText(const nlohmann::ordered_json& row, const char* key) {
    return row.contains(key) && row[key].is_string() ? row[key].get<std::string>() : std::string("?");
}

} // namespace

BundlePlan planSupportBundle(const BundleContents& contents) {
    BundlePlan plan;
    plan.redacted = contents.redacted;
    plan.computerName = computerNameOf(contents);

    const std::string manifest = bundleManifest(contents).dump(2) + "\n";
    plan.groups.push_back({kKindManifest, "what the bundle holds, with sizes and SHA-256", {}, 0});
    plan.groups.back().entries.push_back({kManifestName, "the manifest", manifest.size()});
    plan.groups.back().bytes = manifest.size();

    for (const BundleEntry& e : contents.entries) {
        PlanGroup* group = nullptr;
        for (PlanGroup& g : plan.groups) {
            if (g.kind == e.kind) {
                group = &g;
            }
        }
        if (group == nullptr) {
            plan.groups.push_back({e.kind, kindDescription(e.kind), {}, 0});
            group = &plan.groups.back();
        }
        group->entries.push_back({e.name, e.what, e.data.size()});
        group->bytes += e.data.size();
    }
    for (const PlanGroup& g : plan.groups) {
        plan.entryCount += g.entries.size();
        plan.bytes += g.bytes;
    }
    for (const auto& f : contents.failures) {
        plan.notes.push_back("not read: " + itemText(f, "item") + ": " + itemText(f, "error"));
    }
    for (const auto& l : contents.leftOut) {
        plan.notes.push_back("left out: " + itemText(l, "item") + ": " + itemText(l, "reason"));
    }
    return plan;
}

std::string sizeText(std::uint64_t bytes) {
    if (bytes < 1024) {
        return plural(static_cast<std::size_t>(bytes), "byte", "bytes");
    }
    // By the unit the rounded figure fits: just under 1 MiB reads "1.0 MiB", not "1024.0 KiB".
    char text[32];
    const double kib = static_cast<double>(bytes) / 1024.0;
    if (kib < 1023.95) {
        std::snprintf(text, sizeof text, "%.1f KiB", kib);
    } else {
        std::snprintf(text, sizeof text, "%.1f MiB", kib / 1024.0);
    }
    return text;
}

std::string planSummary(const BundlePlan& plan) {
    std::string text = plural(plan.entryCount, "entry", "entries") + ", " + sizeText(plan.bytes) +
                       " before compression";
    std::size_t notRead = 0, leftOut = 0;
    for (const std::string& note : plan.notes) {
        (note.starts_with("not read:") ? notRead : leftOut) += 1;
    }
    if (notRead != 0 || leftOut != 0) {
        text += "; " + plural(notRead, "item", "items") + " not read, " + std::to_string(leftOut) + " left out";
    }
    return text;
}

std::string defaultBundleFileName(std::string_view computerName, std::int64_t created) {
    std::string name;
    for (const char c : computerName) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_';
        name += keep ? c : '_';
    }
    using namespace std::chrono;
    const year_month_day day{floor<days>(sys_seconds{seconds(created)})};
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02u%02u", static_cast<int>(day.year()), static_cast<unsigned>(day.month()),
                  static_cast<unsigned>(day.day()));
    return "support-bundle-" + (name.empty() ? std::string() : name + "-") + date + ".zip";
}

bool saveSupportBundle(const fs::path& file, const BundleContents& contents, SavedBundle& saved,
                       std::string& error) {
    if (!writeSupportBundle(file, contents, error)) {
        return false;
    }
    std::error_code ec;
    saved.file = file;
    saved.entryCount = contents.entries.size() + 1;
    saved.archiveBytes = fs::file_size(file, ec);
    if (ec) {
        error = "the bundle was written but its size cannot be read: " + ec.message();
        return false;
    }
    return true;
}

std::string savedSummary(const SavedBundle& saved) {
    return "Saved " + saved.file.string() + ": " + plural(saved.entryCount, "entry", "entries") + ", " +
           sizeText(saved.archiveBytes) + ".";
}

} // namespace qmbundle
