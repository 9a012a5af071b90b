#include "Preview.h"

#include <charconv>
#include <filesystem>
#include <memory>
#include <optional>

#include "DrfJobSettings.h"
#include "DrfTool.h"
#include "LabelPreview.h"
#include "drf/DrfDocument.h"
#include "drf/Status.h"

namespace drftool {

namespace {

struct PreviewOptions {
    std::string file, media, quality, output, picture;
    std::vector<std::string> sets;
};

// Returns the problem, or nothing when the command line is whole.
std::optional<std::string> parse(const std::vector<std::string>& args, PreviewOptions& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* target = a == "--media"                   ? &o.media
                              : a == "--quality"               ? &o.quality
                              : a == "-o" || a == "--output"   ? &o.output
                              : a == "--picture"               ? &o.picture
                                                               : nullptr;
        if (target || a == "--set") {
            if (i + 1 >= args.size())
                return a + " needs a value";
            if (target)
                *target = args[++i];
            else
                o.sets.push_back(args[++i]);
        } else if (!a.empty() && a[0] == '-') {
            return "unknown option " + a;
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            return "preview takes one DRF, got " + a + " besides " + o.file;
        }
    }
    if (o.file.empty() || o.media.empty() || o.quality.empty() || o.output.empty())
        return "preview needs FILE, --media, --quality and -o DIR";
    return std::nullopt;
}

} // namespace

int preview(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    PreviewOptions o;
    if (const auto problem = parse(args, o)) {
        err << "drftool: " << *problem << "\n"
            << "Usage: drftool preview FILE --media M --quality Q [--set KEY=VALUE...] [--picture PIC] -o DIR\n";
        return kExitUsage;
    }
    unsigned media = 0;
    const auto [end, ec] = std::from_chars(o.media.data(), o.media.data() + o.media.size(), media);
    if (ec != std::errc() || end != o.media.data() + o.media.size() || media > 65535) {
        err << "drftool: media must be a number from 0 to 65535: " << o.media << "\n";
        return kExitUsage;
    }
    const auto quality = makejob::parseQuality(o.quality);
    if (!quality) {
        err << "drftool: unknown quality " << o.quality << " (use 0/Best, 1/Normal, 2/Draft)\n";
        return kExitUsage;
    }

    // The file's own values and a second copy with the changes, both only in memory.
    makejob::DrfJobGeometry unused;
    std::string why;
    if (!makejob::readDrfGeometry(o.file, std::uint16_t(media), *quality, unused, &why)) {
        err << "drftool: " << why << "\n";
        return kExitFailed;
    }
    drf::DrfDocument doc;
    std::uint32_t version = 0;
    std::unique_ptr<drf::PrintEngineResourcesImpl> saved, changed;
    if (doc.GetFormatVersion(o.file, version) != drf::kResultOk ||
        doc.GetResources(o.file, std::uint16_t(media), *quality, saved) != drf::kResultOk ||
        doc.GetResources(o.file, std::uint16_t(media), *quality, changed) != drf::kResultOk) {
        err << "drftool: cannot read the print mode of " << o.file << "\n";
        return kExitFailed;
    }
    for (const std::string& assignment : o.sets) {
        std::string change, problem;
        if (const int r = applyAssignment(*changed, assignment, change, problem); r != kExitOk) {
            err << "drftool: " << problem << "\n";
            return r;
        }
        out << "set " << change << "\n";
    }

    labelpreview::Request request;
    request.formatVersion = version;
    request.media = std::uint16_t(media);
    request.quality = *quality;
    request.a = {"file", saved.get()};
    request.b = {"changed", changed.get()};
    if (!o.picture.empty())
        request.picture = o.picture;
    request.folder = o.output;
    labelpreview::Result result;
    if (!labelpreview::makePreview(request, result, &why)) {
        err << "drftool: " << why << "\n";
        return kExitFailed;
    }
    out << "file values:\n";
    for (const std::string& line : result.linesA)
        out << "  " << line << "\n";
    out << "changed values:\n";
    for (const std::string& line : result.linesB)
        out << "  " << line << "\n";
    out << result.summary;
    out << "wrote " << result.jobA.string() << ", " << result.jobB.string() << ", " << result.difference.string()
        << "\n"
        << "look at them with: jobview " << result.jobA.string() << " --compare-with " << result.jobB.string()
        << "\n";
    return kExitOk;
}

} // namespace drftool
