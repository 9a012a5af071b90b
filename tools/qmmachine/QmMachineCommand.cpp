#include "QmMachineCommand.h"

#include "SampleMachines.h"

#include "diagtool/replay/BundleReplay.h"
#include "diagtool/replay/HostSoftware.h"

#include "platform/machine/DefaultMachine.h"
#include "platform/machine/EmulatedBackends.h"
#include "platform/machine/Machine.h"
#include "platform/machine/MachineSettings.h"
#include "platform/machine/EmulatedRegistry.h"
#include "platform/formats/RegFile.h"
#include "platform/RegKey.h"
#include "platform/WindowsText.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ostream>
#include <set>

namespace qmmachine {

namespace fs = std::filesystem;
using namespace qmplatform;
using namespace qmplatform::emulated;
using Json = nlohmann::ordered_json;

namespace {

constexpr const char* kDescription =
    "Makes, shows and changes emulated Windows machines: the folders that the\n"
    "suite's programs use as their Windows on Linux (QUILLMARK_SYSROOT).\n"
    "Exit status: 0 success, 1 failure, 2 bad usage.";

constexpr std::wstring_view kServicesKey = L"SYSTEM\\CurrentControlSet\\Services";

struct Failure {
    std::string message;
};

std::unique_ptr<Machine> openMachine(const std::string& dir) {
    std::string error;
    std::unique_ptr<Machine> machine = Machine::open(dir, error);
    if (!machine) {
        throw Failure{error};
    }
    return machine;
}

// qmmachine looks after machines as their owner: it changes HKEY_LOCAL_MACHINE
// whatever rights the machine gives its programs.
EmulatedRegistry ownerRegistry(const Machine& machine) {
    return EmulatedRegistry({machine.hiveFolder(), machine.lockFile(), true});
}

// ---- create ---------------------------------------------------------------

fs::path findSample(const std::string& from, const std::string& samplesFolder) {
    const fs::path given(from);
    std::error_code ec;
    if (fs::is_regular_file(given / "machine.json", ec)) {
        return given;
    }
    const fs::path folder = samplesFolder.empty() ? shippedMachinesFolder() : fs::path(samplesFolder);
    if (!folder.empty() && fs::is_regular_file(folder / from / "machine.json", ec)) {
        return folder / from;
    }
    std::string known;
    for (const std::string& name : sampleMachineNames()) {
        known += (known.empty() ? "" : ", ") + name;
    }
    throw Failure{"no sample machine or machine folder \"" + from + "\" (samples: " + known + ")"};
}

// What the host software's installer would have put on the machine and a
// sample cannot carry as data (diagtool/replay).
void installHostSoftware(const std::string& dir, const std::string& engines, const std::string& serverModule,
                         std::ostream& out) {
    std::vector<std::string> done;
    std::string error;
    if (!qmreplay::installHostSoftware(dir, {engines, serverModule}, done, error)) {
        throw Failure{error};
    }
    for (const std::string& line : done) {
        out << line << "\n";
    }
}

void create(const std::string& dir, const std::string& from, const std::string& samples,
            const std::string& engines, const std::string& serverModule, std::ostream& out) {
    const fs::path source = findSample(from, samples);
    std::error_code ec;
    if (fs::exists(dir, ec) && !fs::is_empty(dir, ec)) {
        throw Failure{dir + " exists and is not empty"};
    }
    std::string error;
    if (!copyMachineFolder(source, dir, error)) {
        throw Failure{error};
    }
    (void)openMachine(dir); // the copy must be a machine that opens
    out << "created " << dir << " from " << source.string() << "\n";
    installHostSoftware(dir, engines, serverModule, out);
}

void createFromBundle(const std::string& dir, const std::string& bundle, const std::string& engines,
                      const std::string& serverModule, std::ostream& out, std::ostream& err) {
    qmreplay::ReplayResult result;
    std::string error;
    if (!qmreplay::replayBundleFile(dir, bundle, result, error)) {
        for (const std::string& mismatch : result.mismatches) {
            err << "qmmachine: " << mismatch << "\n";
        }
        throw Failure{error};
    }
    (void)openMachine(dir);
    out << "created " << dir << " from the support bundle " << bundle << "\n";
    for (const std::string& note : result.notes) {
        out << "note: " << note << "\n";
    }
    installHostSoftware(dir, engines, serverModule, out);
}

// ---- show -----------------------------------------------------------------

struct ServiceRow {
    std::wstring name;
    std::optional<std::uint32_t> type, start;
    std::wstring objectName, imagePath;
    bool configured = false;
    ServiceBehaviour behaviour;
};

std::optional<std::uint32_t> dword(const RegKey& key, const wchar_t* name) {
    std::uint32_t value = 0;
    if (key.readDword(name, value) != kErrorSuccess) {
        return std::nullopt;
    }
    return value;
}

std::vector<ServiceRow> services(Registry& registry, const MachineSettings& settings) {
    std::map<std::wstring, ServiceRow, NoCaseLess> rows;
    std::unique_ptr<RegistryKey> list;
    if (registry.openKey(RegRoot::LocalMachine, kServicesKey, RegAccess::Read, list) == kErrorSuccess) {
        std::wstring name;
        for (std::uint32_t i = 0; list->enumKey(i, name) == kErrorSuccess; ++i) {
            RegKey key;
            if (key.open(registry, RegRoot::LocalMachine, std::wstring(kServicesKey) + L"\\" + name,
                         RegAccess::Read) != kErrorSuccess) {
                continue;
            }
            ServiceRow row;
            row.name = name;
            row.type = dword(key, L"Type");
            if (!row.type) {
                continue; // settings of a driver, no service
            }
            row.configured = true;
            row.start = dword(key, L"Start");
            (void)key.readString(L"ObjectName", row.objectName);
            (void)key.readString(L"ImagePath", row.imagePath);
            rows.emplace(name, std::move(row));
        }
    }
    for (const auto& [name, behaviour] : settings.services) {
        ServiceRow& row = rows[name];
        if (row.name.empty()) {
            row.name = name;
        }
        row.behaviour = behaviour;
    }
    std::vector<ServiceRow> result;
    for (auto& [name, row] : rows) {
        result.push_back(std::move(row));
    }
    return result;
}

struct HiveSummary {
    std::uint64_t keys = 0;
    std::uint64_t values = 0;
};

void countBelow(Registry& registry, RegRoot root, const std::wstring& path, HiveSummary& summary, int depth) {
    std::unique_ptr<RegistryKey> key;
    if (depth > 512 || registry.openKey(root, path, RegAccess::Read, key) != kErrorSuccess) {
        return;
    }
    std::uint32_t subKeys = 0;
    std::uint32_t values = 0;
    if (key->queryInfo(subKeys, values) == kErrorSuccess) {
        summary.values += values;
    }
    std::wstring name;
    for (std::uint32_t i = 0; key->enumKey(i, name) == kErrorSuccess; ++i) {
        ++summary.keys;
        countBelow(registry, root, path.empty() ? name : path + L"\\" + name, summary, depth + 1);
    }
}

std::vector<std::wstring> subKeys(Registry& registry, RegRoot root, std::wstring_view path) {
    std::vector<std::wstring> names;
    std::unique_ptr<RegistryKey> key;
    if (registry.openKey(root, path, RegAccess::Read, key) == kErrorSuccess) {
        std::wstring name;
        for (std::uint32_t i = 0; key->enumKey(i, name) == kErrorSuccess; ++i) {
            names.push_back(name);
        }
    }
    return names;
}

std::string startName(std::optional<std::uint32_t> start) {
    static constexpr std::array kNames{"boot", "system", "automatic", "demand", "disabled"};
    if (!start) {
        return "-";
    }
    const std::string number = std::to_string(*start);
    return *start < kNames.size() ? number + " (" + kNames[*start] + ")" : number;
}

std::string flagNames(std::uint32_t flags) {
    static constexpr std::array<std::pair<std::uint32_t, const char*>, 5> kFlags{
        {{0x1, "shutdown"}, {0x2, "reboot"}, {0x4, "force"}, {0x8, "power off"}, {0x10, "force if hung"}}};
    std::string names;
    for (const auto& [bit, name] : kFlags) {
        if (flags & bit) {
            names += (names.empty() ? "" : ", ") + std::string(name);
        }
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(flags));
    return std::string(hex) + " (" + (names.empty() ? "log off" : names) + ")";
}

std::string stateName(const ServiceBehaviour& b) {
    return b.state == ServiceRunState::Running ? "running" : "stopped";
}

void show(const std::string& dir, bool json, std::ostream& out) {
    const std::unique_ptr<Machine> machine = openMachine(dir);
    const Json document = machine->settingsDocument();
    MachineSettings settings;
    std::string error;
    if (!settingsFromJson(document, settings, error)) {
        throw Failure{error};
    }
    EmulatedRegistry registry = ownerRegistry(*machine);
    const std::vector<ServiceRow> rows = services(registry, settings);
    HiveSummary hklm, hkcu;
    countBelow(registry, RegRoot::LocalMachine, L"", hklm, 0);
    countBelow(registry, RegRoot::CurrentUser, L"", hkcu, 0);
    std::vector<std::string> others;
    for (const auto& item : document.items()) {
        static const std::set<std::string> kKnown{"userName", "administrator", "environment", "services",
                                                  "restarts"};
        if (!kKnown.contains(item.key())) {
            others.push_back(item.key());
        }
    }

    if (json) {
        Json doc;
        doc["machine"] = machine->root().string();
        doc["userName"] = toUtf8(settings.userName);
        doc["administrator"] = settings.administrator;
        Json env = Json::object();
        for (const auto& [name, value] : machine->environment()) {
            env[toUtf8(name)] = toUtf8(value);
        }
        doc["environment"] = env;
        Json list = Json::array();
        for (const ServiceRow& row : rows) {
            Json s{{"name", toUtf8(row.name)},
                   {"configured", row.configured},
                   {"state", stateName(row.behaviour)},
                   {"startSeconds", row.behaviour.startSeconds},
                   {"neverStarts", row.behaviour.neverStarts}};
            s["type"] = row.type ? Json(*row.type) : Json(nullptr);
            s["start"] = row.start ? Json(*row.start) : Json(nullptr);
            s["objectName"] = toUtf8(row.objectName);
            s["imagePath"] = toUtf8(row.imagePath);
            list.push_back(std::move(s));
        }
        doc["services"] = list;
        Json restarts = Json::array();
        for (const RestartRequest& r : settings.restarts) {
            restarts.push_back({{"flags", r.flags}, {"time", r.time}});
        }
        doc["restarts"] = restarts;
        doc["registry"] = {{"HKEY_LOCAL_MACHINE", {{"keys", hklm.keys}, {"values", hklm.values}}},
                           {"HKEY_CURRENT_USER", {{"keys", hkcu.keys}, {"values", hkcu.values}}}};
        doc["otherSettings"] = others;
        out << doc.dump(2) << "\n";
        return;
    }

    out << "Machine:        " << machine->root().string() << "\n";
    out << "User:           " << toUtf8(settings.userName) << "\n";
    out << "Administrator:  " << (settings.administrator ? "yes" : "no") << "\n";
    out << "Environment:\n";
    for (const auto& [name, value] : machine->environment()) {
        out << "  " << toUtf8(name) << "=" << toUtf8(value) << "\n";
    }
    out << "Services:\n";
    for (const ServiceRow& row : rows) {
        out << "  " << toUtf8(row.name) << ": " << stateName(row.behaviour);
        if (row.behaviour.neverStarts) {
            out << ", never starts";
        } else if (row.behaviour.startSeconds > 0) {
            out << ", starts in " << row.behaviour.startSeconds << " s";
        }
        if (!row.configured) {
            out << "; not configured in the registry\n";
            continue;
        }
        out << "; Start " << startName(row.start);
        if (!row.objectName.empty()) {
            out << ", ObjectName \"" << toUtf8(row.objectName) << "\"";
        }
        out << "\n";
        if (!row.imagePath.empty()) {
            out << "      ImagePath " << toUtf8(row.imagePath) << "\n";
        }
    }
    out << "Restart requests:";
    if (settings.restarts.empty()) {
        out << " none\n";
    } else {
        out << "\n";
        for (const RestartRequest& r : settings.restarts) {
            out << "  " << (r.time.empty() ? "(no time)" : r.time) << "  flags " << flagNames(r.flags)
                << "\n";
        }
    }
    out << "Registry:\n";
    out << "  HKEY_LOCAL_MACHINE: " << hklm.keys << " keys, " << hklm.values << " values\n";
    out << "  HKEY_CURRENT_USER:  " << hkcu.keys << " keys, " << hkcu.values << " values\n";
    std::string software;
    for (const std::wstring& name : subKeys(registry, RegRoot::LocalMachine, L"SOFTWARE")) {
        software += (software.empty() ? "" : ", ") + toUtf8(name);
    }
    out << "  HKEY_LOCAL_MACHINE\\SOFTWARE: " << (software.empty() ? "(empty)" : software) << "\n";
    if (!others.empty()) {
        out << "Other settings:";
        for (const std::string& key : others) {
            out << " " << key;
        }
        out << "\n";
    }
}

// ---- set ------------------------------------------------------------------

bool parseBool(const std::string& text, bool& out) {
    static const std::map<std::string, bool> kWords{{"true", true}, {"yes", true},    {"on", true},
                                                    {"1", true},    {"false", false}, {"no", false},
                                                    {"off", false}, {"0", false}};
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    const auto it = kWords.find(lower);
    if (it == kWords.end()) {
        return false;
    }
    out = it->second;
    return true;
}

// The entry of `object` whose name matches ignoring case (Windows names), or
// a new one spelt as given.
std::string matchingKey(const Json& object, const std::string& name) {
    if (object.is_object()) {
        for (const auto& item : object.items()) {
            if (equalNoCase(fromUtf8(item.key()), fromUtf8(name))) {
                return item.key();
            }
        }
    }
    return name;
}

Json& objectAt(Json& parent, const std::string& key) {
    Json& node = parent[key];
    if (!node.is_object()) {
        node = Json::object();
    }
    return node;
}

void applyService(Json& doc, const std::string& name, const std::string& field, const std::string& value) {
    Json& services = objectAt(doc, "services");
    const std::string key = matchingKey(services, name);
    if (field.empty()) {
        if (!value.empty()) {
            throw Failure{"services." + name + " takes no value but an empty one (which removes it)"};
        }
        services.erase(key);
        return;
    }
    Json& service = objectAt(services, key);
    if (field == "state") {
        service["state"] = value;
    } else if (field == "startSeconds") {
        if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos || value.size() > 6) {
            throw Failure{"services." + name + ".startSeconds must be a whole number of seconds"};
        }
        service["startSeconds"] = std::stoul(value);
    } else if (field == "neverStarts") {
        bool flag = false;
        if (!parseBool(value, flag)) {
            throw Failure{"services." + name + ".neverStarts must be true or false"};
        }
        service["neverStarts"] = flag;
    } else {
        throw Failure{"services have state, startSeconds and neverStarts, not \"" + field + "\""};
    }
}

void applyOther(Json& doc, const std::string& key, const std::string& value) {
    std::vector<std::string> path;
    for (std::size_t start = 0;;) {
        const std::size_t dot = key.find('.', start);
        path.push_back(key.substr(start, dot - start));
        if (dot == std::string::npos) {
            break;
        }
        start = dot + 1;
    }
    Json* node = &doc;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        node = &objectAt(*node, path[i]);
    }
    if (value.empty()) {
        node->erase(path.back());
        return;
    }
    Json parsed = Json::parse(value, nullptr, false);
    (*node)[path.back()] = parsed.is_discarded() ? Json(value) : std::move(parsed);
}

