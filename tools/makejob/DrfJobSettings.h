// A print job's geometry from a drive resource file: the values of one print
// mode (media x quality) that say how the drive lays its tracks and marks, and
// how they fill in the generator's options where the command line is silent.
// Qt-free: makejob, drftool's preview and resedit's preview share it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "drf/DrfDocument.h"
#include "drf/PrintEngineResources.h"
#include "jobgen/JobGenerator.h"

namespace makejob {

// One value of a print mode, with the record and key it was read from.
struct DrfValue {
    std::optional<std::int64_t> value; // empty: the print mode has no such value
    std::string source;                // "ResolutionsFile.TrackSpacingNM"
};

struct DrfJobGeometry {
    std::uint16_t media = 0;
    std::uint16_t quality = 0;
    DrfValue trackSpacingNm;
    DrfValue markSpacingNm;
    DrfValue perTrackShiftAngle; // angle units each track starts after the one before
    DrfValue trackDirClockwise;
    DrfValue spiralTracking;
    DrfValue trackOutward; // read for the record only: the generator always writes outwards
};

// The values of one resource set, as read or as edited and not yet saved.
DrfJobGeometry geometryFromResources(const drf::PrintEngineResourcesImpl& set, std::uint32_t formatVersion);

// A quality id (0 to 65535) or Best/Normal/Draft in any case; nullopt otherwise.
std::optional<std::uint16_t> parseQuality(const std::string& text);

// The available print modes of a loaded DRF, one "media 101 (Generic): Draft, Normal, Best"
// per media, in the order the file lists them.
std::vector<std::string> describePrintModes(const drf::DrfDocument& doc);

// Loads `path` and reads the print mode. False with *error saying why: a file
// that is no DRF, or a media or quality it has no print mode for (naming the
// ones it has).
bool readDrfGeometry(const std::filesystem::path& path, std::uint16_t media, std::uint16_t quality,
                     DrfJobGeometry& out, std::string* error);

// What the command line set itself; those values stay as they are.
struct ExplicitOptions {
    bool tracksPerInch = false;
    bool dotsPerInch = false;
    bool direction = false;
    bool spiral = false;
    bool startAngleStep = false;
};

// Marks one job track can hold.
inline constexpr unsigned kMaxMarksPerTrack = 65535;

// Drives space their marks far finer than a job track can hold over a turn.
// The job then keeps every n-th mark: the smallest n that fits a full turn at
// `outerRadius` micrometres. The picture at the viewer's scale hardly changes,
// and a change of the DRF's spacing still changes the job's. A spiral track
// runs up to two turns (to where the next one starts).
unsigned markStride(std::uint32_t markSpacingNm, unsigned outerRadius, unsigned turns);

// Lays the DRF's values over `options` where not explicit. A mark spacing too
// fine for a job track is widened by markStride (and said so). Returns one line
// per value saying what it is and where it came from.
std::vector<std::string> applyGeometry(const DrfJobGeometry& geometry, const ExplicitOptions& given,
                                       jobgen::LabelOptions& options);

} // namespace makejob
