#include "diagtool/bundle/BundleReader.h"

#include "diagtool/bundle/Sha256.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <set>

namespace qmbundle {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t kMaxNameBytes = 1024;

// Names Windows gives to devices in every folder, with any extension.
constexpr std::string_view kDeviceNames[] = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6",   "COM7",    "COM8",
    "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$",
};

bool equalAsciiNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

std::string componentProblem(std::string_view part) {
    if (part.empty()) {
        return "has an empty path component";
    }
    if (part == "." || part == "..") {
        return "has a \"" + std::string(part) + "\" component";
    }
    if (part.back() == '.' || part.back() == ' ') {
        return "has a component ending in a dot or a blank";
    }
    std::string_view base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ') {
        base.remove_suffix(1);
    }
    for (std::string_view device : kDeviceNames) {
        if (equalAsciiNoCase(base, device)) {
            return "names the device " + std::string(device);
        }
    }
    return {};
}

struct ArchiveCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};

std::string archiveError(archive* a) {
    const char* text = archive_error_string(a);
    return text != nullptr ? text : "unreadable archive";
}

bool checkManifest(const Json& manifest, std::string& error) {
    if (!manifest.is_object()) {
        error = "manifest.json is not a JSON object";
        return false;
    }
    const auto format = manifest.find("format");
    if (format == manifest.end() || !format->is_string() || format->get<std::string>() != kFormatName) {
        error = "not a Quillmark support bundle (manifest.json names no format \"" + std::string(kFormatName) + "\")";
        return false;
    }
    const auto version = manifest.find("formatVersion");
    if (version == manifest.end() || !version->is_number_integer()) {
        error = "manifest.json gives no format version";
        return false;
    }
    if (version->get<std::int64_t>() != kFormatVersion) {
        const auto suite = manifest.find("suiteVersion");
        error = "the bundle's format version " + std::to_string(version->get<std::int64_t>()) +
                " is not known: this suite reads version " + std::to_string(kFormatVersion) +
                (suite != manifest.end() && suite->is_string()
                     ? " (the bundle was made by suite version " + suite->get<std::string>() + ")"
                     : "");
        return false;
    }
    const auto entries = manifest.find("entries");
    if (entries == manifest.end() || !entries->is_array()) {
        error = "manifest.json lists no entries";
        return false;
    }
    for (const Json& row : *entries) {
        if (!row.is_object() || !row.contains("name") || !row["name"].is_string() || !row.contains("size") ||
            !row["size"].is_number_unsigned() || !row.contains("sha256") || !row["sha256"].is_string()) {
            error = "manifest.json has an entry without name, size and sha256";
            return false;
        }
    }
    return true;
}

} // namespace

const nlohmann::ordered_json* ReadBundle::row(std::string_view name) const {
    const auto entries = manifest.find("entries");
    if (entries == manifest.end() || !entries->is_array()) {
        return nullptr;
    }
    for (const Json& r : *entries) {
        if (r.is_object() && r.contains("name") && r["name"].is_string() && r["name"].get<std::string>() == name) {
            return &r;
        }
    }
    return nullptr;
}

std::string entryNameProblem(std::string_view name) {
    if (name.empty()) {
        return "is empty";
    }
    if (name.size() > kMaxNameBytes) {
        return "is longer than " + std::to_string(kMaxNameBytes) + " bytes";
    }
    if (name.front() == '/') {
        return "is an absolute path";
    }
    if (name.size() >= 2 && name[1] == ':') {
        return "starts with a drive letter";
    }
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            return "holds a control character";
        }
        if (c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|') {
            return std::string("holds the character '") + c + "'";
        }
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = name.find('/', start);
        const std::string_view part = name.substr(start, slash == std::string_view::npos ? name.npos : slash - start);
        if (std::string problem = componentProblem(part); !problem.empty()) {
            return problem;
        }
        if (slash == std::string_view::npos) {
            break;
        }
        start = slash + 1;
    }
    return {};
}