void applySetting(Json& doc, const std::string& assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw Failure{"\"" + assignment + "\" is not KEY=VALUE"};
    }
    const std::string key = assignment.substr(0, equals);
    const std::string value = assignment.substr(equals + 1);
    if (key.front() == '.' || key.back() == '.' || key.find("..") != std::string::npos) {
        throw Failure{"\"" + key + "\" is not a setting name"};
    }
    if (key == "userName") {
        throw Failure{"the user name is fixed when a machine is made (its folders carry it)"};
    }
    if (key == "administrator") {
        bool flag = false;
        if (!parseBool(value, flag)) {
            throw Failure{"administrator must be true or false"};
        }
        doc["administrator"] = flag;
    } else if (key.starts_with("environment.")) {
        const std::string name = key.substr(12);
        Json& env = objectAt(doc, "environment");
        const std::string existing = matchingKey(env, name);
        if (value.empty()) {
            env.erase(existing);
        } else {
            env[existing] = value;
        }
    } else if (key.starts_with("services.")) {
        // The last dot separates the field, unless the name itself is all there is.
        const std::string rest = key.substr(9);
        const std::size_t dot = rest.rfind('.');
        static const std::set<std::string> kFields{"state", "startSeconds", "neverStarts"};
        if (dot != std::string::npos && kFields.contains(rest.substr(dot + 1))) {
            applyService(doc, rest.substr(0, dot), rest.substr(dot + 1), value);
        } else {
            applyService(doc, rest, "", value);
        }
    } else if (key == "restarts") {
        if (!value.empty() && value != "[]") {
            throw Failure{"restarts can only be cleared (restarts=)"};
        }
        doc["restarts"] = Json::array();
    } else {
        applyOther(doc, key, value);
    }
}

