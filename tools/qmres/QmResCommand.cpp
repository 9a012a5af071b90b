#include "QmResCommand.h"

#include "platform/Win32Codes.h"
#include "platform/WindowsText.h"
#include "platform/formats/EvtFile.h"
#include "platform/formats/EvtxFile.h"
#include "platform/formats/HostFiles.h"
#include "platform/formats/MessageTable.h"
#include "platform/formats/PeImage.h"
#include "platform/formats/VersionBlock.h"
#include "platform/machine/EmulatedSystem.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>

namespace qmres {

namespace {

using Json = nlohmann::ordered_json;
using namespace qmplatform;
namespace fs = std::filesystem;

std::string utf8(std::wstring_view text) {
    return toUtf8(text);
}

std::string hex(std::span<const std::uint8_t> data) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : data) {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 15]);
    }
    return text;
}

std::string versionText(std::uint32_t ms, std::uint32_t ls) {
    return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) +
           "." + std::to_string(ls & 0xFFFF);
}

constexpr const wchar_t* kStandardStrings[] = {
    L"Comments",     L"CompanyName",    L"FileDescription", L"FileVersion",
    L"InternalName", L"LegalCopyright", L"LegalTrademarks", L"OriginalFilename",
    L"PrivateBuild", L"ProductName",    L"ProductVersion",  L"SpecialBuild",
};

// The services a command reads through: the emulated machine's, or the
// platform's default system (the real one on Windows).
struct Backends {
    std::unique_ptr<System> system;
    // Reads a whole file by Windows path, through the system's files.
    bool readFile(std::wstring_view path, std::vector<std::uint8_t>& out) const {
        return readWholeFile(system->files(), path, out, emulated::kMaxReadFileSize) == WholeFile::Read;
    }
};

bool makeBackends(const std::string& machineDir, Backends& b, std::string& error) {
    if (machineDir.empty()) {
        b.system = makeDefaultSystem(error);
    } else {
        b.system = emulated::makeEmulatedSystem(machineDir, {}, error);
    }
    return b.system != nullptr;
}

bool readFile(const fs::path& path, std::vector<std::uint8_t>& out) {
    return emulated::readHostFile(path, out) == kErrorSuccess;
}

// --- pe: the project's reader's own view of a file -------------------------

Json versionJson(std::span<const std::uint8_t> block) {
    Json v = Json::object();
    pe::VersionValue root;
    if (pe::queryVersionValue(block, L"\\", root) && root.bytes.size() >= pe::kFixedFileInfoSize) {
        std::uint32_t f[13];
        for (std::size_t i = 0; i < 13; ++i) {
            std::memcpy(&f[i], root.bytes.data() + 4 * i, 4);
        }
        v["fileVersion"] = versionText(f[2], f[3]);
        v["productVersion"] = versionText(f[4], f[5]);
        v["fileFlags"] = f[7];
        v["fileOS"] = f[8];
        v["fileType"] = f[9];
    }
    Json translations = Json::array();
    pe::VersionValue translation;
    if (pe::queryVersionValue(block, L"\\VarFileInfo\\Translation", translation)) {
        for (std::size_t at = 0; at + 4 <= translation.bytes.size(); at += 4) {
            std::uint32_t value = 0;
            std::memcpy(&value, translation.bytes.data() + at, 4);
            translations.push_back(value);
        }
    }
    v["translations"] = translations;
    Json strings = Json::array();
    std::vector<pe::VersionString> list;
    if (pe::listVersionStrings(block, list)) {
        for (const auto& s : list) {
            strings.push_back({{"table", utf8(s.table)}, {"name", utf8(s.name)}, {"value", utf8(s.value)}});
        }
    }
    v["strings"] = strings;
    return v;
}

