#include "jobgen/JobGenerator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace jobgen {

namespace {

// The viewer's value of 2 pi, so that angles agree to the last bit.
constexpr double kTwoPi = 6.283185307179586;
constexpr double kMicronsPerInch = 25400.0;
constexpr double kNanometresPerInch = 25400000.0;

void validate(const LabelOptions& o) {
    auto inRange = [](unsigned v, unsigned lo, unsigned hi, const char* what) {
        if (v < lo || v > hi)
            throw OptionError(std::string(what) + " must lie between " + std::to_string(lo) + " and " +
                              std::to_string(hi) + " (got " + std::to_string(v) + ")");
    };
    inRange(o.tracksPerInch, 1, 65535, "tracks per inch");
    inRange(o.dotsPerInch, 1, 65535, "dots per inch");
    inRange(o.innerRadius, 1, 65535, "inner radius");
    inRange(o.outerRadius, 1, 65535, "outer radius");
    inRange(o.firstTrackRadius, 0, 65535, "first track radius");
    inRange(o.angleUnitsPerTurn, 1, 65535, "angle units per turn");
    if (o.innerRadius >= o.outerRadius)
        throw OptionError("the inner radius must be smaller than the outer radius");
}

std::uint32_t roundedNanometres(unsigned perInch) {
    return static_cast<std::uint32_t>(std::lround(kNanometresPerInch / perInch));
}

// Start angle of track n, in angle units.
std::uint32_t startAngleOf(std::uint64_t n, const LabelOptions& o) {
    return static_cast<std::uint32_t>(n * o.startAngleStep % o.angleUnitsPerTurn);
}

std::uint32_t checkedMarkCount(double marks, double radius) {
    const long long n = std::llround(marks);
    if (n > 65535)
        throw OptionError("a track at radius " + std::to_string(static_cast<long>(radius)) +
                          " um would need " + std::to_string(n) + " marks; lower the dots per inch");
    return static_cast<std::uint32_t>(std::max(0LL, n));
}

double normalisedAngle(double a) {
    a = std::fmod(a, kTwoPi);
    return a < 0 ? a + kTwoPi : a;
}

} // namespace

double GreyPicture::sample(double x, double y) const {
    const double fx = x - 0.5;
    const double fy = y - 0.5;
    if (width <= 0 || height <= 0 || fx < -0.5 || fy < -0.5 || fx > width - 0.5 || fy > height - 0.5)
        return 255.0;
    const int x0 = std::clamp(static_cast<int>(std::floor(fx)), 0, width - 1);
    const int y0 = std::clamp(static_cast<int>(std::floor(fy)), 0, height - 1);
    const int x1 = std::min(x0 + 1, width - 1);
    const int y1 = std::min(y0 + 1, height - 1);
    const double tx = std::clamp(fx - x0, 0.0, 1.0);
    const double ty = std::clamp(fy - y0, 0.0, 1.0);
    const double top = at(x0, y0) * (1 - tx) + at(x1, y0) * tx;
    const double bottom = at(x0, y1) * (1 - tx) + at(x1, y1) * tx;
    return top * (1 - ty) + bottom * ty;
}

JobFile::LabelingParameters labelingParameters(const LabelOptions& o) {
    validate(o);
    JobFile::LabelingParameters p{};
    p.clockwise = o.clockwise ? 1 : 0;
    p.spiral = o.spiral ? 1 : 0;
    p.trackPitch = o.trackPitchNm ? o.trackPitchNm : roundedNanometres(o.tracksPerInch);
    p.markSpacing = o.markSpacingNm ? o.markSpacingNm : roundedNanometres(o.dotsPerInch);
    return p;
}

JobFile::DriveCapabilities driveCapabilities(const LabelOptions& o) {
    validate(o);
    JobFile::DriveCapabilities d{};
    d.innerRadius = static_cast<std::uint16_t>(o.innerRadius);
    d.outerRadius = static_cast<std::uint16_t>(o.outerRadius);
    d.firstTrackRadius = static_cast<std::uint16_t>(o.firstTrackRadius);
    d.angleUnitsPerTurn = static_cast<std::uint16_t>(o.angleUnitsPerTurn);
    return d;
}

