#include "DrfJobSettings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "drf/DriveMediaNames.h"
#include "drf/EditorValues.h"
#include "drf/KeyTables.h"
#include "drf/LibraryFactory.h"
#include "drf/PrintModeInfo.h"
#include "drf/ResourceRecord.h"
#include "drf/Status.h"

namespace makejob {

namespace {

constexpr double kNanometresPerInch = 25400000.0;
constexpr int kPrintEngineSection = 5;

DrfValue editorValue(const drf::PrintEngineResourcesImpl& set, drf::EditorValueIndex index,
                     std::uint32_t formatVersion) {
    DrfValue v;
    std::string_view key;
    const drf::ResourcePart* part = drf::editorValuePart(set, index, key);
    std::int64_t value = 0;
    if (!part || drf::readEditorValue(set, index, formatVersion, value) != drf::kResultOk)
        return v;
    // A value the format does not have reads as 0 from a part that exists;
    // it is not the drive's value, so it is not used.
    if (formatVersion < drf::kEditorValues[index].sinceFormat)
        return v;
    v.value = value;
    v.source = std::string(part->kind().name) + "." + std::string(key);
    return v;
}

DrfValue partValue(const drf::PrintEngineResourcesImpl& set, std::string_view kind, std::string_view key) {
    DrfValue v;
    const drf::ResourcePart* part = set.part(kind);
    std::int64_t value = 0;
    if (!part || part->value(key, value) != drf::kOk)
        return v;
    v.value = value;
    v.source = std::string(kind) + "." + std::string(key);
    return v;
}

// The first of `kinds` the set has that holds `key`.
DrfValue firstPartValue(const drf::PrintEngineResourcesImpl& set, std::initializer_list<std::string_view> kinds,
                        std::string_view key) {
    for (std::string_view kind : kinds) {
        DrfValue v = partValue(set, kind, key);
        if (v.value)
            return v;
    }
    return {};
}

std::string qualityName(std::uint16_t q) {
    const std::string_view name = drf::editorQualityName(q);
    return name.empty() ? std::to_string(q) : std::string(name);
}

std::uint32_t perInch(std::int64_t nanometres) {
    const long long v = std::llround(kNanometresPerInch / double(nanometres));
    return static_cast<std::uint32_t>(std::clamp<long long>(v, 1, 65535));
}

std::string fromDrf(const DrfJobGeometry& g, const DrfValue& v) {
    return "from the DRF, media " + std::to_string(g.media) + " " + qualityName(g.quality) + ", " + v.source;
}

} // namespace

unsigned markStride(std::uint32_t markSpacingNm, unsigned outerRadius, unsigned turns) {
    if (markSpacingNm == 0)
        return 1;
    // The longest track at the outer radius, in marks, with a little room for
    // the generator's rounding.
    const double turn = 6.283185307179586 * turns * double(outerRadius) * 1000.0 / double(markSpacingNm);
    const double every = std::ceil(turn / (kMaxMarksPerTrack - 16));
    return every < 1.0 ? 1u : every > 65535.0 ? 65535u : unsigned(every);
}

DrfJobGeometry geometryFromResources(const drf::PrintEngineResourcesImpl& set, std::uint32_t formatVersion) {
    DrfJobGeometry g;
    g.trackSpacingNm = editorValue(set, drf::kTrackSpacing, formatVersion);
    g.markSpacingNm = editorValue(set, drf::kMarkSpacing, formatVersion);
    g.perTrackShiftAngle = editorValue(set, drf::kTrackShiftSpokes, formatVersion);
    g.spiralTracking = editorValue(set, drf::kSpiralTracking, formatVersion);
    g.trackDirClockwise = partValue(set, "TrackingFile", "TrackDirCW");
    g.trackOutward = firstPartValue(set, {"DriveDataFile", "TrackingFile"}, "TrackOutward");
    return g;
}

std::optional<std::uint16_t> parseQuality(const std::string& text) {
    if (!text.empty() && text.size() <= 5 && std::all_of(text.begin(), text.end(), [](unsigned char c) {
            return std::isdigit(c) != 0;
        })) {
        const unsigned long v = std::stoul(text);
        if (v <= 0xFFFF)
            return static_cast<std::uint16_t>(v);
        return std::nullopt;
    }
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& row : drf::kEditorQualities) {
        std::string name(row.name);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (name == lower)
            return row.value;
    }
    return std::nullopt;
}

std::vector<std::string> describePrintModes(const drf::DrfDocument& doc) {
    std::vector<std::string> lines;
    const drf::LibraryFactory* lib = doc.library(kPrintEngineSection);
    if (!lib)
        return lines;
    std::vector<std::uint16_t> order;
    std::map<std::uint16_t, std::vector<std::uint16_t>> qualities;
    for (const auto& mode : lib->printModes()) {
        const drf::PrintModeKey& k = mode->key();
        if (k.availability == 0)
            continue;
        if (!qualities.count(k.mediaId))
            order.push_back(k.mediaId);
        auto& list = qualities[k.mediaId];
        if (std::find(list.begin(), list.end(), k.qualityId) == list.end())
            list.push_back(k.qualityId);
    }
    for (std::uint16_t media : order) {
        std::string line = "media " + drf::MediaDisplayText(media, true) + ":";
        const auto& list = qualities[media];
        for (std::size_t i = 0; i < list.size(); ++i)
            line += (i ? ", " : " ") + qualityName(list[i]) + " (" + std::to_string(list[i]) + ")";
        lines.push_back(line);
    }
    return lines;
}