Json peJson(const std::string& file) {
    Json j = {{"file", file}};
    std::vector<std::uint8_t> bytes;
    if (!readFile(fs::path(file), bytes)) {
        j["status"] = "cannot read";
        return j;
    }
    pe::PeImage image;
    const pe::PeStatus status = pe::PeImage::parse(bytes, image);
    j["status"] = pe::statusText(status);
    if (status != pe::PeStatus::Ok) {
        return j;
    }
    j["machine"] = image.machine();
    j["pe32plus"] = image.isPe32Plus();
    std::vector<pe::ResourceLeaf> leaves;
    const pe::PeStatus tree = image.resources(leaves);
    j["resourceStatus"] = pe::statusText(tree);
    Json resources = Json::array();
    Json messages = Json::array();
    auto idJson = [](const pe::ResourceId& id) { return id.isName ? Json(utf8(id.name)) : Json(id.id); };
    for (const pe::ResourceLeaf& leaf : leaves) {
        resources.push_back({{"type", idJson(leaf.type)},
                             {"name", idJson(leaf.name)},
                             {"language", leaf.language},
                             {"size", leaf.size}});
        std::span<const std::uint8_t> data;
        if (leaf.type.isName || !image.mapRva(leaf.dataRva, leaf.size, data)) {
            continue;
        }
        if (leaf.type.id == pe::kRtVersion && !j.contains("version")) {
            j["version"] = versionJson(data);
        } else if (leaf.type.id == pe::kRtMessageTable) {
            std::vector<std::pair<std::uint32_t, std::wstring>> list;
            if (pe::listMessages(data, list) == pe::MessageLookup::Found) {
                for (const auto& [id, text] : list) {
                    messages.push_back({{"language", leaf.language}, {"id", id}, {"text", utf8(text)}});
                }
            } else {
                messages.push_back({{"language", leaf.language}, {"error", "malformed message table"}});
            }
        }
    }
    j["resources"] = resources;
    j["messages"] = messages;
    return j;
}

// --- version: through the VersionInfo interface ----------------------------

Json apiVersionJson(Backends& b, const std::string& pathText) {
    const std::wstring path = fromUtf8(pathText);
    Json j = {{"path", pathText}};
    long error = 0;
    const std::uint32_t size = b.system->versionInfo().infoSize(path, error);
    j["size"] = size;
    j["error"] = error;
    if (size == 0) {
        return j;
    }
    std::vector<std::uint8_t> block(size);
    if (!b.system->versionInfo().info(path, block, error)) {
        j["error"] = error;
        return j;
    }
    FixedFileInfo fixed;
    if (queryFixedFileInfo(b.system->versionInfo(), block, fixed)) {
        j["fileVersion"] = versionText(fixed.fileVersionMS, fixed.fileVersionLS);
        j["productVersion"] = versionText(fixed.productVersionMS, fixed.productVersionLS);
        j["fileFlags"] = fixed.fileFlags;
        j["fileOS"] = fixed.fileOS;
        j["fileType"] = fixed.fileType;
    }
    std::vector<std::uint32_t> translations;
    if (queryTranslations(b.system->versionInfo(), block, translations)) {
        j["translations"] = translations;
    }
    if (!translations.empty()) {
        Json strings = Json::object();
        wchar_t table[16];
        std::swprintf(table, 16, L"%04x%04x", translations[0] & 0xFFFF, translations[0] >> 16);
        for (const wchar_t* name : kStandardStrings) {
            VersionQueryResult result;
            const std::wstring sub = std::wstring(L"\\StringFileInfo\\") + table + L"\\" + name;
            if (b.system->versionInfo().queryValue(block, sub, result)) {
                std::wstring text;
                queryVersionString(b.system->versionInfo(), block,
                                   static_cast<std::uint16_t>(translations[0] & 0xFFFF),
                                   static_cast<std::uint16_t>(translations[0] >> 16), name, text);
                strings[utf8(name)] = {{"value", utf8(text)}, {"length", result.length}};
            }
        }
        j["strings"] = strings;
    }
    return j;
}

// --- messages: every message of a module through the MessageTables interface

