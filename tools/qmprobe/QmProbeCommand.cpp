#include "QmProbeCommand.h"

#include "probe/ProbeController.h"
#include "probe/SearchPath.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iomanip>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

namespace qmprobe {

namespace {

using probe::FieldInfo;
using probe::ProbeController;
using probe::ToolProfile;
using probe::Value;

// The dialog's controls without a window: what would be shown, by id.
class TextView final : public probe::ProbeView {
public:
    std::map<int, std::string> fields;
    int selected = -1;
    std::string fieldText(int id) const override {
        const auto it = fields.find(id);
        return it == fields.end() ? std::string() : it->second;
    }
    void setFieldText(int id, const std::string& text) override { fields[id] = text; }
    void setDriveItems(const probe::DriveList&) override { selected = -1; }
    int selectedItem() const override { return selected; }
    void setSelectedItem(int item) override { selected = item; }
    void setButtonsEnabled(bool) override {}
    void yield() override {}
};

class CollectingPrompter final : public probe::ProbePrompter {
public:
    std::vector<std::string> messages;
    void message(std::string_view text) override { messages.emplace_back(text); }
};

struct Failure {
    int code = 0;
    std::string text;
};

std::optional<Failure> failureOf(const ProbeController& c, CollectingPrompter& prompter) {
    if (prompter.messages.empty()) {
        return std::nullopt;
    }
    Failure f{c.lastCode(), prompter.messages.back()};
    prompter.messages.clear();
    return f;
}

// The message box text without the line feed the unknown-code text ends in.
std::string oneLine(std::string text) {
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

const char* qualityKey(int q) {
    static constexpr const char* kKeys[] = {"best", "normal", "draft"};
    return kKeys[q];
}

nlohmann::ordered_json failureJson(const std::optional<Failure>& f) {
    if (!f) {
        return nullptr;
    }
    return {{"code", f->code}, {"text", f->text}};
}

struct DriveReport {
    const probe::DriveItem* item;
    std::map<int, std::string> shown;
    probe::ProbeValues values;
    std::optional<Failure> failure;
};

nlohmann::ordered_json driveJson(const ToolProfile& profile, const DriveReport& r) {
    nlohmann::ordered_json d;
    d["item"] = r.item->text;
    d["engineIndex"] = r.item->engineIndex;
    if (profile.labelParameters) {
        d["driveId"] = r.values.driveId;
    }
    d["resourceFile"] = r.values.resourceFile;
    d["imagingParameter"] = r.values.imagingParameter;
    d["manufacturer"] = r.values.manufacturer;
    if (profile.labelParameters) {
        nlohmann::ordered_json qualities;
        for (int q = 0; q < probe::kQualityCount; ++q) {
            const probe::QualityRow& row = r.values.rows[static_cast<std::size_t>(q)];
            qualities[qualityKey(q)] = {{"linearVelocity", row.linearVelocity},
                                        {"tpi", row.tracksPerInch},
                                        {"dpi", row.marksPerInch},
                                        {"writePower", row.writePower},
                                        {"readPower", row.readPower},
                                        {"focusOffset", row.focusOffset}};
        }
        d["qualities"] = qualities;
    }
    d["failure"] = failureJson(r.failure);
    return d;
}

void printDrive(std::ostream& out, const ToolProfile& profile, const DriveReport& r) {
    out << r.item->text << "  (engine drive " << r.item->engineIndex << ")\n";
    constexpr int kLabelWidth = 24;
    constexpr int kColumnWidth = 10;
    std::vector<const FieldInfo*> rows[std::size(probe::kQualityLabels)];
    bool header = false;
    for (const FieldInfo& f : profile.fields) {
        if (f.quality < 0) {
            out << "  " << std::left << std::setw(kLabelWidth) << probe::valueLabel(profile, f.value)
                << r.shown.at(f.id) << "\n";
            continue;
        }
        if (!header) {
            out << "  " << std::setw(kLabelWidth) << "";
            for (int q = 0; q < probe::kQualityCount; ++q) {
                out << std::setw(q + 1 < probe::kQualityCount ? kColumnWidth : 0) << probe::kQualityLabels[q];
            }
            out << "\n";
            header = true;
        }
        rows[f.quality].push_back(&f);
    }
    // The table: one line per value, its three qualities side by side.
    for (std::size_t i = 0; i < rows[0].size(); ++i) {
        out << "  " << std::setw(kLabelWidth) << probe::valueLabel(profile, rows[0][i]->value);
        for (int q = 0; q < probe::kQualityCount; ++q) {
            out << std::setw(q + 1 < probe::kQualityCount ? kColumnWidth : 0) << r.shown.at(rows[q][i]->id);
        }
        out << "\n";
    }
    out << std::right;
}

} // namespace

int runQmProbe(const std::vector<std::string>& args, Platform platform, std::ostream& out,
               std::ostream& err) {
    CLI::App app{"Shows what the print-engine probes paramscope and mediaprobe show, for every listed drive "
                 "or one.",
                 "qmprobe"};
    // An argument that starts with / is a path, on Windows too, never an option.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    bool json = false;
    bool yes = false;
    std::optional<int> drive;
    CLI::App* params =
        app.add_subcommand("params", "the labeling parameters each drive reports (paramscope)");
    CLI::App* media =
        app.add_subcommand("media", "the identification of the media in each drive (mediaprobe)");
    for (CLI::App* sub : {params, media}) {
        sub->add_option("--drive", drive, "only the drive with this engine index (as listed)");
        sub->add_flag("--json", json, "one JSON document on stdout");
        sub->add_flag("--yes", yes, "accept the warning notice (the dialogs ask with OK / Cancel)");
    }
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        err << "qmprobe: " << e.what() << "\n" << app.help();
        return kExitUsage;
    }

