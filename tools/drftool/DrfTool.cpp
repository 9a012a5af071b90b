#include "DrfTool.h"

#include "drf/DrfBuilder.h"

#include "drf/DrfDocument.h"
#include "drf/DriveMediaNames.h"
#include "drf/EditorValues.h"
#include "drf/KeyTables.h"
#include "drf/Status.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <sstream>

namespace drftool {

namespace {

constexpr std::string_view kUsage =
    "Usage:\n"
    "  drftool info FILE [--json]\n"
    "      format version, drive id, sections, supported and unsupported media\n"
    "  drftool dump FILE [--media M --quality Q] [--json]\n"
    "      every print mode with every named key of every record, or the 21 editor\n"
    "      values of one print mode\n"
    "  drftool set FILE --media M --quality Q KEY=VALUE... -o OUT\n"
    "      change values of one print mode and save the DRF as OUT; KEY is a key name\n"
    "      (TrackSpacingNM) or Kind.Key (Marking2File.FocusOffset)\n"
    "  drftool diff A B [--json]\n"
    "      header fields, print modes and key values that differ, one line each\n"
    "  drftool sample OUT [--format N]\n"
    "      writes a sample DRF of format N (1-4, default 3) for trying things out\n"
    "  drftool preview FILE --media M --quality Q [--set KEY=VALUE...] [--picture PIC] -o DIR\n"
    "      the sample label (or PIC) as two print jobs, DIR/file.tolm with the values of\n"
    "      FILE and DIR/changed.tolm with the --set values, and DIR/difference.png;\n"
    "      FILE is not changed\n"
    "Qualities: 0 / Best, 1 / Normal, 2 / Draft. Exit status: 0 success, 1 usage, 2 failure.\n";

struct Options {
    std::string command;
    std::vector<std::string> positional;
    std::optional<std::string> media;
    std::optional<std::string> quality;
    std::optional<std::string> output;
    std::optional<std::string> format;
    bool json = false;
    bool help = false;
};

struct UsageError {
    std::string message;
};

Options parse(const std::vector<std::string>& args) {
    Options o;
    std::string media, quality, output, format;
    std::vector<std::string> words;
    CLI::App app("drftool");
    // An argument that starts with / is a path, on Windows too, never an option.
    app.allow_windows_style_options(false);
    // The help text and the refusals stay drftool's own, in its own words.
    app.set_help_flag();
    app.allow_extras();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_flag("-h,--help", o.help);
    app.add_flag("--json", o.json);
    CLI::Option* mediaOption = app.add_option("--media", media);
    CLI::Option* qualityOption = app.add_option("--quality", quality);
    CLI::Option* outputOption = app.add_option("-o,--output", output);
    CLI::Option* formatOption = app.add_option("--format", format);
    app.add_option("words", words, "the command, then its files and KEY=VALUE assignments");
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        throw UsageError{e.what()};
    }
    if (const auto unknown = app.remaining(); !unknown.empty())
        throw UsageError{"unknown option " + unknown.front()};
    auto set = [](const CLI::Option* option, const std::string& value, std::optional<std::string>& into) {
        if (option->count() > 0)
            into = value;
    };
    set(mediaOption, media, o.media);
    set(qualityOption, quality, o.quality);
    set(outputOption, output, o.output);
    set(formatOption, format, o.format);
    if (!words.empty()) {
        o.command = words.front();
        o.positional.assign(words.begin() + 1, words.end());
    }
    return o;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
    std::int64_t value = 0;
    int base = 10;
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return negative ? -value : value;
}

std::uint16_t parseMedia(const std::string& text) {
    auto v = parseInteger(text);
    if (!v || *v < 0 || *v > 65535)
        throw UsageError{"media must be a number from 0 to 65535: " + text};
    return static_cast<std::uint16_t>(*v);
}

std::uint16_t parseQuality(const std::string& text) {
    if (auto v = parseInteger(text); v && *v >= 0 && *v <= 65535)
        return static_cast<std::uint16_t>(*v);
    for (const auto& row : drf::kEditorQualities) {
        if (row.name == text)
            return row.value;
    }
    for (const auto& row : drf::kQualityNames) {
        if (row.name == text && row.value != drf::kQualityInvalid)
            return row.value;
    }
    throw UsageError{"unknown quality " + text + " (use 0/Best, 1/Normal, 2/Draft)"};
}

std::string qualityText(std::uint16_t quality) {
    return std::string(drf::qualityValueToName(quality));
}

std::string_view libraryName(int type) {
    return drf::DrfHeader::isSectionType(type) ? drf::kFactoryNames[static_cast<std::size_t>(type - 1)]
                                               : std::string_view("unknown");
}

// Loads a DRF; on failure explains why on err.
bool load(drf::DrfDocument& doc, const std::string& path, std::ostream& err) {
    const int status = doc.Load(std::filesystem::path(path));
    if (status == drf::kOk)
        return true;
    err << "drftool: cannot read " << path << ": result " << drf::toResult(status) << " (status " << status
        << ": " << drf::statusText(status) << ")";
    if (!doc.lastReason().empty())
        err << ": " << doc.lastReason();
    err << "\n";
    return false;
}

// Every element of a named key, as numbers.
std::vector<std::int64_t> keyValues(const drf::KeyDescriptor& key, std::span<const std::uint8_t> record) {
    std::vector<std::int64_t> values;
    for (std::uint32_t i = 0; i < key.count; ++i) {
        std::int64_t v = 0;
        if (drf::readKeyValue(key, record, i, v) != drf::kOk)
            break;
        values.push_back(v);
    }
    return values;
}

std::string joined(const std::vector<std::int64_t>& values) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i ? ", " : "") + std::to_string(values[i]);
    return text;
}