// Arguments that suit each insert of a pattern: numbers where a format asks
// for one, texts elsewhere, so that both systems format the same values.
std::vector<MessageArgument> argumentsFor(std::wstring_view pattern) {
    std::vector<MessageArgument> args;
    for (int i = 1; i <= 99; ++i) {
        args.push_back(MessageArgument::fromText(L"<" + std::to_wstring(i) + L">"));
    }
    for (std::size_t at = 0; at + 1 < pattern.size(); ++at) {
        if (pattern[at] != L'%') {
            continue;
        }
        if (pattern[at + 1] == L'%') {
            ++at;
            continue;
        }
        std::size_t pos = at + 1;
        int insert = 0;
        while (pos < pattern.size() && pattern[pos] >= L'0' && pattern[pos] <= L'9' && pos < at + 3) {
            insert = insert * 10 + (pattern[pos] - L'0');
            ++pos;
        }
        if (insert < 1 || pos >= pattern.size() || pattern[pos] != L'!') {
            continue;
        }
        const std::size_t close = pattern.find(L'!', pos + 1);
        const std::wstring_view spec =
            pattern.substr(pos + 1, close == std::wstring_view::npos ? 0 : close - pos - 1);
        int next = insert;
        for (wchar_t c : spec) {
            if (c == L'*' && next <= 99) {
                args[static_cast<std::size_t>(next - 1)] = MessageArgument::fromNumber(5);
                ++next;
            }
        }
        if (!spec.empty() && next <= 99 &&
            std::wstring_view(L"diuxXoc").find(spec.back()) != std::wstring_view::npos) {
            args[static_cast<std::size_t>(next - 1)] =
                MessageArgument::fromNumber(spec.back() == L'c' ? 0x40u + static_cast<unsigned>(next)
                                                                : 1000u + static_cast<unsigned>(next));
        }
    }
    return args;
}

Json apiMessagesJson(Backends& b, const std::string& pathText, std::string& error) {
    const std::wstring path = fromUtf8(pathText);
    std::vector<std::uint8_t> bytes;
    if (!b.readFile(path, bytes)) {
        error = "cannot read " + pathText;
        return {};
    }
    pe::PeImage image;
    std::span<const std::uint8_t> table;
    const std::uint16_t english[] = {0x0409};
    std::vector<std::pair<std::uint32_t, std::wstring>> list;
    if (pe::PeImage::parse(bytes, image) != pe::PeStatus::Ok ||
        image.findResource(pe::kRtMessageTable, 1, english, table) != pe::PeStatus::Ok ||
        pe::listMessages(table, list) != pe::MessageLookup::Found) {
        error = pathText + " has no readable message table";
        return {};
    }
    long loadError = 0;
    const ModuleHandle module = b.system->libraries().load(path, kLoadLibraryAsDatafile, loadError);
    if (module == nullptr) {
        error = "cannot load " + pathText + ": error " + std::to_string(loadError);
        return {};
    }
    Json messages = Json::array();
    for (const auto& [id, pattern] : list) {
        const std::vector<MessageArgument> args = argumentsFor(pattern);
        std::wstring text;
        const long result = b.system->messages().formatMessage(module, id, kDefaultLanguage, args, 0, text);
        Json m = {{"id", id}, {"error", result}};
        if (result == kErrorSuccess) {
            m["text"] = utf8(text);
        }
        messages.push_back(m);
    }
    b.system->libraries().free(module);
    return {{"path", pathText}, {"messages", messages}};
}

// --- evt and log: event records ---------------------------------------------

Json recordJson(std::span<const std::uint8_t> record) {
    EventLogRecordView view;
    if (!parseEventLogRecord(record, view)) {
        return {{"error", "malformed record"}, {"length", record.size()}};
    }
    Json strings = Json::array();
    for (const std::wstring& s : view.strings) {
        strings.push_back(utf8(s));
    }
    return {{"recordNumber", view.recordNumber},
            {"timeGenerated", view.timeGenerated},
            {"timeWritten", view.timeWritten},
            {"eventId", view.eventId},
            {"eventType", view.eventType},
            {"eventCategory", view.eventCategory},
            {"sourceName", utf8(view.sourceName)},
            {"computerName", utf8(view.computerName)},
            {"userSid", hex(view.userSid)},
            {"strings", strings},
            {"data", hex(view.data)}};
}