bool readSupportBundle(std::span<const std::uint8_t> bytes, ReadBundle& out, std::string& error,
                       const ReadLimits& limits) {
    if (bytes.size() > limits.maxArchiveBytes) {
        error = "the bundle is larger than " + std::to_string(limits.maxArchiveBytes) + " bytes";
        return false;
    }
    std::unique_ptr<archive, ArchiveCloser> a(archive_read_new());
    if (!a || archive_read_support_format_zip(a.get()) != ARCHIVE_OK ||
        archive_read_open_memory(a.get(), bytes.data(), bytes.size()) != ARCHIVE_OK) {
        error = "not a zip archive: " + (a ? archiveError(a.get()) : std::string("out of memory"));
        return false;
    }
    const std::uint64_t ratioLimit = limits.maxRatio * bytes.size() + limits.ratioSlackBytes;
    std::map<std::string, std::vector<std::uint8_t>> entries;
    std::uint64_t total = 0;
    archive_entry* entry = nullptr;
    int result = ARCHIVE_OK;
    while ((result = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK) {
        const char* utf8 = archive_entry_pathname_utf8(entry);
        if (utf8 == nullptr) {
            error = "an entry's name is not valid text";
            return false;
        }
        const std::string name = utf8;
        if (std::string problem = entryNameProblem(name); !problem.empty()) {
            error = "entry \"" + name + "\" is refused: its name " + problem;
            return false;
        }
        if (archive_entry_symlink(entry) != nullptr || archive_entry_hardlink(entry) != nullptr ||
            archive_entry_filetype(entry) != AE_IFREG) {
            error = "entry \"" + name + "\" is refused: it is a link or folder, not a file";
            return false;
        }
        if (archive_entry_is_encrypted(entry)) {
            error = "entry \"" + name + "\" is refused: it is encrypted";
            return false;
        }
        if (entries.size() >= limits.maxEntries) {
            error = "the bundle has more than " + std::to_string(limits.maxEntries) + " entries";
            return false;
        }
        if (entries.count(name) != 0) {
            error = "entry \"" + name + "\" appears twice";
            return false;
        }
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) >= 0 &&
            static_cast<std::uint64_t>(archive_entry_size(entry)) > limits.maxEntryBytes) {
            error = "entry \"" + name + "\" is refused: it claims " + std::to_string(archive_entry_size(entry)) +
                    " bytes, more than the limit of " + std::to_string(limits.maxEntryBytes);
            return false;
        }
        std::vector<std::uint8_t> data;
        std::uint8_t chunk[65536];
        for (;;) {
            const la_ssize_t n = archive_read_data(a.get(), chunk, sizeof chunk);
            if (n < 0) {
                error = "entry \"" + name + "\" cannot be extracted: " + archiveError(a.get());
                return false;
            }
            if (n == 0) {
                break;
            }
            const auto got = static_cast<std::uint64_t>(n);
            if (data.size() + got > limits.maxEntryBytes) {
                error = "entry \"" + name + "\" is refused: it unpacks to more than " +
                        std::to_string(limits.maxEntryBytes) + " bytes";
                return false;
            }
            if (total + got > limits.maxTotalBytes) {
                error = "the bundle unpacks to more than " + std::to_string(limits.maxTotalBytes) + " bytes";
                return false;
            }
            if (total + got > ratioLimit) {
                error = "the bundle unpacks to more than " + std::to_string(limits.maxRatio) +
                        " times its own size (entry \"" + name + "\")";
                return false;
            }
            total += got;
            data.insert(data.end(), chunk, chunk + n);
        }
        entries.emplace(name, std::move(data));
    }
    if (result != ARCHIVE_EOF) {
        error = "the archive is damaged: " + archiveError(a.get());
        return false;
    }
    const auto manifestEntry = entries.find(kManifestName);
    if (manifestEntry == entries.end()) {
        error = "the bundle has no manifest.json";
        return false;
    }
    Json manifest = Json::parse(manifestEntry->second.begin(), manifestEntry->second.end(), nullptr, false);
    if (manifest.is_discarded()) {
        error = "manifest.json is not JSON";
        return false;
    }
    if (!checkManifest(manifest, error)) {
        return false;
    }
    entries.erase(manifestEntry);
    ReadBundle read;
    std::set<std::string> listed;
    for (const Json& row : manifest["entries"]) {
        const std::string name = row["name"].get<std::string>();
        if (!listed.insert(name).second) {
            read.mismatches.push_back(name + ": listed twice in the manifest");
            continue;
        }
        const auto found = entries.find(name);
        if (found == entries.end()) {
            read.mismatches.push_back(name + ": listed in the manifest but not in the bundle");
            continue;
        }
        if (row["size"].get<std::uint64_t>() != found->second.size()) {
            read.mismatches.push_back(name + ": " + std::to_string(found->second.size()) +
                                      " bytes, the manifest says " + std::to_string(row["size"].get<std::uint64_t>()));
            continue;
        }
        if (sha256Hex(found->second) != row["sha256"].get<std::string>()) {
            read.mismatches.push_back(name + ": its SHA-256 does not match the manifest");
        }
    }
    for (const auto& [name, data] : entries) {
        if (listed.count(name) == 0) {
            read.mismatches.push_back(name + ": in the bundle but not listed in the manifest");
        }
    }
    read.manifest = std::move(manifest);
    read.entries = std::move(entries);
    out = std::move(read);
    return true;
}

bool readSupportBundleFile(const std::filesystem::path& file, ReadBundle& out, std::string& error,
                           const ReadLimits& limits) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) {
        error = "cannot read " + file.string() + ": " + ec.message();
        return false;
    }
    if (size > limits.maxArchiveBytes) {
        error = "the bundle is larger than " + std::to_string(limits.maxArchiveBytes) + " bytes";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        error = "cannot read " + file.string();
        return false;
    }
    return readSupportBundle(bytes, out, error, limits);
}

} // namespace qmbundle