std::string mediaText(std::uint16_t media) {
    return drf::MediaDisplayText(media, true);
}

// Key order is part of the output, so objects keep the order they are built in.
using Json = nlohmann::ordered_json;

// One document on one line. DRF texts are 8-bit without a declared code page:
// what is not UTF-8 is shown as U+FFFD rather than guessed at.
void writeJson(std::ostream& out, const Json& document) {
    out << document.dump(-1, ' ', true, Json::error_handler_t::replace) << '\n';
}

// The reason of the last failure, if the document has one, after a separator.
std::string reasonOf(const drf::DrfDocument& doc) {
    return doc.lastReason().empty() ? std::string() : ": " + doc.lastReason();
}

// ---- info ------------------------------------------------------------------------

int info(const Options& o, std::ostream& out, std::ostream& err) {
    if (o.positional.size() != 1)
        throw UsageError{"info needs one FILE"};
    drf::DrfDocument doc;
    if (!load(doc, o.positional[0], err))
        return kExitFailed;
    const drf::DrfHeader& h = doc.loadedHeader();
    const std::string driveName = drf::DriveName(h.driveId);
    if (o.json) {
        Json sections = Json::array();
        for (const auto& lib : doc.libraries()) {
            sections.push_back({{"type", lib->sectionType()},
                                {"library", libraryName(lib->sectionType())},
                                {"generation", lib->generation()},
                                {"size", h.sizeOfType(lib->sectionType())},
                                {"printModes", lib->printModes().size()}});
        }
        Json j = {{"file", o.positional[0]},
                  {"formatVersion", h.formatVersion},
                  {"driveId", h.driveId},
                  {"driveName", driveName},
                  {"sections", sections}};
        for (auto [name, list] : {std::pair{"supportedMedia", doc.supportedMedia()},
                                  std::pair{"unsupportedMedia", doc.unsupportedMedia()}}) {
            Json media = Json::array();
            for (std::uint16_t id : list)
                media.push_back({{"id", id}, {"name", drf::MediaDisplayText(id, false)}});
            j[name] = media;
        }
        writeJson(out, j);
        return kExitOk;
    }
    out << "File: " << o.positional[0] << "\n";
    out << "Format version: " << h.formatVersion << "\n";
    out << "Drive ID: " << h.driveId;
    if (!driveName.empty())
        out << " (" << driveName << ")";
    out << "\nSections:\n";
    for (const auto& lib : doc.libraries()) {
        out << "  type " << lib->sectionType() << " " << libraryName(lib->sectionType()) << ", generation "
            << lib->generation() << ", " << h.sizeOfType(lib->sectionType()) << " bytes, "
            << lib->printModes().size() << " print modes\n";
    }
    out << "Supported media:\n";
    for (std::uint16_t id : doc.supportedMedia())
        out << "  " << mediaText(id) << "\n";
    out << "Unsupported media:\n";
    for (std::uint16_t id : doc.unsupportedMedia())
        out << "  " << mediaText(id) << "\n";
    return kExitOk;
}

