// Jobs and floyd pictures made for the viewer's tests: a builder states what
// a test cares about and the defaults fill the rest.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "RenderPass.h"
#include "jobfile/JobWriter.h"
#include "jobview/FloydWriter.h"

namespace testjobs {

// The drive of every test job: label area 23 to 57.6 mm, track 0 at 23 mm,
// 500 tracks and 1000 marks per inch, 400 angle units per turn.
constexpr unsigned kInner = 23000;
constexpr unsigned kOuter = 57600;
constexpr unsigned kFirst = 23000;
constexpr std::uint32_t kPitchNm = 50800;
constexpr std::uint32_t kSpacingNm = 25400;
constexpr double kPixelsPerMicron = 800.0 / (2.0 * kOuter);

inline std::string tempPath(const std::string& name) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / "jobview_tests";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

// A track whose marks are all on (or all off), enough of them for a full turn
// at the outer edge.
inline JobFile::Track track(std::uint16_t trackNumber, std::uint16_t markCount = 14400, bool on = true,
                            bool last = false, std::uint16_t startAngle = 0) {
    JobFile::Track t;
    t.trackNumber = trackNumber;
    t.markCount = markCount;
    t.startAngle = startAngle;
    t.lastTrack = last ? 1 : 0;
    t.marks.assign((markCount + 7) / 8, on ? 0xFF : 0x00);
    if (on && markCount % 8 != 0)
        t.marks.back() = static_cast<unsigned char>((1u << (markCount % 8)) - 1u);
    return t;
}

inline JobFile::Job job(std::vector<JobFile::Track> tracks, bool clockwise = false, bool spiral = false,
                        std::uint32_t pitchNm = kPitchNm) {
    JobFile::Job j;
    std::memset(&j.labeling, 0, sizeof j.labeling);
    std::memset(&j.drive, 0, sizeof j.drive);
    j.labeling.clockwise = clockwise ? 1 : 0;
    j.labeling.spiral = spiral ? 1 : 0;
    j.labeling.trackPitch = pitchNm;
    j.labeling.markSpacing = kSpacingNm;
    j.drive.innerRadius = kInner;
    j.drive.outerRadius = kOuter;
    j.drive.firstTrackRadius = kFirst;
    j.drive.angleUnitsPerTurn = 400;
    j.tracks = std::move(tracks);
    return j;
}

inline std::string save(const JobFile::Job& j, const std::string& name, std::uint16_t version = 3) {
    const std::string path = tempPath(name);
    const auto bytes = JobFile::JobWriter::serialize(j, version);
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_TRUE(f != nullptr);
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

inline std::string save(const FloydPicture& p, const std::string& name) {
    const std::string path = tempPath(name);
    std::string error;
    EXPECT_TRUE(floyd::save(p, path, &error)) << error;
    return path;
}

// Marks recorded within a pixel of the circle of `radius` micrometres.
inline std::uint64_t hitsNear(const jobview::HitMap& hits, double radius) {
    const double rp = radius * hits.pixelsPerMicron;
    std::uint64_t sum = 0;
    for (int y = 0; y < hits.size; ++y)
        for (int x = 0; x < hits.size; ++x) {
            const double d = std::hypot(x + 0.5 - hits.size * 0.5, y + 0.5 - hits.size * 0.5);
            if (std::abs(d - rp) <= 1.0)
                sum += hits.at(x, y);
        }
    return sum;
}

inline double trackRadius(unsigned trackNumber, std::uint32_t pitchNm = kPitchNm) {
    return kFirst + trackNumber * (pitchNm / 1000.0);
}

} // namespace testjobs
