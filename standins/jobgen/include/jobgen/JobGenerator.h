// Turns a picture into what the print engine would send to a drive: tracks of
// on/off marks over the label area, written as a print job or a floyd picture.
//
// The picture is laid over the disc as seen from above, its longer side
// spanning the diameter of the outer label radius, and every mark samples it
// at the very place where the viewer will draw that mark. Error diffusion
// along and across the tracks turns grey into on/off marks.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "jobfile/JobFile.h"

namespace jobgen {

// Luminance, row-major, 0 = black, 255 = white.
struct GreyPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    // Bilinear luminance at a point of the picture in pixel units (pixel
    // centres at +0.5); white outside the picture.
    double sample(double x, double y) const;
};

struct LabelOptions {
    unsigned innerRadius = 23000;      // label area, micrometres
    unsigned outerRadius = 57600;      // label area, micrometres
    unsigned firstTrackRadius = 23000; // radius of track 0, micrometres
    unsigned tracksPerInch = 500;
    unsigned dotsPerInch = 1000;
    // The job's track pitch and mark spacing exactly, in nanometres, as drive
    // records give them; 0 takes them from the per-inch values. Floyd pictures
    // keep per-inch values in their header and always use tracksPerInch and
    // dotsPerInch.
    std::uint32_t trackPitchNm = 0;
    std::uint32_t markSpacingNm = 0;
    unsigned angleUnitsPerTurn = 400;
    bool clockwise = true;
    bool spiral = false;
    // Track n starts at angle (n x startAngleStep) mod angleUnitsPerTurn.
    unsigned startAngleStep = 0;
};

// A floyd picture is always viewed with this geometry, whatever the options.
inline constexpr double kFloydFirstTrackRadius = 23000.0;
inline constexpr double kFloydOuterRadius = 57600.0;
inline constexpr unsigned kFloydAngleUnitsPerTurn = 400;

// Where the viewer puts the marks of one track: mark m lies at radius
// r0 + m x dr and screen angle a0 + m x d (angles already carry the
// clockwise sign; screen y grows downwards).
struct TrackPlan {
    std::uint16_t trackNumber = 0;
    std::uint16_t startAngle = 0;
    std::uint16_t radialOffset = 0;
    std::uint32_t markCount = 0;
    double nominalRadius = 0.0;
    double r0 = 0.0;
    double dr = 0.0;
    double a0 = 0.0;
    double d = 0.0;
};

class OptionError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The records of the job the options describe. Throws OptionError.
JobFile::LabelingParameters labelingParameters(const LabelOptions& options);
JobFile::DriveCapabilities driveCapabilities(const LabelOptions& options);

// Track layout of a job, computed from the records exactly as the viewer
// computes it. Throws OptionError when the label needs a track number or a
// mark count beyond 16 bits.
std::vector<TrackPlan> planJobTracks(const LabelOptions& options);
// One row per track from kFloydFirstTrackRadius outwards, each a full turn.
std::vector<TrackPlan> planFloydRows(const LabelOptions& options);

// On/off marks for every planned track. Marks outside [innerRadius,
// outerRadius] stay off; `pictureRadius` is the disc radius the picture spans.
std::vector<std::vector<bool>> halftone(const GreyPicture& picture, double pictureRadius, double innerRadius,
                                        double outerRadius, const std::vector<TrackPlan>& tracks);

JobFile::Job makeJob(const GreyPicture& picture, const LabelOptions& options);

struct FloydRows {
    std::uint16_t tracksPerInch = 0;
    std::uint16_t dotsPerInch = 0;
    bool counterClockwise = false;
    std::vector<std::vector<std::uint8_t>> rows; // 0 or 1 per pixel
};
FloydRows makeFloydRows(const GreyPicture& picture, const LabelOptions& options);

} // namespace jobgen
