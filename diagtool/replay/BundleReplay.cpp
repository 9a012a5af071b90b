#include "diagtool/replay/BundleReplay.h"

#include "diagtool/bundle/BundleReader.h"

#include "platform/machine/EmulatedBackends.h"
#include "platform/machine/Machine.h"
#include "platform/machine/EmulatedRegistry.h"
#include "platform/formats/RegFile.h"
#include "platform/formats/PeWriter.h"
#include "platform/formats/VersionBlock.h"
#include "platform/FileReplace.h"
#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

namespace qmreplay {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using namespace qmplatform;
using namespace qmplatform::emulated;

constexpr std::uint16_t kRtVersion = 16;
constexpr std::uint64_t kFileTimeToUnixEpoch = 116444736000000000ull;
// The server's answer for an empty tray: media null replays it.
constexpr const char* kNoMedia = "0xC0041012";
constexpr wchar_t kApplicationLogFile[] = L"C:\\windows\\system32\\config\\AppEvent.Evt";
constexpr std::string_view kFileKinds[] = {qmbundle::kKindModule, qmbundle::kKindInstallerMarker,
                                           qmbundle::kKindErrorLog, qmbundle::kKindFixJournal};

struct Failure {
    std::string message;
};

Json parseEntry(const qmbundle::ReadBundle& bundle, const std::string& name) {
    const auto found = bundle.entries.find(name);
    if (found == bundle.entries.end()) {
        return Json(nullptr);
    }
    Json doc = Json::parse(found->second.begin(), found->second.end(), nullptr, false);
    if (doc.is_discarded()) {
        throw Failure{name + " is not JSON"};
    }
    return doc;
}

std::string textOr(const Json& object, const char* key, const std::string& fallback) {
    if (object.is_object() && object.contains(key) && object[key].is_string()) {
        return object[key].get<std::string>();
    }
    return fallback;
}

// A name the machine can use as its user's profile folder.
bool usableUserName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L".." || name.size() > 64) {
        return false;
    }
    return name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos &&
           qmbundle::entryNameProblem(toUtf8(name)).empty();
}

// A relative Windows path from the manifest, checked as an entry name is.
std::wstring checkedRelative(const std::string& relative) {
    std::string slashed = relative;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    if (const std::string problem = qmbundle::entryNameProblem(slashed); !problem.empty()) {
        throw Failure{"the path \"" + relative + "\" is refused: it " + problem};
    }
    return fromUtf8(relative);
}

void setWriteTime(const fs::path& host, std::uint64_t fileTime) {
    if (fileTime < kFileTimeToUnixEpoch) {
        return;
    }
    using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
    const std::chrono::sys_time<Ticks> when{Ticks(static_cast<std::int64_t>(fileTime - kFileTimeToUnixEpoch))};
    std::error_code ec;
    fs::last_write_time(host, fs::file_time_type::clock::from_sys(when), ec);
}

void writeHostFile(const fs::path& host, std::span<const std::uint8_t> data) {
    if (host.empty()) {
        throw Failure{"a file has no place on the machine"};
    }
    std::error_code ec;
    fs::create_directories(host.parent_path(), ec);
    std::string error;
    if (!writeFileReplacing(host, data.data(), data.size(), error)) {
        throw Failure{error};
    }
}

bool parseVersion(const Json& text, std::uint16_t (&out)[4]) {
    if (!text.is_string()) {
        return false;
    }
    unsigned parts[4] = {};
    if (std::sscanf(text.get<std::string>().c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) != 4) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint16_t>(parts[i]);
    }
    return true;
}