    const ToolProfile& profile = params->parsed() ? probe::kParamscope : probe::kMediaprobe;
    err << profile.notice << "\n";
    if (!yes) {
        err << "qmprobe: not accepted; run again with --yes to accept the notice.\n";
        return kExitNotAccepted;
    }

    probe::extendSearchPath(platform.environment);
    TextView view;
    CollectingPrompter prompter;
    ProbeController controller(profile, view, prompter, [&platform] {
        return std::make_unique<probe::PrintEngineBinding>(platform.libraries, platform.files);
    });
    int exitCode = kExitOk;
    auto report = [&](std::string_view context, const std::optional<Failure>& f) {
        if (f) {
            err << "qmprobe: " << context << ": " << oneLine(f->text) << "\n";
            exitCode = kExitEngineFailure;
        }
    };

    controller.startSession();
    const std::optional<Failure> sessionFailure = failureOf(controller, prompter);
    report("session start", sessionFailure);
    const probe::PrintEngineBinding* binding = controller.binding();
    const char* missing = binding != nullptr ? binding->missingEntry() : nullptr;
    const long loadError = binding != nullptr ? binding->loadError() : 0;
    if (missing != nullptr) {
        err << "qmprobe: the print engine lacks the entry \"" << missing << "\"\n";
    } else if (loadError != 0) {
        err << "qmprobe: the print engine could not be loaded (Windows error " << loadError << ")\n";
    }

    std::vector<DriveReport> reports;
    const std::vector<probe::DriveItem> items = controller.drives().items();
    bool found = !drive.has_value();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (drive && items[i].engineIndex != *drive) {
            continue;
        }
        found = true;
        // As in the dialog: choosing the item refreshes the list, then "Update".
        view.selected = static_cast<int>(i);
        controller.refreshList();
        std::optional<Failure> failure = failureOf(controller, prompter);
        if (!failure) {
            controller.query();
            failure = failureOf(controller, prompter);
        }
        report(items[i].text, failure);
        reports.push_back({&items[i], view.fields, controller.values(), failure});
    }

    controller.endSession();
    const std::optional<Failure> endFailure = failureOf(controller, prompter);
    report("session end", endFailure);
    if (!found) {
        err << "qmprobe: no listed drive has the engine index " << *drive << "\n";
        exitCode = kExitUsage;
    }

    if (json) {
        nlohmann::ordered_json doc;
        doc["tool"] = profile.name;
        doc["apiVersion"] = controller.apiVersion();
        doc["driveCount"] = controller.driveCount();
        doc["sessionStart"] = failureJson(sessionFailure);
        doc["missingEntry"] = missing != nullptr ? nlohmann::ordered_json(missing) : nullptr;
        doc["loadError"] = loadError;
        doc["drives"] = nlohmann::ordered_json::array();
        for (const DriveReport& r : reports) {
            doc["drives"].push_back(driveJson(profile, r));
        }
        doc["sessionEnd"] = failureJson(endFailure);
        out << doc.dump(2) << "\n";
    } else {
        out << profile.caption << " -- " << stringResource(profile, probe::kIdsAppTitle) << "\n";
        out << "print engine interface version 0x" << std::hex << controller.apiVersion() << std::dec << ", "
            << controller.driveCount() << " drives, " << items.size() << " listed\n";
        for (const DriveReport& r : reports) {
            out << "\n";
            printDrive(out, profile, r);
            if (r.failure) {
                out << "  failed: " << oneLine(r.failure->text) << "\n";
            }
        }
    }
    return exitCode;
}

int runQmProbeOn(const std::vector<std::string>& args, const SystemFactory& openSystem, std::ostream& out,
                 std::ostream& err) {
    std::string error;
    const std::unique_ptr<qmplatform::System> system = openSystem(error);
    if (!system) {
        err << "qmprobe: no machine to run on: " << error << " (see QUILLMARK_SYSROOT)\n";
        return kExitNoSystem;
    }
    return runQmProbe(args, {system->libraries(), system->files(), system->environment()}, out, err);
}

} // namespace qmprobe