std::vector<TrackPlan> planJobTracks(const LabelOptions& o) {
    const JobFile::LabelingParameters lab = labelingParameters(o);
    const JobFile::DriveCapabilities drive = driveCapabilities(o);
    // Everything below is derived from the records, as the viewer derives it.
    const double pitch = lab.trackPitch / 1000.0;
    const double resolution = kNanometresPerInch / lab.markSpacing;
    const double spacing = kMicronsPerInch / resolution;
    const double firstRadius = drive.firstTrackRadius + (o.spiral ? lab.trackPitch / 2000.0 : 0.0);
    const unsigned units = drive.angleUnitsPerTurn;

    const double lowest = std::max(0.0, std::ceil((o.innerRadius - firstRadius) / pitch));
    const double highest = std::floor((o.outerRadius - firstRadius) / pitch);
    if (highest < lowest || highest < 0)
        throw OptionError("the label area holds no track at this pitch");
    if (highest > 65535)
        throw OptionError("the label needs track numbers beyond 65535; lower the tracks per inch");
    const auto first = static_cast<std::uint32_t>(lowest);
    const auto last = static_cast<std::uint32_t>(highest);

    // A spiral is one continuous line: track n starts on it at its own start
    // angle and runs to where track n + 1 starts. The line lies one pitch
    // further in when tracks start at varying angles, which keeps every
    // radial correction positive.
    bool varyingStart = false;
    for (std::uint32_t n = first; n <= last + 1 && !varyingStart; ++n)
        varyingStart = startAngleOf(n, o) != 0;
    const double lineShift = varyingStart ? 1.0 : 0.0;

    std::vector<TrackPlan> plan;
    plan.reserve(last - first + 1);
    for (std::uint32_t n = first; n <= last; ++n) {
        TrackPlan t;
        const std::uint32_t s = startAngleOf(n, o);
        t.trackNumber = static_cast<std::uint16_t>(n);
        t.startAngle = static_cast<std::uint16_t>(s);
        t.nominalRadius = n * pitch + firstRadius;
        if (t.nominalRadius <= 0.0)
            continue;
        double turns = 1.0;
        t.r0 = t.nominalRadius;
        if (o.spiral) {
            turns = 1.0 + (static_cast<double>(startAngleOf(n + 1, o)) - s) / units;
            const double k = 800.0 * (lineShift - static_cast<double>(s) / units);
            const long signedAngle = s >= 200 ? static_cast<long>(s) - 400 : static_cast<long>(s);
            const long offset = std::lround(k) - 2 * signedAngle;
            if (offset < 0 || offset > 65535)
                throw OptionError("start angles out of reach of the spiral correction");
            t.radialOffset = static_cast<std::uint16_t>(offset);
            t.r0 = t.nominalRadius - pitch * ((t.radialOffset + 2 * signedAngle) / 800.0);
        }
        t.markCount = checkedMarkCount(kTwoPi * turns * t.nominalRadius / spacing, t.nominalRadius);
        t.a0 = static_cast<double>(s) / units * kTwoPi;
        t.d = spacing / t.nominalRadius;
        t.dr = o.spiral ? t.d * pitch / kTwoPi : 0.0;
        if (o.clockwise) {
            t.a0 = -t.a0;
            t.d = -t.d;
        }
        plan.push_back(t);
    }
    return plan;
}

std::vector<TrackPlan> planFloydRows(const LabelOptions& o) {
    validate(o);
    const double pitch = kMicronsPerInch / o.tracksPerInch;
    const double spacing = kMicronsPerInch / o.dotsPerInch;
    const double outer = std::min<double>(o.outerRadius, kFloydOuterRadius);
    if (outer < kFloydFirstTrackRadius)
        throw OptionError("a floyd picture starts at radius 23000 um; the outer radius lies inside it");
    const double rows = std::floor((outer - kFloydFirstTrackRadius) / pitch) + 1;
    if (rows > 65535)
        throw OptionError("a floyd picture holds at most 65535 rows; lower the tracks per inch");
    std::vector<TrackPlan> plan(static_cast<std::size_t>(rows));
    for (std::size_t i = 0; i < plan.size(); ++i) {
        TrackPlan& t = plan[i];
        t.trackNumber = static_cast<std::uint16_t>(i);
        t.nominalRadius = kFloydFirstTrackRadius + static_cast<double>(i) * pitch;
        t.r0 = t.nominalRadius;
        const long long width = std::llround(kTwoPi * t.nominalRadius / spacing);
        t.markCount = static_cast<std::uint32_t>(std::min<long long>(width, 0xFFFFFFFFLL));
        t.d = spacing / t.nominalRadius * (o.clockwise ? -1.0 : 1.0);
    }
    return plan;
}