// A resource-only module carrying the version data the bundle recorded.
std::vector<std::uint8_t> standInModule(const Json& v) {
    pe::VersionDescription d;
    if (!parseVersion(v["fileVersion"], d.fileVersion) || !parseVersion(v["productVersion"], d.productVersion)) {
        return {};
    }
    d.fileFlags = v.value("fileFlags", 0u);
    d.fileOs = v.value("fileOS", d.fileOs);
    d.fileType = v.value("fileType", d.fileType);
    if (v.contains("translations") && v["translations"].is_array() && !v["translations"].empty() &&
        v["translations"][0].is_number_unsigned()) {
        const auto t = v["translations"][0].get<std::uint32_t>();
        d.language = static_cast<std::uint16_t>(t & 0xFFFF);
        d.codePage = static_cast<std::uint16_t>(t >> 16);
    }
    if (v.contains("strings") && v["strings"].is_object()) {
        for (const auto& [name, s] : v["strings"].items()) {
            d.strings.emplace_back(fromUtf8(name), fromUtf8(textOr(s, "value", "")));
        }
    }
    pe::ResourceToWrite resource;
    resource.type = pe::resourceNumber(kRtVersion);
    resource.name = pe::resourceNumber(1);
    resource.language = d.language;
    resource.data = pe::writeVersionBlock(d);
    return pe::writeResourceImage({resource});
}

class Replay {
public:
    Replay(const fs::path& dir, const qmbundle::ReadBundle& bundle, ReplayResult& result)
        : dir_(dir), bundle_(bundle), result_(result) {}

    void run(const std::string& bundleName) {
        facts_ = parseEntry(bundle_, qmbundle::kFactsName);
        createMachine();
        environment();
        registry();
        files();
        modules();
        drives();
        eventLog();
        remember(bundleName);
    }

private:
    void note(std::string text) { result_.notes.push_back(std::move(text)); }

    void createMachine() {
        MachineSettings settings;
        const std::wstring user = fromUtf8(textOr(facts_, "userName", "quill"));
        if (!usableUserName(user)) {
            throw Failure{"the bundle's user name \"" + toUtf8(user) + "\" cannot name a profile folder"};
        }
        settings.userName = user;
        if (facts_.is_object() && facts_.contains("administrator") && facts_["administrator"].is_boolean()) {
            settings.administrator = facts_["administrator"].get<bool>();
        } else {
            note("administrator state unknown: the machine gives its programs administrator rights");
        }
        if (facts_.is_object() && facts_.contains("services") && facts_["services"].is_array()) {
            for (const Json& s : facts_["services"]) {
                const std::string state = textOr(s, "state", "");
                if (state.empty() || textOr(s, "name", "").empty()) {
                    continue;
                }
                ServiceBehaviour behaviour;
                behaviour.state = state == "running" ? ServiceRunState::Running : ServiceRunState::Stopped;
                if (state != "running" && state != "stopped") {
                    note("service " + textOr(s, "name", "") + " was " + state + "; the machine has it stopped");
                }
                settings.services[fromUtf8(textOr(s, "name", ""))] = behaviour;
            }
        }
        std::string error;
        machine_ = Machine::create(dir_, settings, error);
        if (!machine_) {
            throw Failure{error};
        }
        const EmulatedShellFolders folders(*machine_);
        for (const qmbundle::FolderRow& row : qmbundle::kFolders) {
            std::wstring path;
            if (folders.folderPath(row.csidl, path) == kSOk) {
                replayFolders_[row.name] = path;
            }
            const Json original = facts_.is_object() && facts_.contains("shellFolders")
                                      ? facts_["shellFolders"].value(row.name, Json(nullptr))
                                      : Json(nullptr);
            if (original.is_string()) {
                originalFolders_[row.name] = fromUtf8(original.get<std::string>());
            }
        }
    }

    // A value naming a place below one of the original's shell folders names
    // the same place below this machine's.
    std::wstring remap(const std::wstring& value) const {
        std::wstring out = value;
        for (const auto& [name, original] : originalFolders_) {
            const auto replay = replayFolders_.find(name);
            if (replay == replayFolders_.end() || original.empty() || original == replay->second) {
                continue;
            }
            for (std::size_t at = 0; at + original.size() <= out.size();) {
                if (equalNoCase(std::wstring_view(out).substr(at, original.size()), original) &&
                    (at + original.size() == out.size() || out[at + original.size()] == L'\\' ||
                     out[at + original.size()] == L';')) {
                    out.replace(at, original.size(), replay->second);
                    at += replay->second.size();
                } else {
                    ++at;
                }
            }
        }
        return out;
    }

