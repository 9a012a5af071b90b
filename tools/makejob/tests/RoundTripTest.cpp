// A picture made into a job or a floyd picture, opened by the document and
// rendered the way the viewer renders, must look like the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "jobfile/JobWriter.h"
#include "jobgen/JobGenerator.h"
#include "jobview/CJobViewDoc.h"
#include "jobview/FloydWriter.h"
#include "trackrender/TrackRender.h"

namespace {

constexpr unsigned kCanvas = 801;

class SilentPrompter : public JobViewPrompter {
public:
    void showMessage(const std::string& text) override { ADD_FAILURE() << "unexpected message: " << text; }
    void showStatistics(const JobStatistics&) override {}
};

std::string tempFile(const std::string& name) {
    return (std::filesystem::path(::testing::TempDir()) / ("makejob_" + name)).string();
}

// Asymmetric on purpose: a mirrored or turned picture must not pass.
jobgen::GreyPicture testPicture() {
    jobgen::GreyPicture p;
    p.width = p.height = 200;
    p.pixels.assign(200 * 200, 255);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            std::uint8_t v = 255;
            if (std::hypot(x - 40.0, y - 70.0) < 25)
                v = 0; // black disc upper left
            else if (y > 140 && y < 175 && x > 30 && x < 170)
                v = static_cast<std::uint8_t>((x - 30) * 255 / 140); // wedge at the bottom
            else if (x > 140 && x < 180 && y > 60 && y < 110)
                v = 100; // grey block on the right
            p.pixels[static_cast<std::size_t>(y * 200 + x)] = v;
        }
    return p;
}

structures::MORVATINE_TRACK_HEADER_V1 headerFor(std::uint16_t trackNumber, std::uint16_t startAngle,
                                                std::uint16_t radialOffset, bool last) {
    structures::MORVATINE_TRACK_HEADER_V1 h{};
    h.trackNumber = trackNumber;
    h.startAngle = startAngle;
    h.radialOffset = radialOffset;
    h.lastTrack = last ? 1 : 0;
    return h;
}

// The viewer's rendering pass for a job.
void renderJob(CTrackRender& render, JobFile::CJobFile& job) {
    const JobFile::DriveCapabilities drive = job.GetDriveCapabilities();
    const JobFile::LabelingParameters lab = job.GetLabelingParameters();
    const bool spiral = lab.spiral != 0;
    const double first = drive.firstTrackRadius + (spiral ? lab.trackPitch / 2000.0 : 0.0);
    render.Init(kCanvas, false, drive.outerRadius, first, lab.trackPitch / 1000.0, drive.angleUnitsPerTurn,
                lab.clockwise != 0);
    const double resolution = 25400000.0 / lab.markSpacing;
    const unsigned long n = job.GetNumberOfTracks();
    for (unsigned long i = 0; i < n; ++i) {
        JobFile::Track t = job.GetTrack(static_cast<int>(i));
        if (t.markCount != 0)
            render.RenderTrackAtRes(spiral,
                                    headerFor(t.trackNumber, t.startAngle, t.radialOffset, t.lastTrack),
                                    t.marks, resolution);
        if (t.lastTrack)
            break;
    }
}

// The viewer's rendering pass for a floyd picture, row i as track number i.
void renderFloyd(CTrackRender& render, const FloydImage& floyd) {
    render.Init(kCanvas, false, 57600, 23000.0, 25400.0 / floyd.header().tracksPerInch, 400,
                !floyd.counterClockwise());
    for (std::size_t i = 0; i < floyd.rowCount(); ++i) {
        if (floyd.rowWidth(i) == 0)
            continue;
        std::vector<bool> marks(floyd.rowWidth(i));
        for (std::uint32_t j = 0; j < floyd.rowWidth(i); ++j)
            marks[j] = floyd.pixel(i, j) != 0;
        render.RenderTrackAtRes(false, headerFor(static_cast<std::uint16_t>(i), 0, 0, false), marks,
                                floyd.header().dotsPerInch);
    }
}