Json evtJson(const std::string& file, bool& ok) {
    Json j = {{"file", file}};
    std::vector<std::uint8_t> bytes;
    evt::EvtLog log;
    std::string reason;
    if (!readFile(fs::path(file), bytes) || !evt::readEvtFile(bytes, log, reason)) {
        j["error"] = reason.empty() ? "cannot read" : reason;
        ok = false;
        return j;
    }
    j["flags"] = log.flags;
    j["oldestRecordNumber"] = log.oldestRecordNumber;
    j["currentRecordNumber"] = log.currentRecordNumber;
    j["damaged"] = log.damaged;
    Json records = Json::array();
    for (const auto& record : log.records) {
        records.push_back(recordJson(record));
    }
    j["records"] = records;
    return j;
}

// --- evtx: the records of XML event-log files ------------------------------

// Seconds since 1970 of a FILETIME, as .evt records keep their times.
std::int64_t unixSeconds(std::uint64_t fileTime) {
    return static_cast<std::int64_t>(fileTime / 10000000) - 11644473600;
}

// One JSON object written straight into a string, as Json's dump() writes
// it (compact, keys in the order given, UTF-8 unescaped): a large log has
// hundreds of thousands of records, and building a Json tree for each cost
// many times what reading them does.
class JsonObjectText {
public:
    explicit JsonObjectText(std::string& out) : out_(out) { out_ += '{'; }
    void end() { out_ += '}'; }

    JsonObjectText& key(std::string_view name) {
        if (!first_) {
            out_ += ',';
        }
        first_ = false;
        string(out_, name);
        out_ += ':';
        return *this;
    }
    void value(std::string_view text) { string(out_, text); }
    void value(std::wstring_view text) { string(out_, text); }
    template <typename Integer>
    requires std::is_integral_v<Integer>
    void value(Integer n) {
        char digits[24];
        const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, n);
        out_.append(digits, end);
    }
    void null() { out_ += "null"; }
    void raw(std::string_view json) { out_ += json; }

    // A UTF-16 text through one buffer kept for all of them.
    static void string(std::string& out, std::wstring_view text) {
        static thread_local std::string utf8Text;
        utf8Text.clear();
        appendUtf8(utf8Text, text);
        string(out, std::string_view(utf8Text));
    }
    static void string(std::string& out, std::string_view text) {
        static const char hexDigits[] = "0123456789abcdef";
        out += '"';
        std::size_t plain = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c >= 0x20 && c != '"' && c != '\\') {
                continue;
            }
            out.append(text.substr(plain, i - plain));
            plain = i + 1;
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += "\\u00";
                out += hexDigits[c >> 4];
                out += hexDigits[c & 15];
            }
        }
        out.append(text.substr(plain));
        out += '"';
    }

private:
    std::string& out_;
    bool first_ = true;
};