    void environment() {
        if (!facts_.is_object() || !facts_.contains("environment") || !facts_["environment"].is_object()) {
            note("no environment in the bundle: the machine has the standard one");
            return;
        }
        std::string error;
        const Json& env = facts_["environment"];
        const bool ok = machine_->updateSettings(
            [&](Json& doc, std::string&) {
                for (const auto& [name, value] : env.items()) {
                    if (value.is_string() && !name.empty() && name.find('=') == std::string::npos) {
                        doc["environment"][name] = toUtf8(remap(fromUtf8(value.get<std::string>())));
                    }
                }
                return true;
            },
            error);
        if (!ok) {
            throw Failure{error};
        }
    }

    void registry() {
        EmulatedRegistry owner({machine_->hiveFolder(), machine_->lockFile(), true});
        for (const auto& [name, data] : bundle_.entries) {
            const Json* row = bundle_.row(name);
            if (row == nullptr || textOr(*row, "kind", "") != qmbundle::kKindRegistry) {
                continue;
            }
            RegFileContents contents;
            std::string error;
            if (!parseRegFile(data, contents, error)) {
                throw Failure{name + ": " + error};
            }
            // Only the keys a bundle exports: a .reg file naming anything
            // else is not applied.
            for (const RegFileKey& key : contents.keys) {
                RegRoot root{};
                std::wstring path;
                if (key.remove || !splitRootPath(key.path, root, path) || root != RegRoot::LocalMachine) {
                    throw Failure{name + ": key " + toUtf8(key.path) + " is not one a bundle exports"};
                }
            }
            if (!owner.importRegFile(contents, error)) {
                throw Failure{name + ": " + error};
            }
        }
    }

    std::wstring placeOf(const Json& row) const {
        const std::string folder = textOr(row, "folder", "");
        const auto base = replayFolders_.find(folder);
        if (base == replayFolders_.end()) {
            throw Failure{"entry " + textOr(row, "name", "") + " names no known folder"};
        }
        return base->second + L"\\" + checkedRelative(textOr(row, "relative", ""));
    }