// ---- dump ------------------------------------------------------------------------

int dumpEditorValues(const Options& o, drf::DrfDocument& doc, std::ostream& out, std::ostream& err) {
    const std::string& path = o.positional[0];
    const std::uint16_t media = parseMedia(*o.media);
    const std::uint16_t quality = parseQuality(*o.quality);
    std::unique_ptr<drf::PrintEngineResourcesImpl> set;
    const int result = doc.GetResources(std::filesystem::path(path), media, quality, set);
    if (result != drf::kResultOk) {
        err << "drftool: no print mode for media " << media << " quality " << quality << ": result " << result
            << " (" << drf::statusText(doc.lastStatus()) << ")\n";
        return kExitFailed;
    }
    const std::uint32_t version = doc.header().formatVersion;
    drf::EditorValueArray values{};
    if (int r = drf::readEditorValues(*set, version, values); r != drf::kResultOk) {
        err << "drftool: the print mode lacks editor values: result " << r << "\n";
        return kExitFailed;
    }
    Json list = Json::array();
    if (!o.json) {
        out << "Media " << mediaText(media) << ", quality " << quality << " (" << qualityText(quality)
            << "), format " << version << "\n";
    }
    for (int i = 0; i < drf::kEditorValueCount; ++i) {
        std::string_view key;
        const drf::ResourcePart* part =
            drf::editorValuePart(*set, static_cast<drf::EditorValueIndex>(i), key);
        const std::string where = part ? std::string(part->kind().name) + "." + std::string(key) : "-";
        if (o.json) {
            list.push_back({{"label", drf::kEditorValues[i].label},
                            {"source", part ? Json(where) : Json(nullptr)},
                            {"value", values[i]}});
        } else {
            out << "  " << drf::kEditorValues[i].label << " = " << values[i] << "  [" << where << "]\n";
        }
    }
    if (o.json)
        writeJson(out,
                  {{"media", media}, {"quality", quality}, {"formatVersion", version}, {"values", list}});
    return kExitOk;
}

int dump(const Options& o, std::ostream& out, std::ostream& err) {
    if (o.positional.size() != 1)
        throw UsageError{"dump needs one FILE"};
    if (o.media.has_value() != o.quality.has_value())
        throw UsageError{"dump takes --media and --quality together"};
    drf::DrfDocument doc;
    if (!load(doc, o.positional[0], err))
        return kExitFailed;
    if (o.media)
        return dumpEditorValues(o, doc, out, err);

    Json sections = Json::array();
    for (const auto& lib : doc.libraries()) {
        Json modes = Json::array();
        if (!o.json) {
            out << "Section " << lib->sectionType() << " " << libraryName(lib->sectionType())
                << ", generation " << lib->generation() << "\n";
        }
        for (std::size_t m = 0; m < lib->printModes().size(); ++m) {
            const drf::PrintModeInfo& mode = *lib->printModes()[m];
            const drf::PrintModeKey& k = mode.key();
            Json records = Json::object();
            if (!o.json) {
                out << "  Print mode " << m << ": media " << mediaText(k.mediaId) << ", quality "
                    << k.qualityId << " (" << qualityText(k.qualityId) << "), availability " << k.availability
                    << "\n";
            }
            for (std::uint32_t kind = 0; kind < mode.kindCount(); ++kind) {
                const drf::ResourceRecord* record = mode.record(kind);
                const drf::ResourceFileKind* descriptor = lib->kind(kind);
                if (!descriptor)
                    continue;
                const bool present = record && record->hasData();
                if (!o.json)
                    out << "    " << descriptor->name << (present ? "\n" : ": none\n");
                if (!present) {
                    records[std::string(descriptor->name)] = nullptr;
                    continue;
                }
                Json keys = Json::object();
                for (const auto& key : descriptor->keys) {
                    if (!key.named())
                        continue;
                    const auto values = keyValues(key, record->bytes());
                    if (key.count == 1 && !values.empty())
                        keys[std::string(key.name)] = values[0];
                    else
                        keys[std::string(key.name)] = values;
                    if (!o.json)
                        out << "      " << key.name << " = " << joined(values) << "\n";
                }
                records[std::string(descriptor->name)] = keys;
            }
            modes.push_back({{"media", k.mediaId},
                             {"quality", k.qualityId},
                             {"availability", k.availability},
                             {"records", records}});
        }
        sections.push_back({{"type", lib->sectionType()},
                            {"library", libraryName(lib->sectionType())},
                            {"generation", lib->generation()},
                            {"printModes", modes}});
    }
    if (o.json)
        writeJson(out, {{"file", o.positional[0]}, {"sections", sections}});
    return kExitOk;
}