// The fields a .evt record has too come first, under the same names; the
// rest are the .evtx record's own.
void appendEvtxRecordJson(std::string& out, const evtx::EvtxRecord& r) {
    // The values are printed twice; their UTF-8 buffers are kept from one
    // record to the next.
    static thread_local std::vector<std::string> values;
    if (values.size() < r.data.size()) {
        values.resize(r.data.size());
    }
    std::string data;
    for (std::size_t i = 0; i < r.data.size(); ++i) {
        values[i].clear();
        appendUtf8(values[i], r.data[i].value);
        if (r.dataKind == evtx::EvtxDataKind::EventData && r.data[i].name == L"Binary") {
            data += values[i];
        }
    }
    for (char& c : data) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    char keywords[24];
    std::snprintf(keywords, sizeof keywords, "0x%016llx", static_cast<unsigned long long>(r.keywords));
    static const char* const kinds[] = {nullptr, "EventData", "UserData"};
    const char* kind = kinds[static_cast<int>(r.dataKind)];

    JsonObjectText j(out);
    j.key("recordNumber").value(r.recordNumber);
    j.key("timeGenerated").value(unixSeconds(r.timeCreated));
    j.key("timeWritten").value(unixSeconds(r.timeWritten));
    j.key("eventId").value(r.fullEventId());
    j.key("eventType").value(evtx::classicEventType(r));
    j.key("eventCategory").value(r.task);
    j.key("sourceName").value(r.source());
    j.key("computerName").value(r.computer);
    j.key("strings").raw("[");
    for (std::size_t i = 0; i < r.data.size(); ++i) {
        j.raw(i == 0 ? "" : ",");
        j.value(std::string_view(values[i]));
    }
    j.raw("]");
    j.key("data").value(data);
    j.key("timeCreatedUtc").value(evtx::fileTimeText(r.timeCreated));
    j.key("timeWrittenUtc").value(evtx::fileTimeText(r.timeWritten));
    j.key("providerName").value(r.providerName);
    j.key("providerGuid").value(r.providerGuid);
    j.key("eventSourceName").value(r.eventSourceName);
    j.key("eventIdentifier").value(r.eventId);
    if (r.qualifiers) {
        j.key("qualifiers").value(*r.qualifiers);
    } else {
        j.key("qualifiers").null();
    }
    j.key("version").value(r.version);
    j.key("level").value(r.level);
    j.key("task").value(r.task);
    j.key("opcode").value(r.opcode);
    j.key("keywords").value(std::string_view(keywords));
    j.key("channel").value(r.channel);
    j.key("userId").value(r.userSid);
    j.key("processId").value(r.processId);
    j.key("threadId").value(r.threadId);
    if (kind != nullptr) {
        j.key("dataKind").value(std::string_view(kind));
    } else {
        j.key("dataKind").null();
    }
    j.key("userDataName").value(r.userDataName);
    j.key("eventData").raw("[");
    for (std::size_t i = 0; i < r.data.size(); ++i) {
        j.raw(i == 0 ? "{\"name\":" : ",{\"name\":");
        JsonObjectText::string(out, std::wstring_view(r.data[i].name));
        j.raw(",\"value\":");
        JsonObjectText::string(out, std::string_view(values[i]));
        j.raw("}");
    }
    j.raw("]");
    j.key("chunk").value(r.chunk);
    j.key("offset").value(r.offset);
    j.end();
}

// Streams one file's object: the records as they are read, one a line, so
// that a large log never sits in memory twice.
bool writeEvtxJson(const std::string& file, std::ostream& out, std::ostream& err) {
    std::vector<std::uint8_t> bytes;
    Json head = {{"file", file}};
    out << head.dump().substr(0, head.dump().size() - 1);
    evtx::EvtxFileInfo info;
    std::string reason;
    bool first = true;
    evtx::EvtxCallbacks callbacks;
    std::string line;
    callbacks.record = [&](const evtx::EvtxRecord& r) {
        line.assign(first ? ",\"records\":[\n" : ",\n");
        appendEvtxRecordJson(line, r);
        out << line;
        first = false;
        return true;
    };
    if (!readFile(fs::path(file), bytes) || !evtx::readEvtx(bytes, callbacks, info, reason)) {
        reason = reason.empty() ? "cannot read" : reason;
        err << "qmres: " << file << ": " << reason << "\n";
        out << "," << Json({{"error", reason}}).dump().substr(1);
        return false;
    }
    out << (first ? ",\"records\":[]" : "\n]");
    Json problems = Json::array();
    for (const evtx::EvtxProblem& p : info.problems) {
        err << "qmres: " << file << ": " << p.text << "\n";
        problems.push_back(p.text);
    }
    const Json tail = {{"majorVersion", info.majorVersion},
                       {"minorVersion", info.minorVersion},
                       {"flags", info.flags},
                       {"dirty", info.dirty()},
                       {"chunks", info.chunksInFile},
                       {"chunksRead", info.chunksRead},
                       {"chunksSkipped", info.chunksSkipped},
                       {"recordsRead", info.recordsRead},
                       {"recordsSkipped", info.recordsSkipped},
                       {"damaged", !info.problems.empty()},
                       {"problems", problems}};
    out << "," << tail.dump().substr(1);
    return true;
}

} // namespace