bool readDrfGeometry(const std::filesystem::path& path, std::uint16_t media, std::uint16_t quality,
                     DrfJobGeometry& out, std::string* error) {
    drf::DrfDocument doc;
    std::uint32_t version = 0;
    if (int r = doc.GetFormatVersion(path, version); r != drf::kResultOk) {
        if (error) {
            *error = path.string() + ": not a readable DRF (result " + std::to_string(r) + ", " +
                     std::string(drf::statusText(doc.lastStatus())) + ")";
            if (!doc.lastReason().empty())
                *error += ": " + doc.lastReason();
        }
        return false;
    }
    std::unique_ptr<drf::PrintEngineResourcesImpl> set;
    if (doc.GetResources(path, media, quality, set) != drf::kResultOk || !set) {
        if (error) {
            bool mediaKnown = false;
            for (const std::string& line : describePrintModes(doc))
                mediaKnown = mediaKnown || line.rfind("media " + std::to_string(media) + ":", 0) == 0;
            *error = path.string() + " has no print mode for media " + std::to_string(media) +
                     (mediaKnown ? " quality " + qualityName(quality) + " (" + std::to_string(quality) + ")" : "") +
                     "; it has:";
            const auto modes = describePrintModes(doc);
            for (const std::string& line : modes)
                *error += "\n  " + line;
            if (modes.empty())
                *error += " no print modes";
        }
        return false;
    }
    out = geometryFromResources(*set, version);
    out.media = media;
    out.quality = quality;
    return true;
}

std::vector<std::string> applyGeometry(const DrfJobGeometry& g, const ExplicitOptions& given,
                                       jobgen::LabelOptions& o) {
    std::vector<std::string> lines;
    const auto spacing = [&](const char* what, const DrfValue& v, bool isGiven, unsigned& perInchOption,
                             std::uint32_t& nanometres, const char* unit, const char* flag) {
        if (isGiven) {
            lines.push_back(std::string(what) + ": " + std::to_string(perInchOption) + " " + unit + " (" + flag +
                            ")");
            return;
        }
        if (!v.value || *v.value <= 0 || *v.value > 0xFFFFFFll) {
            const std::string why = v.value ? "is " + std::to_string(*v.value) + " nm" : "is missing";
            throw jobgen::OptionError(std::string("the DRF's ") + what + " " + why + "; give " + flag);
        }
        nanometres = static_cast<std::uint32_t>(*v.value);
        perInchOption = perInch(*v.value);
        lines.push_back(std::string(what) + ": " + std::to_string(nanometres) + " nm, " +
                        std::to_string(perInchOption) + " " + unit + " in a floyd picture (" + fromDrf(g, v) + ")");
    };
    spacing("track spacing", g.trackSpacingNm, given.tracksPerInch, o.tracksPerInch, o.trackPitchNm, "tpi",
            "--tpi");
    spacing("mark spacing", g.markSpacingNm, given.dotsPerInch, o.dotsPerInch, o.markSpacingNm, "dpi", "--dpi");

    const auto flag = [&](const char* what, const DrfValue& v, bool isGiven, bool& option, const char* yes,
                          const char* no, const char* flags) {
        if (isGiven || !v.value) {
            lines.push_back(std::string(what) + ": " + (option ? yes : no) + " (" +
                            (isGiven ? flags : "default; the DRF has no such value") + ")");
            return;
        }
        option = *v.value != 0;
        lines.push_back(std::string(what) + ": " + (option ? yes : no) + " (" + fromDrf(g, v) + " = " +
                        std::to_string(*v.value) + ")");
    };
    flag("direction", g.trackDirClockwise, given.direction, o.clockwise, "clockwise", "counter-clockwise",
         "--clockwise/--counter-clockwise");
    flag("tracks", g.spiralTracking, given.spiral, o.spiral, "spiral", "circular", "--spiral/--circular");

    if (!given.dotsPerInch) {
        const unsigned every = markStride(o.markSpacingNm, o.outerRadius, o.spiral ? 2u : 1u);
        if (every > 1) {
            o.markSpacingNm *= every;
            o.dotsPerInch = perInch(o.markSpacingNm);
            lines.push_back("mark spacing drawn: every " + std::to_string(every) + "th mark, " +
                            std::to_string(o.markSpacingNm) + " nm (a job track holds at most " +
                            std::to_string(kMaxMarksPerTrack) + " marks; --dpi sets the spacing)");
        }
    }
    if (given.startAngleStep || !g.perTrackShiftAngle.value) {
        lines.push_back("start angle step: " + std::to_string(o.startAngleStep) + " angle units (" +
                        (given.startAngleStep ? "--start-angle-step" : "default; the DRF has no such value") + ")");
    } else {
        const long long units = o.angleUnitsPerTurn ? o.angleUnitsPerTurn : 1;
        const long long step = ((*g.perTrackShiftAngle.value % units) + units) % units;
        o.startAngleStep = static_cast<unsigned>(step);
        lines.push_back("start angle step: " + std::to_string(step) + " angle units (" +
                        fromDrf(g, g.perTrackShiftAngle) + " = " + std::to_string(*g.perTrackShiftAngle.value) +
                        ")");
    }
    if (g.trackOutward.value && *g.trackOutward.value == 0)
        lines.push_back("note: the DRF says tracks run inwards (" + g.trackOutward.source +
                        " = 0); jobs are always written outwards");
    return lines;
}

} // namespace makejob