// ---- set -------------------------------------------------------------------------

// The part and key that KEY names: Kind.Key, an editor value's key, or the only part with that key.
drf::ResourcePart* resolveKey(const drf::PrintEngineResourcesImpl& set, const std::string& name,
                              std::string& key, std::string& problem) {
    if (auto dot = name.find('.'); dot != std::string::npos) {
        drf::ResourcePart* part = set.part(std::string_view(name).substr(0, dot));
        key = name.substr(dot + 1);
        if (!part || !part->hasKey(key))
            problem = "the print mode has no " + name;
        return problem.empty() ? part : nullptr;
    }
    for (int i = 0; i < drf::kEditorValueCount; ++i) {
        for (const auto& source : drf::kEditorValues[i].sources) {
            if (source.key != name)
                continue;
            std::string_view found;
            if (drf::ResourcePart* part =
                    drf::editorValuePart(set, static_cast<drf::EditorValueIndex>(i), found);
                part && found == name) {
                key = name;
                return part;
            }
        }
    }
    drf::ResourcePart* match = nullptr;
    for (std::string_view kind : drf::kPartNames) {
        drf::ResourcePart* part = set.part(kind);
        if (!part || !part->hasKey(name))
            continue;
        if (match) {
            problem = name + " is in more than one record; name it as Kind." + name;
            return nullptr;
        }
        match = part;
    }
    if (!match)
        problem = "the print mode has no key " + name;
    key = name;
    return match;
}

Command previewCommand = nullptr;

} // namespace

int applyAssignment(drf::PrintEngineResourcesImpl& set, const std::string& assignment, std::string& change,
                    std::string& problem) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0) {
        problem = "expected KEY=VALUE, got " + assignment;
        return kExitUsage;
    }
    const std::string name = assignment.substr(0, eq);
    const auto value = parseInteger(std::string_view(assignment).substr(eq + 1));
    if (!value) {
        problem = "not a number: " + assignment;
        return kExitUsage;
    }
    std::string key;
    drf::ResourcePart* part = resolveKey(set, name, key, problem);
    if (!part)
        return kExitFailed;
    std::int64_t before = 0;
    part->value(key, before);
    if (part->setValue(key, *value) != drf::kOk) {
        problem = std::to_string(*value) + " does not fit " + std::string(part->kind().name) + "." + key;
        return kExitFailed;
    }
    change = std::string(part->kind().name) + "." + key + ": " + std::to_string(before) + " -> " +
             std::to_string(*value);
    return kExitOk;
}

void setPreviewCommand(Command command) {
    previewCommand = command;
}