std::vector<std::vector<bool>> halftone(const GreyPicture& picture, double pictureRadius, double innerRadius,
                                        double outerRadius, const std::vector<TrackPlan>& tracks) {
    std::vector<std::vector<bool>> result;
    result.reserve(tracks.size());
    const double scale = std::max(picture.width, picture.height) / (2.0 * pictureRadius);
    const double cx = picture.width / 2.0;
    const double cy = picture.height / 2.0;

    // Error passed to the next track lives in angular bins as fine as the
    // longest track's marks; each mark of the next track collects the bins
    // nearest to it.
    std::uint32_t binCount = 1;
    for (const TrackPlan& t : tracks)
        binCount = std::max(binCount, t.markCount);
    std::vector<double> carry(binCount, 0.0), next(binCount, 0.0);
    auto binOf = [&](double angle) {
        const auto b = static_cast<std::uint32_t>(normalisedAngle(angle) / kTwoPi * binCount);
        return b >= binCount ? binCount - 1 : b;
    };

    for (const TrackPlan& t : tracks) {
        const std::uint32_t n = t.markCount;
        std::vector<bool> marks(n, false);
        std::vector<double> gathered(n, 0.0);
        const double marksPerTurn = kTwoPi / std::abs(t.d);
        for (std::uint32_t b = 0; b < binCount && n > 0; ++b) {
            if (carry[b] == 0.0)
                continue;
            const double theta = (b + 0.5) / binCount * kTwoPi;
            double pos = std::fmod((theta - t.a0) / t.d, marksPerTurn);
            if (pos < 0)
                pos += marksPerTurn;
            auto m = static_cast<std::uint64_t>(pos + 0.5);
            if (m >= n)
                m = pos > (n - 1 + marksPerTurn) / 2 ? 0 : n - 1;
            gathered[m] += carry[b];
        }
        std::fill(carry.begin(), carry.end(), 0.0);

        double along = 0.0;
        for (std::uint32_t m = 0; m < n; ++m) {
            const double r = t.r0 + m * t.dr;
            const double a = t.a0 + m * t.d;
            if (r < innerRadius || r > outerRadius) {
                along = 0.0;
                continue;
            }
            const double x = cx + r * std::cos(a) * scale;
            const double y = cy - r * std::sin(a) * scale;
            const double ink = 1.0 - picture.sample(x, y) / 255.0;
            const double v = ink + along + gathered[m];
            const bool on = v >= 0.5;
            marks[m] = on;
            const double e = std::clamp(v - (on ? 1.0 : 0.0), -1.0, 1.0);
            along = e * 7.0 / 16.0;
            next[binOf(a - t.d)] += e * 3.0 / 16.0;
            next[binOf(a)] += e * 5.0 / 16.0;
            next[binOf(a + t.d)] += e * 1.0 / 16.0;
        }
        std::swap(carry, next);
        result.push_back(std::move(marks));
    }
    return result;
}

JobFile::Job makeJob(const GreyPicture& picture, const LabelOptions& o) {
    JobFile::Job job;
    job.labeling = labelingParameters(o);
    job.drive = driveCapabilities(o);
    const std::vector<TrackPlan> plan = planJobTracks(o);
    const auto marks = halftone(picture, o.outerRadius, o.innerRadius, o.outerRadius, plan);
    job.tracks.reserve(plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
        JobFile::Track t;
        t.trackNumber = plan[i].trackNumber;
        t.startAngle = plan[i].startAngle;
        t.radialOffset = plan[i].radialOffset;
        t.markCount = static_cast<std::uint16_t>(plan[i].markCount);
        t.marks.assign((plan[i].markCount + 7) / 8, 0);
        for (std::uint32_t m = 0; m < plan[i].markCount; ++m)
            if (marks[i][m])
                t.marks[m / 8] = static_cast<unsigned char>(t.marks[m / 8] | (1u << (m % 8)));
        job.tracks.push_back(std::move(t));
    }
    if (!job.tracks.empty())
        job.tracks.back().lastTrack = 1;
    return job;
}

FloydRows makeFloydRows(const GreyPicture& picture, const LabelOptions& o) {
    const std::vector<TrackPlan> plan = planFloydRows(o);
    const auto marks = halftone(picture, o.outerRadius, o.innerRadius, o.outerRadius, plan);
    FloydRows rows;
    rows.tracksPerInch = static_cast<std::uint16_t>(o.tracksPerInch);
    rows.dotsPerInch = static_cast<std::uint16_t>(o.dotsPerInch);
    rows.counterClockwise = !o.clockwise;
    rows.rows.reserve(marks.size());
    for (const auto& row : marks)
        rows.rows.emplace_back(row.begin(), row.end());
    return rows;
}

} // namespace jobgen