void set(const std::string& dir, const std::vector<std::string>& assignments, std::ostream& out) {
    const std::unique_ptr<Machine> machine = openMachine(dir);
    std::string error;
    std::string failure;
    const bool ok = machine->updateSettings(
        [&](Json& doc, std::string&) {
            try {
                for (const std::string& assignment : assignments) {
                    applySetting(doc, assignment);
                }
                return true;
            } catch (const Failure& f) {
                failure = f.message;
                return false;
            }
        },
        error);
    if (!ok) {
        throw Failure{(failure.empty() ? error : failure) + "; nothing was changed"};
    }
    out << "set " << assignments.size() << (assignments.size() == 1 ? " setting" : " settings") << " in "
        << dir << "\n";
}

// ---- reg --------------------------------------------------------------------

void regExport(const std::string& dir, const std::string& keyPath, const std::string& file,
               std::ostream& out) {
    const std::unique_ptr<Machine> machine = openMachine(dir);
    std::wstring full = fromUtf8(keyPath);
    // reg.exe's short root names as well as regedit's long ones.
    static const std::array<std::pair<std::wstring_view, std::wstring_view>, 3> kShort{
        {{L"HKLM", L"HKEY_LOCAL_MACHINE"}, {L"HKCU", L"HKEY_CURRENT_USER"}, {L"HKCR", L"HKEY_CLASSES_ROOT"}}};
    for (const auto& [shortName, longName] : kShort) {
        const std::wstring_view head = std::wstring_view(full).substr(0, full.find(L'\\'));
        if (equalNoCase(head, shortName)) {
            full = std::wstring(longName) + full.substr(head.size());
        }
    }
    RegRoot root;
    std::wstring path;
    if (!splitRootPath(full, root, path)) {
        throw Failure{"\"" + keyPath +
                      "\" does not start with HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_CLASSES_ROOT"};
    }
    EmulatedRegistry registry = ownerRegistry(*machine);
    std::unique_ptr<RegistryKey> key;
    if (registry.openKey(root, path, RegAccess::Read, key) != kErrorSuccess) {
        throw Failure{"no key " + keyPath + " in " + dir};
    }
    std::string error;
    if (!registry.exportRegFile(root, path, file, error)) {
        throw Failure{error};
    }
    out << "exported " << keyPath << " to " << file << "\n";
}