namespace {

int set(const Options& o, std::ostream& out, std::ostream& err) {
    if (o.positional.size() < 2)
        throw UsageError{"set needs FILE and at least one KEY=VALUE"};
    if (!o.media || !o.quality || !o.output)
        throw UsageError{"set needs --media, --quality and -o OUT"};
    const std::uint16_t media = parseMedia(*o.media);
    const std::uint16_t quality = parseQuality(*o.quality);
    drf::DrfDocument doc;
    const std::string& path = o.positional[0];
    if (!load(doc, path, err))
        return kExitFailed;
    std::unique_ptr<drf::PrintEngineResourcesImpl> set;
    if (int r = doc.GetResources(std::filesystem::path(path), media, quality, set); r != drf::kResultOk) {
        err << "drftool: no print mode for media " << media << " quality " << quality << ": result " << r
            << " (" << drf::statusText(doc.lastStatus()) << ")\n";
        return kExitFailed;
    }
    std::ostringstream changes;
    for (std::size_t i = 1; i < o.positional.size(); ++i) {
        std::string change, problem;
        const int r = applyAssignment(*set, o.positional[i], change, problem);
        if (r == kExitUsage)
            throw UsageError{problem};
        if (r != kExitOk) {
            err << "drftool: " << problem << "\n";
            return r;
        }
        changes << change << "\n";
    }
    if (int r = doc.SetResources(media, quality, *set); r != drf::kResultOk) {
        err << "drftool: cannot store the values: result " << r << " (" << drf::statusText(doc.lastStatus())
            << ")" << reasonOf(doc) << "\n";
        return kExitFailed;
    }
    if (int r = doc.Save(std::filesystem::path(*o.output)); r != drf::kResultOk) {
        err << "drftool: cannot save " << *o.output << ": result " << r << " ("
            << drf::statusText(doc.lastStatus()) << ")" << reasonOf(doc) << "\n";
        return kExitFailed;
    }
    out << changes.str() << "Saved " << *o.output << "\n";
    return kExitOk;
}

// ---- diff ------------------------------------------------------------------------

struct Difference {
    std::string subject;
    std::string a;
    std::string b;
};

std::string listText(const std::vector<std::uint16_t>& ids) {
    std::string text;
    for (std::size_t i = 0; i < ids.size(); ++i)
        text += (i ? "," : "") + std::to_string(ids[i]);
    return text.empty() ? "(none)" : text;
}

std::string labelText(const std::array<std::uint8_t, 128>& label) {
    std::string text;
    for (std::uint8_t c : label) {
        if (c == 0)
            break;
        text += static_cast<char>(c);
    }
    return text;
}

void diffHeaders(const drf::DrfDocument& a, const drf::DrfDocument& b, std::vector<Difference>& d) {
    const drf::DrfHeader& x = a.loadedHeader();
    const drf::DrfHeader& y = b.loadedHeader();
    auto number = [&](const char* name, std::int64_t u, std::int64_t v) {
        if (u != v)
            d.push_back({std::string("header ") + name, std::to_string(u), std::to_string(v)});
    };
    number("formatVersion", x.formatVersion, y.formatVersion);
    number("headerWord2", x.headerWord2, y.headerWord2);
    if (labelText(x.labelText) != labelText(y.labelText))
        d.push_back({"header labelText", labelText(x.labelText), labelText(y.labelText)});
    number("driveId", x.driveId, y.driveId);
    number("headerByte142", x.headerByte142, y.headerByte142);
    if (a.supportedMedia() != b.supportedMedia())
        d.push_back({"header supportedMedia", listText(a.supportedMedia()), listText(b.supportedMedia())});
    if (a.unsupportedMedia() != b.unsupportedMedia())
        d.push_back(
            {"header unsupportedMedia", listText(a.unsupportedMedia()), listText(b.unsupportedMedia())});
    number("sectionCount", x.sectionCount, y.sectionCount);
    for (int t = 1; t <= 5; ++t) {
        const std::string type = std::to_string(t);
        number(("sectionSize[type " + type + "]").c_str(), x.sizeOfType(t), y.sizeOfType(t));
        number(("sectionGeneration[type " + type + "]").c_str(), x.generationOfType(t),
               y.generationOfType(t));
    }
}

// Modes are matched by media, quality and how many modes with the same pair came before.
using ModeId = std::tuple<std::uint16_t, std::uint16_t, int>;

std::map<ModeId, const drf::PrintModeInfo*> modesById(const drf::LibraryFactory* lib) {
    std::map<ModeId, const drf::PrintModeInfo*> modes;
    if (!lib)
        return modes;
    std::map<std::pair<std::uint16_t, std::uint16_t>, int> seen;
    for (const auto& mode : lib->printModes()) {
        const auto& k = mode->key();
        const int n = seen[{k.mediaId, k.qualityId}]++;
        modes[{k.mediaId, k.qualityId, n}] = mode.get();
    }
    return modes;
}

void diffRecords(const std::string& subject, const drf::LibraryFactory& la, const drf::PrintModeInfo& ma,
                 const drf::LibraryFactory& lb, const drf::PrintModeInfo& mb, std::vector<Difference>& d) {
    for (std::uint32_t ka = 0; ka < ma.kindCount(); ++ka) {
        const drf::ResourceFileKind* kind = la.kind(ka);
        if (!kind)
            continue;
        // Kinds are matched by name, so generations that share a kind compare too.
        std::optional<std::uint32_t> kb;
        for (std::uint32_t k = 0; k < mb.kindCount(); ++k) {
            if (lb.kind(k) && lb.kind(k)->name == kind->name)
                kb = k;
        }
        const drf::ResourceRecord* ra = ma.record(ka);
        const drf::ResourceRecord* rb = kb ? mb.record(*kb) : nullptr;
        const bool hasA = ra && ra->hasData();
        const bool hasB = rb && rb->hasData();
        const std::string where = subject + " " + std::string(kind->name);
        if (hasA != hasB) {
            d.push_back({where, hasA ? "present" : "none", hasB ? "present" : "none"});
            continue;
        }
        if (!hasA)
            continue;
        const drf::ResourceFileKind* other = lb.kind(*kb);
        bool unnamedDiffer = false;
        for (const auto& key : kind->keys) {
            const drf::KeyDescriptor* keyB = key.named() ? other->findKey(key.name) : nullptr;
            if (!key.named()) {
                const auto x = ra->bytes().subspan(key.offset, key.byteSize());
                if (key.offset + key.byteSize() <= rb->size) {
                    const auto y = rb->bytes().subspan(key.offset, key.byteSize());
                    unnamedDiffer = unnamedDiffer || !std::equal(x.begin(), x.end(), y.begin(), y.end());
                }
                continue;
            }
            if (!keyB)
                continue;
            const auto x = keyValues(key, ra->bytes());
            const auto y = keyValues(*keyB, rb->bytes());
            if (x != y)
                d.push_back({where + "." + std::string(key.name), joined(x), joined(y)});
        }
        if (unnamedDiffer)
            d.push_back({where + " (unnamed data)", "differs", "differs"});
    }
}

int diff(const Options& o, std::ostream& out, std::ostream& err) {
    if (o.positional.size() != 2)
        throw UsageError{"diff needs two FILEs"};
    drf::DrfDocument a, b;
    if (!load(a, o.positional[0], err) || !load(b, o.positional[1], err))
        return kExitFailed;
    std::vector<Difference> d;
    diffHeaders(a, b, d);
    for (int t = 1; t <= 5; ++t) {
        const drf::LibraryFactory* la = a.library(t);
        const drf::LibraryFactory* lb = b.library(t);
        const auto modesA = modesById(la);
        const auto modesB = modesById(lb);
        std::map<ModeId, int> all;
        for (const auto& [id, mode] : modesA)
            all[id] |= 1;
        for (const auto& [id, mode] : modesB)
            all[id] |= 2;
        for (const auto& [id, where] : all) {
            const auto [media, quality, n] = id;
            std::string subject = "section " + std::to_string(t) + " media " + std::to_string(media) +
                                  " quality " + std::to_string(quality);
            if (n > 0)
                subject += " #" + std::to_string(n + 1);
            if (where != 3) {
                d.push_back({subject, where & 1 ? "present" : "absent", where & 2 ? "present" : "absent"});
                continue;
            }
            const drf::PrintModeInfo& ma = *modesA.at(id);
            const drf::PrintModeInfo& mb = *modesB.at(id);
            if (ma.key().availability != mb.key().availability)
                d.push_back({subject + " availability", std::to_string(ma.key().availability),
                             std::to_string(mb.key().availability)});
            diffRecords(subject, *la, ma, *lb, mb, d);
        }
    }
    if (o.json) {
        Json list = Json::array();
        for (const auto& x : d)
            list.push_back({{"what", x.subject}, {"a", x.a}, {"b", x.b}});
        writeJson(out, list);
    } else {
        for (const auto& x : d)
            out << x.subject << ": " << x.a << " -> " << x.b << "\n";
    }
    return kExitOk;
}

// ---- sample ----------------------------------------------------------------------

int sample(const Options& o, std::ostream& out, std::ostream& err) {
    if (o.positional.size() != 1)
        throw UsageError{"sample needs OUT"};
    const auto format = parseInteger(o.format.value_or("3"));
    if (!format || *format < 1 || *format > 4)
        throw UsageError{"--format must be 1, 2, 3 or 4"};
    const auto version = static_cast<std::uint32_t>(*format);
    const std::uint16_t media[] = {101, 111, 112};
    drf::testing::DrfBuilder builder;
    builder.formatVersion(version).driveId(111).patternFill(false).unsupported(4095).label(
        "Quillmark sample DRF");
    for (std::uint16_t m : media) {
        for (std::uint16_t q : {drf::kQualityBest, drf::kQualityNormal, drf::kQualityDraft})
            builder.mode(m, q);
    }
    if (version == 4)
        builder.share(0, drf::testing::Share::AllModes).share(1, drf::testing::Share::PerMedia);
    else
        builder.share(0, drf::testing::Share::AllModes);

    // Plausible values through the model itself, so every generation gets the same ones.
    drf::DrfDocument doc;
    if (doc.loadImage(builder.build(), "sample") != drf::kOk) {
        err << "drftool: sample does not load\n";
        return kExitFailed;
    }
    for (std::uint16_t m : media) {
        for (std::uint16_t q : {drf::kQualityBest, drf::kQualityNormal, drf::kQualityDraft}) {
            std::unique_ptr<drf::PrintEngineResourcesImpl> set;
            drf::EditorValueArray v{};
            v[drf::kTrackSpacing] = 1200 + 400 * q;
            v[drf::kMarkSpacing] = 1000;
            v[drf::kUseDefaultFocus] = 1;
            v[drf::kHostDynamicTrackShifting] = 1;
            v[drf::kDrivePowerSlopeNumerator] = 1;
            v[drf::kDrivePowerSlopeDenominator] = 1;
            v[drf::kSpiralTracking] = 1;
            v[drf::kSeamModulation] = 1;
            v[drf::kWritePowerUpperFixedTolerance] = 500;
            v[drf::kWritePowerUpperToleranceFactor] = 10;
            v[drf::kWritePowerLowerFixedTolerance] = 500;
            v[drf::kWritePowerLowerToleranceFactor] = 10;
            v[drf::kCutBlankTracks] = 1;
            v[drf::kTrimCircularTracks] = 1;
            if (doc.GetResources("sample", m, q, set) != drf::kResultOk ||
                drf::writeEditorValues(*set, version, v) != drf::kResultOk ||
                doc.SetResources(m, q, *set) != drf::kResultOk) {
                err << "drftool: cannot fill the sample\n";
                return kExitFailed;
            }
        }
    }
    if (int r = doc.Save(std::filesystem::path(o.positional[0])); r != drf::kResultOk) {
        err << "drftool: cannot save " << o.positional[0] << ": result " << r << " ("
            << drf::statusText(doc.lastStatus()) << ")" << reasonOf(doc) << "\n";
        return kExitFailed;
    }
    out << "Wrote format " << version << " sample " << o.positional[0] << "\n";
    return kExitOk;
}

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && args.front() == "preview") {
        if (previewCommand)
            return previewCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
        err << "drftool: preview needs the picture reader and renderer, which this build lacks\n";
        return kExitFailed;
    }
    try {
        const Options o = parse(args);
        if (o.help) {
            out << kUsage;
            return kExitOk;
        }
        if (o.command == "info")
            return info(o, out, err);
        if (o.command == "dump")
            return dump(o, out, err);
        if (o.command == "set")
            return set(o, out, err);
        if (o.command == "diff")
            return diff(o, out, err);
        if (o.command == "sample")
            return sample(o, out, err);
        throw UsageError{o.command.empty() ? "no command given" : "unknown command " + o.command};
    } catch (const UsageError& e) {
        err << "drftool: " << e.message << "\n" << kUsage;
        return kExitUsage;
    }
}

} // namespace drftool