    void files() {
        for (const auto& [name, data] : bundle_.entries) {
            const Json* row = bundle_.row(name);
            if (row == nullptr) {
                continue;
            }
            const std::string kind = textOr(*row, "kind", "");
            if (std::find(std::begin(kFileKinds), std::end(kFileKinds), kind) == std::end(kFileKinds)) {
                continue;
            }
            const fs::path host = machine_->hostPath(placeOf(*row));
            writeHostFile(host, data);
            if (row->contains("lastWriteTime") && (*row)["lastWriteTime"].is_number_unsigned()) {
                setWriteTime(host, (*row)["lastWriteTime"].get<std::uint64_t>());
            }
        }
        if (facts_.is_object() && facts_.contains("installerMarker") && facts_["installerMarker"].is_object()) {
            const Json& marker = facts_["installerMarker"];
            if (marker.value("present", false) && !marker["file"].is_string()) {
                const fs::path host =
                    machine_->hostPath(replayFolders_["CommonProgramFiles"] + L"\\Quillmark\\QM_HSI.msi");
                const std::string text = "stand-in for the installer package of a support bundle\n";
                writeHostFile(host, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
                note("installer marker: a stand-in file (the original was too large to carry)");
            }
        }
    }

    void modules() {
        const Json versions = parseEntry(bundle_, qmbundle::kModuleVersionsName);
        if (!versions.is_array()) {
            return;
        }
        for (const Json& v : versions) {
            if (!v.is_object() || v["file"].is_string() || v.value("error", 1L) != 0 || !v.contains("fileVersion")) {
                continue;
            }
            const std::string relative = textOr(v, "relative", "");
            if (v.value("program", false)) {
                note(relative + ": version " + textOr(v, "fileVersion", "") +
                     " on the original; this machine has the suite's stand-in where the host software has one");
                continue;
            }
            const std::vector<std::uint8_t> image = standInModule(v);
            if (image.empty()) {
                note(relative + ": its version data cannot make a stand-in");
                continue;
            }
            Json row = v;
            row["name"] = relative;
            writeHostFile(machine_->hostPath(placeOf(row)), image);
            note(relative + ": a stand-in module with the original's version resource");
        }
    }

    void drives() {
        const Json d = parseEntry(bundle_, qmbundle::kDrivesName);
        if (!d.is_object() || !d.value("reachable", false)) {
            return;
        }
        Json section;
        section["updateShellCommand"] = textOr(d, "updateShellCommand", "");
        section["spoolFolder"] = "C:\\ProgramData\\Quillmark\\Spool";
        section["failures"] = d.contains("failures") && d["failures"].is_object() ? d["failures"] : Json::object();
        Json list = Json::array();
        if (d.contains("drives") && d["drives"].is_array()) {
            for (const Json& drive : d["drives"]) {
                if (!drive.is_object()) {
                    continue;
                }
                Json out;
                for (const char* key : {"path", "vendor", "product", "displayName", "capabilities", "innerRadius",
                                        "outerRadius"}) {
                    if (drive.contains(key)) {
                        out[key] = drive[key];
                    }
                }
                out["tray"] = "closed";
                out["detectMilliseconds"] = 0;
                out["media"] = drive.contains("media") ? drive["media"] : Json(nullptr);
                Json failures = drive.contains("failures") && drive["failures"].is_object() ? drive["failures"]
                                                                                             : Json::object();
                const std::string mediaError = textOr(drive, "mediaError", "");
                if (!mediaError.empty() && mediaError != kNoMedia) {
                    failures["GetCurrentMedia"] = mediaError;
                }
                out["failures"] = failures;
                if (drive.contains("rejected") && drive["rejected"].is_object() && !drive["rejected"].empty()) {
                    note("drive " + textOr(drive, "path", "?") +
                         ": values the client refused on the original are not replayed");
                }
                list.push_back(std::move(out));
            }
        }
        section["drives"] = list;
        std::string error;
        if (!machine_->updateSettings(
                [&](Json& doc, std::string&) {
                    doc["discPrintMgr"] = section;
                    return true;
                },
                error)) {
            throw Failure{error};
        }
    }

    void eventLog() {
        const auto found = bundle_.entries.find(qmbundle::kEventLogName);
        if (found == bundle_.entries.end()) {
            return;
        }
        writeHostFile(machine_->hostPath(kApplicationLogFile), found->second);
    }

    void remember(const std::string& bundleName) {
        std::string error;
        const Json& m = bundle_.manifest;
        (void)machine_->updateSettings(
            [&](Json& doc, std::string&) {
                doc["fromBundle"] = {{"file", bundleName},
                                     {"created", textOr(m, "created", "")},
                                     {"suiteVersion", textOr(m, "suiteVersion", "")},
                                     {"redacted", m.value("redacted", false)}};
                return true;
            },
            error);
    }

    fs::path dir_;
    const qmbundle::ReadBundle& bundle_;
    ReplayResult& result_;
    Json facts_;
    std::unique_ptr<Machine> machine_;
    std::map<std::string, std::wstring> replayFolders_;
    std::map<std::string, std::wstring> originalFolders_;
};

} // namespace

bool replayBundleFile(const fs::path& dir, const fs::path& bundleFile, ReplayResult& result, std::string& error) {
    std::error_code ec;
    if (fs::exists(dir, ec) && !fs::is_empty(dir, ec)) {
        error = dir.string() + " exists and is not empty";
        return false;
    }
    qmbundle::ReadBundle bundle;
    if (!qmbundle::readSupportBundleFile(bundleFile, bundle, error)) {
        error = bundleFile.string() + ": " + error;
        return false;
    }
    if (!bundle.mismatches.empty()) {
        result.mismatches = bundle.mismatches;
        error = bundleFile.string() + " does not match its manifest (" + std::to_string(bundle.mismatches.size()) +
                " entries); it may be damaged or changed";
        return false;
    }
    const std::string bundleName = bundleFile.filename().string();
    try {
        Replay(dir, bundle, result).run(bundleName);
        return true;
    } catch (const Failure& f) {
        error = f.message;
    } catch (const std::exception& e) {
        error = e.what();
    }
    fs::remove_all(dir, ec);
    return false;
}

} // namespace qmreplay