int runQmRes(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{
        "Version resources, message tables and event logs, as the system and the emulated machine read "
        "them",
        "qmres"};
    // An argument that starts with / is a path, on Windows too, never an option.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    std::vector<std::string> files;
    std::string machineDir;
    std::string backup;
    std::string logName = "Application";

    CLI::App* pe =
        app.add_subcommand("pe", "the project's PE reader's view of files: resources, version, messages");
    pe->add_option("FILE", files, "PE files (host paths)")->required();
    CLI::App* version = app.add_subcommand("version", "version resources through the version functions");
    version->add_option("--machine", machineDir,
                        "emulated machine folder (default: the real system on Windows)");
    version->add_option("PATH", files, "Windows paths")->required();
    CLI::App* messages = app.add_subcommand("messages", "every message of a module through FormatMessage");
    messages->add_option("--machine", machineDir, "emulated machine folder");
    messages->add_option("MODULE", files, "Windows path of the module")->required()->expected(1);
    CLI::App* evtCommand = app.add_subcommand("evt", "the records of .evt files, oldest first");
    evtCommand->add_option("FILE", files, ".evt files (host paths)")->required();
    CLI::App* evtxCommand = app.add_subcommand("evtx", "the records of .evtx files, in file order");
    evtxCommand->add_option("FILE", files, ".evtx files (host paths)")->required();
    CLI::App* logCommand = app.add_subcommand("log", "an event log read newest first, 64 KiB at a time");
    logCommand->add_option("--machine", machineDir, "emulated machine folder");
    logCommand->add_option("--backup", backup, "Windows path of a saved .evt file instead of a log");
    logCommand->add_option("NAME", logName, "log name (default Application)");

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        err << "qmres: " << e.what() << "\n" << app.help();
        return kExitUsage;
    }

    Json result;
    std::string error;
    bool ok = true;
    if (pe->parsed()) {
        result = Json::array();
        for (const std::string& file : files) {
            result.push_back(peJson(file));
            ok = ok && result.back()["status"] == "ok";
        }
    } else if (evtxCommand->parsed()) {
        out << "[";
        for (std::size_t i = 0; i < files.size(); ++i) {
            out << (i == 0 ? "\n" : ",\n");
            ok = writeEvtxJson(files[i], out, err) && ok;
        }
        out << "\n]\n";
    } else if (evtCommand->parsed()) {
        result = Json::array();
        for (const std::string& file : files) {
            result.push_back(evtJson(file, ok));
        }
    } else {
        Backends backends;
        if (!makeBackends(machineDir, backends, error)) {
            err << "qmres: " << error << "\n";
            return kExitFailed;
        }
        if (version->parsed()) {
            result = Json::array();
            for (const std::string& file : files) {
                result.push_back(apiVersionJson(backends, file));
                ok = ok && result.back()["error"] == kErrorSuccess;
            }
        } else if (messages->parsed()) {
            result = apiMessagesJson(backends, files.front(), error);
            ok = error.empty();
        } else if (logCommand->parsed()) {
            long openError = 0;
            const EventLogHandle handle =
                backup.empty() ? backends.system->eventLog().open(fromUtf8(logName), openError)
                               : backends.system->eventLog().openBackup(fromUtf8(backup), openError);
            if (handle == nullptr) {
                err << "qmres: cannot open the event log: error " << openError << "\n";
                return kExitFailed;
            }
            Json records = Json::array();
            const long end = readEventLogBackwards(
                backends.system->eventLog(), handle, 65536,
                [&](std::span<const std::uint8_t> r) { records.push_back(recordJson(r)); });
            backends.system->eventLog().close(handle);
            result = {{"log", backup.empty() ? logName : backup}, {"end", end}, {"records", records}};
            ok = end == kErrorHandleEof;
        }
    }
    if (!error.empty()) {
        err << "qmres: " << error << "\n";
    }
    if (!result.is_null()) {
        out << result.dump(2) << "\n";
    }
    return ok ? kExitOk : kExitFailed;
}

} // namespace qmres