void regImport(const std::string& dir, const std::string& file, std::ostream& out) {
    const std::unique_ptr<Machine> machine = openMachine(dir);
    EmulatedRegistry registry = ownerRegistry(*machine);
    std::string error;
    if (!registry.importRegFile(file, error)) {
        throw Failure{error + "; nothing was imported"};
    }
    out << "imported " << file << " into " << dir << "\n";
}

// ---- sample -----------------------------------------------------------------

void sample(const std::string& name, const std::string& dir, std::ostream& out) {
    std::string error;
    if (!buildSampleMachine(name, dir, error)) {
        throw Failure{error};
    }
    out << "built sample machine " << name << " in " << dir << "\n";
}

} // namespace

int runQmMachine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{kDescription, "qmmachine"};
    // An argument that starts with / is a path, on Windows too, never an option.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);

    std::string createDir, from, samples, engines;
    CLI::App* createCmd =
        app.add_subcommand("create", "make a machine from a sample machine or another machine");
    createCmd->add_option("DIR", createDir, "the new machine's folder (missing or empty)")->required();
    std::string fromBundle;
    CLI::Option* fromOption =
        createCmd->add_option("--from", from, "a sample name (healthy, broken, ...) or a machine folder");
    CLI::Option* bundleOption = createCmd->add_option(
        "--from-bundle", fromBundle, "a support bundle (qmdiag bundle): the customer's machine as it was");
    fromOption->excludes(bundleOption);
    createCmd->add_option("--samples", samples, "folder holding the sample machines");
    createCmd->add_option("--engines", engines,
                          "folder of the print engine builds (default: the ones built with qmmachine)");
    std::string serverModule = qmreplay::builtHostSoftware().serverModule.string();
    createCmd
        ->add_option("--server", serverModule,
                     "the DiscPrintMgr module installed into machines with the host software")
        ->capture_default_str();

    std::string showDir;
    bool json = false;
    CLI::App* showCmd =
        app.add_subcommand("show", "settings, services, restart requests and registry summary");
    showCmd->add_option("DIR", showDir, "the machine's folder")->required();
    showCmd->add_flag("--json", json, "one JSON document instead of text");

    std::string setDir;
    std::vector<std::string> assignments;
    CLI::App* setCmd = app.add_subcommand(
        "set", "change the machine's own settings, all or none: administrator=no, environment.NAME=VALUE,\n"
               "services.NAME.state=stopped|running, services.NAME.startSeconds=N,\n"
               "services.NAME.neverStarts=true|false, restarts= (clears), SECTION.KEY=JSON;\n"
               "an empty VALUE removes the setting");
    setCmd->add_option("DIR", setDir, "the machine's folder")->required();
    setCmd->add_option("KEY=VALUE", assignments, "settings to change")->required();

    CLI::App* regCmd = app.add_subcommand("reg", "the machine's registry as .reg files");
    regCmd->require_subcommand(1);
    std::string exportDir, exportKey, exportFile;
    CLI::App* exportCmd =
        regCmd->add_subcommand("export", "write a key and everything below it to a .reg file");
    exportCmd->add_option("DIR", exportDir, "the machine's folder")->required();
    exportCmd->add_option("KEY", exportKey, "e.g. HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmark")->required();
    exportCmd->add_option("FILE", exportFile, ".reg file to write (UTF-16LE, as regedit writes)")->required();
    std::string importDir, importFile;
    CLI::App* importCmd =
        regCmd->add_subcommand("import", "apply a .reg file (UTF-16LE or UTF-8), all or nothing");
    importCmd->add_option("DIR", importDir, "the machine's folder")->required();
    importCmd->add_option("FILE", importFile, ".reg file to apply")->required();

    std::string sampleName, sampleDir;
    CLI::App* sampleCmd = app.add_subcommand("sample", "build a sample machine from the suite's own data");
    sampleCmd->add_option("NAME", sampleName, "healthy, broken, slow-service, dead-service, bare or no-admin")
        ->required();
    sampleCmd->add_option("DIR", sampleDir, "the new machine's folder (missing or empty)")->required();

    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? kExitOk : kExitUsage;
    }
    if (*createCmd && from.empty() == fromBundle.empty()) {
        err << "qmmachine: create needs --from or --from-bundle\n";
        return kExitUsage;
    }
    try {
        if (*createCmd) {
            if (!fromBundle.empty()) {
                createFromBundle(createDir, fromBundle, engines, serverModule, out, err);
            } else {
                create(createDir, from, samples, engines, serverModule, out);
            }
        } else if (*showCmd) {
            show(showDir, json, out);
        } else if (*setCmd) {
            set(setDir, assignments, out);
        } else if (*exportCmd) {
            regExport(exportDir, exportKey, exportFile, out);
        } else if (*importCmd) {
            regImport(importDir, importFile, out);
        } else if (*sampleCmd) {
            sample(sampleName, sampleDir, out);
        }
    } catch (const Failure& f) {
        err << "qmmachine: " << f.message << "\n";
        return kExitFailed;
    } catch (const std::exception& e) {
        err << "qmmachine: " << e.what() << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace qmmachine