// Correlation between the rendered darkness and the picture's ink over 8 x 8
// pixel blocks inside the label annulus. `mirror` flips the picture left to right.
double likeness(const CTrackRender& render, const jobgen::GreyPicture& picture, double outer, double inner,
                bool mirror = false) {
    const double ppm = render.pixelsPerMicron;
    const double c = kCanvas * 0.5;
    const double scale = picture.width / (2.0 * outer);
    std::vector<double> a, b;
    for (unsigned by = 0; by + 8 <= kCanvas; by += 8)
        for (unsigned bx = 0; bx + 8 <= kCanvas; bx += 8) {
            double counts = 0, ink = 0;
            bool inside = true;
            for (unsigned y = by; y < by + 8 && inside; ++y)
                for (unsigned x = bx; x < bx + 8; ++x) {
                    const double dx = (x + 0.5 - c) / ppm, dy = (y + 0.5 - c) / ppm;
                    const double r = std::hypot(dx, dy);
                    if (r < inner + 400 || r > outer - 400) {
                        inside = false;
                        break;
                    }
                    counts += render.canvas->counts[x][y];
                    const double px = picture.width / 2.0 + (mirror ? -dx : dx) * scale;
                    ink += 1.0 - picture.sample(px, picture.height / 2.0 + dy * scale) / 255.0;
                }
            if (inside) {
                a.push_back(counts);
                b.push_back(ink);
            }
        }
    const double n = static_cast<double>(a.size());
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ma += a[i] / n;
        mb += b[i] / n;
    }
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return sab / std::sqrt(saa * sbb);
}

struct JobCase {
    const char* name;
    bool spiral;
    bool clockwise;
    unsigned startAngleStep;
};

class PictureToJob : public ::testing::TestWithParam<JobCase> {};

TEST_P(PictureToJob, RendersLikeThePicture) {
    const jobgen::GreyPicture picture = testPicture();
    jobgen::LabelOptions o;
    o.tracksPerInch = 300;
    o.dotsPerInch = 600;
    o.spiral = GetParam().spiral;
    o.clockwise = GetParam().clockwise;
    o.startAngleStep = GetParam().startAngleStep;
    const JobFile::Job made = jobgen::makeJob(picture, o);
    const std::string path = tempFile(std::string(GetParam().name) + ".tolm");
    ASSERT_TRUE(JobFile::JobWriter::save(made, path));

    SilentPrompter prompter;
    CJobViewDoc doc(prompter);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    ASSERT_NE(doc.job(), nullptr);
    ASSERT_EQ(doc.job()->GetNumberOfTracks(), made.tracks.size());
    EXPECT_EQ(doc.job()->GetTrack(static_cast<int>(made.tracks.size()) - 1).marks, made.tracks.back().marks);

    CTrackRender render;
    renderJob(render, *doc.job());
    const double like = likeness(render, picture, o.outerRadius, o.innerRadius);
    EXPECT_GT(like, 0.98) << GetParam().name;
    EXPECT_LT(likeness(render, picture, o.outerRadius, o.innerRadius, true), 0.6) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Layouts, PictureToJob,
                         ::testing::Values(JobCase{"CircularClockwise", false, true, 0},
                                           JobCase{"CircularCounterClockwise", false, false, 91},
                                           JobCase{"SpiralClockwise", true, true, 0},
                                           JobCase{"SpiralVaryingStart", true, true, 37},
                                           JobCase{"SpiralCounterClockwise", true, false, 211}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PictureToFloyd, RendersLikeThePictureWithRowIAsTrackI) {
    const jobgen::GreyPicture picture = testPicture();
    jobgen::LabelOptions o;
    o.tracksPerInch = 300;
    o.dotsPerInch = 600;
    for (bool clockwise : {true, false}) {
        o.clockwise = clockwise;
        const jobgen::FloydRows rows = jobgen::makeFloydRows(picture, o);
        FloydPicture floyd;
        floyd.tracksPerInch = rows.tracksPerInch;
        floyd.dotsPerInch = rows.dotsPerInch;
        floyd.flags = rows.counterClockwise ? 0x02 : 0;
        for (const auto& row : rows.rows)
            floyd.rows.emplace_back(row.begin(), row.end());
        const std::string path = tempFile(clockwise ? "cw.fld" : "ccw.fld");
        ASSERT_TRUE(floyd::save(floyd, path));

        SilentPrompter prompter;
        CJobViewDoc doc(prompter);
        ASSERT_TRUE(doc.OnOpenDocument(path));
        ASSERT_NE(doc.floyd(), nullptr);
        CTrackRender render;
        renderFloyd(render, *doc.floyd());
        EXPECT_GT(likeness(render, picture, 57600, 23000), 0.98) << clockwise;
        EXPECT_LT(likeness(render, picture, 57600, 23000, true), 0.6) << clockwise;
    }
}

} // namespace
