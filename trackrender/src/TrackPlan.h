// What one track needs before its marks can be drawn, and the loops that draw
// them. A track's start (size check, first sled position, its one draw of the
// generator) depends on the tracks before it and is cheap; its mark loop depends
// on nothing but the start and costs a sine and a cosine per mark. The
// one-by-one renderer and the parallel one both run exactly these functions, so
// the same track gives the same pixels on either path.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "trackrender/TrackRender.h"

namespace trackrender::detail {

inline constexpr double kTwoPi = 6.283185307179586;
inline constexpr double kMicronsPerInch = 25400.0;

// Marks come as bits of bytes (least significant first), as bools, or as a
// raw byte run; the drawing loops take any of them through this one shape.
struct ByteBits {
    const unsigned char* bytes;
    std::size_t byteCount;
    std::size_t size() const { return byteCount * 8; }
    bool operator[](std::size_t i) const { return (bytes[i >> 3] >> (i & 7)) & 1u; }
};

struct BoolMarks {
    const std::vector<bool>& marks;
    std::size_t size() const { return marks.size(); }
    bool operator[](std::size_t i) const { return marks[i]; }
};

// The running values at the first mark of a track.
struct TrackStart {
    double angle = 0.0;      // radians, jitter included
    double step = 0.0;       // radians per mark, signed by the direction
    double radius = 0.0;     // micrometres
    double radialStep = 0.0; // micrometres per mark; 0 off a spiral
};

// Records the mark at a point of the disc. Column and row are the floors of
// the projected coordinates; a point whose floor falls outside the grid (a
// spiral grown past the nominal circle, a negative radius, the far edge) is
// dropped. For the non-negative values that remain, truncation is the floor,
// which spares a library call per coordinate.
inline void hitPolar(TrackCanvas& canvas, double centre, double radiusPixels, double angle) {
    const double fx = centre + radiusPixels * std::cos(angle);
    const double fy = centre - radiusPixels * std::sin(angle);
    if (!(fx >= 0.0) || !(fy >= 0.0) || fx >= double(canvas.width) || fy >= double(canvas.height))
        return;
    canvas.Hit(std::uint32_t(fx), std::uint32_t(fy));
}

// The in-order part of RenderTrackAtRes. False: the track does not fit the
// canvas and leaves no trace (no sled position, no random draw).
inline bool startAtRes(CTrackRender& r, bool spiral, const structures::MORVATINE_TRACK_HEADER_V1& header,
                       double resolution, TrackStart& out) {
    if (!r.canvas)
        return false;
    const double R = double(header.trackNumber) * r.trackPitch + r.firstTrackRadius;
    double r0 = R;
    if (spiral) {
        int s = int(header.startAngle);
        if (s >= 200)
            s -= 400;
        const int k = int(header.radialOffset) + 2 * s;
        r0 = R - r.trackPitch * (k / 800.0);
    }
    if (double(r.canvasSize) < 2.0 * R * r.pixelsPerMicron)
        return false;
    if (r.firstSledPosition < 0.0)
        r.firstSledPosition = r0;
    double a0 = double(header.startAngle) / double(r.angleUnitsPerTurn) * kTwoPi;
    if (r.clockwise)
        a0 = -a0;
    double d = (kMicronsPerInch / resolution) / R;
    const double dr = spiral ? d * r.trackPitch / kTwoPi : 0.0;
    if (r.clockwise)
        d = -d;
    const int n = trackrender::Rand();
    out.angle = a0 + (n / 32767.0 * 0.5) / (R * r.pixelsPerMicron);
    out.step = d;
    out.radius = r0;
    out.radialStep = dr;
    return true;
}

// The in-order part of RenderFullCircularTrack. With no marks per turn there
// is no angular step: the track is left out entirely, without touching the
// sled positions or the random sequence.
inline bool startFullCircle(CTrackRender& r, const structures::MORVATINE_TRACK_HEADER_V1& header,
                            TrackStart& out) {
    if (!r.canvas || header.markCount == 0)
        return false;
    const double R = double(header.trackNumber) * r.trackPitch + r.firstTrackRadius;
    if (double(r.canvasSize) < 2.0 * R * r.pixelsPerMicron)
        return false;
    if (r.firstSledPosition < 0.0)
        r.firstSledPosition = R;
    double a0 = double(header.startAngle) / double(r.angleUnitsPerTurn) * kTwoPi;
    if (r.clockwise)
        a0 = -a0;
    double d = kTwoPi / double(header.markCount);
    if (r.clockwise)
        d = -d;
    out.angle = a0 + (trackrender::Rand() / 32767.0 * 0.5) / (R * r.pixelsPerMicron);
    out.step = d;
    out.radius = R;
    out.radialStep = 0.0;
    return true;
}

// The mark loop of RenderTrackAtRes; returns the radius reached after the last
// mark (the sled position), stepped mark by mark as the drive's sled moves.
template <typename Marks>
double drawAtRes(TrackCanvas& canvas, double centre, double pixelsPerMicron, const TrackStart& start,
                 const Marks& marks) {
    double a = start.angle;
    double radius = start.radius;
    const std::size_t count = marks.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (marks[i])
            hitPolar(canvas, centre, radius * pixelsPerMicron, a);
        a = a + start.step;
        radius = radius + start.radialStep;
    }
    return radius;
}

// The mark loop of RenderFullCircularTrack: one radius all the way round.
template <typename Marks>
void drawFullCircle(TrackCanvas& canvas, double centre, double pixelsPerMicron, const TrackStart& start,
                    const Marks& marks) {
    const double radiusPixels = start.radius * pixelsPerMicron;
    double a = start.angle;
    for (std::size_t i = 0, n = marks.size(); i < n; ++i) {
        if (marks[i])
            hitPolar(canvas, centre, radiusPixels, a);
        a = a + start.step;
    }
}

} // namespace trackrender::detail
