#include "RenderPass.h"

#include <QImage>
#include <QPainter>

#include <climits>
#include <cmath>
#include <cstring>

#include "jobfile/JobFile.h"
#include "jobview/CJobViewDoc.h"
#include "jobview/FloydImage.h"
#include "trackrender/ParallelTrackRender.h"
#include "trackrender/TrackRender.h"

namespace jobview {

namespace {

constexpr double kNanometresPerInch = 25400000.0;
constexpr double kMicronsPerInch = 25400.0;

structures::MORVATINE_TRACK_HEADER_V1 blankHeader() {
    structures::MORVATINE_TRACK_HEADER_V1 header;
    std::memset(&header, 0, sizeof header);
    return header;
}

// Pixels of a radius, truncated toward zero. A radius the renderer never
// reached (a sled position of -1) or one that does not fit an int (a drive
// record with an outer radius of 0 makes the scale infinite) gives no circle.
bool radiusInPixels(CTrackRender& render, double microns, int offset, int& pixels) {
    const double p = std::trunc(render.MicronsToPixels(microns));
    if (!std::isfinite(p) || p > double(INT_MAX / 2) || p < 0.0)
        return false;
    pixels = int(p) - offset;
    return pixels > 0;
}

HitMap keepHits(const CTrackRender& render) {
    HitMap map;
    if (!render.canvas)
        return map;
    const TrackCanvas& canvas = *render.canvas;
    map.size = int(canvas.width);
    map.pixelsPerMicron = render.pixelsPerMicron;
    map.maxCount = canvas.maxCount;
    map.counts.reserve(std::size_t(canvas.width) * canvas.height);
    for (const std::vector<std::uint32_t>& column : canvas.counts)
        map.counts.insert(map.counts.end(), column.begin(), column.end());
    return map;
}

int progressMaximum(unsigned long count) {
    return count > static_cast<unsigned long>(INT_MAX) ? INT_MAX : int(count);
}

// Clears the busy flag however the pass ends.
class BusyGuard {
public:
    explicit BusyGuard(bool& flag) : flag(flag) { flag = true; }
    ~BusyGuard() { flag = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& flag;
};

// Tells the observer the pass is over however it ends.
class ObserverSession {
public:
    explicit ObserverSession(PassObserver& observer) : observer(observer) { observer.passStarted(); }
    ~ObserverSession() { observer.passFinished(); }
    ObserverSession(const ObserverSession&) = delete;
    ObserverSession& operator=(const ObserverSession&) = delete;

private:
    PassObserver& observer;
};

// Where the pass's tracks go: straight to the renderer one by one, or queued
// for the parallel renderer and drawn a batch at a time. Both give the same
// picture; the batches keep the progress dialog moving while the workers draw.
class TrackSink {
public:
    TrackSink(CTrackRender& render, const RenderPass::Threading& threading) : render(render) {
        if (!threading.oneByOne)
            parallel = std::make_unique<trackrender::ParallelTrackRender>(render, threading.workers);
    }
    void atRes(bool spiral, const structures::MORVATINE_TRACK_HEADER_V1& header, std::vector<unsigned char>& marks,
               double resolution) {
        if (parallel) {
            parallel->addTrackAtRes(spiral, header, std::move(marks), resolution);
            flushEvery();
        } else {
            render.RenderTrackAtRes(spiral, header, marks, resolution);
        }
    }
    void atRes(const structures::MORVATINE_TRACK_HEADER_V1& header, std::vector<bool>&& marks, double resolution) {
        if (parallel) {
            parallel->addTrackAtRes(false, header, std::move(marks), resolution);
            flushEvery();
        } else {
            render.RenderTrackAtRes(false, header, marks, resolution);
        }
    }
    // Every hit in the canvas and the sled positions final.
    void finish() {
        if (parallel)
            parallel->finish();
    }

private:
    void flushEvery() {
        if (parallel->pending() >= kTracksPerBatch)
            parallel->flush();
    }
    static constexpr std::size_t kTracksPerBatch = 64;
    CTrackRender& render;
    std::unique_ptr<trackrender::ParallelTrackRender> parallel;
};

bool renderJob(JobFile::CJobFile& job, CTrackRender& render, const RenderPass::Threading& threading,
               PassObserver& observer, RenderedPicture& out) {
    const JobFile::DriveCapabilities drive = job.GetDriveCapabilities();
    const JobFile::LabelingParameters labeling = job.GetLabelingParameters();
    const bool spiral = labeling.spiral != 0;
    const bool clockwise = labeling.clockwise != 0;
    double firstTrackRadius = double(drive.firstTrackRadius);
    if (spiral)
        firstTrackRadius += double(labeling.trackPitch) / 2000.0;
    const double pitch = double(labeling.trackPitch) / 1000.0;
    render.Init(kCanvasWidth, false, drive.outerRadius, firstTrackRadius, pitch, drive.angleUnitsPerTurn,
                clockwise);

    const unsigned long count = job.GetNumberOfTracks();
    observer.setRange(progressMaximum(count));
    const double resolution = kNanometresPerInch / double(labeling.markSpacing);
    TrackSink sink(render, threading);

    for (unsigned long i = 0; i < count && i <= static_cast<unsigned long>(INT_MAX); ++i) {
        JobFile::Track track = job.GetTrack(int(i));
        structures::MORVATINE_TRACK_HEADER_V1 header = blankHeader();
        header.trackNumber = track.trackNumber;
        header.startAngle = track.startAngle;
        header.radialOffset = track.radialOffset;
        header.lastTrack = track.lastTrack != 0 ? 1u : 0u;
        if (track.markCount != 0) {
            sink.atRes(spiral, header, track.marks, resolution);
            ++out.tracksRendered;
        }
        ++out.tracksVisited;
        observer.setPosition(int(i));
        if (!observer.dispatchEvents())
            return false;
        if (track.lastTrack != 0)
            break;
    }

    sink.finish();
    out.image.reset(render.GetBitmap());
    const struct {
        double microns;
        int offset;
        std::uint32_t argb;
    } circles[] = {
        {double(drive.innerRadius), 2, kLabelAreaColour},
        {double(drive.outerRadius), 1, kLabelAreaColour},
        {render.GetFirstSledPosition(), 0, kSledColour},
        {render.GetSledPosition(), 0, kSledColour},
    };
    for (const auto& c : circles) {
        int radius = 0;
        if (radiusInPixels(render, c.microns, c.offset, radius))
            out.circles.push_back({radius, c.argb});
    }
    if (out.image)
        drawCircles(*out.image, out.circles);
    return true;
}

bool renderFloyd(const FloydImage& floyd, CTrackRender& render, const RenderPass::Threading& threading,
                 PassObserver& observer, RenderedPicture& out) {
    const FloydHeader& head = floyd.header();
    const double pitch = kMicronsPerInch / double(head.tracksPerInch);
    render.Init(kCanvasWidth, false, kFloydOuterRadius, kFloydFirstTrackRadius, pitch,
                kFloydAngleUnitsPerTurn, !floyd.counterClockwise());
    const std::size_t rows = floyd.rowCount();
    observer.setRange(progressMaximum(rows));
    TrackSink sink(render, threading);
    for (std::size_t i = 0; i < rows; ++i) {
        const std::uint32_t width = floyd.rowWidth(i);
        if (width == 0)
            continue;
        std::vector<bool> marks(width, false);
        for (std::uint32_t j = 0; j < width; ++j)
            marks[j] = floyd.pixel(i, j) != 0;
        structures::MORVATINE_TRACK_HEADER_V1 header = blankHeader();
        header.trackNumber = floydTrackNumber(i);
        sink.atRes(header, std::move(marks), double(head.dotsPerInch));
        ++out.tracksRendered;
        ++out.tracksVisited;
        observer.setPosition(int(i));
        if (!observer.dispatchEvents())
            return false;
    }
    sink.finish();
    out.image.reset(render.GetBitmap());
    return true;
}

} // namespace

RenderPass::Result RenderPass::run(const CJobViewDoc* document, PassObserver& observer) {
    if (!document)
        return {};
    return run(document->job(), document->floyd(), observer);
}

RenderPass::Result RenderPass::run(JobFile::CJobFile* job, const FloydImage* floyd, PassObserver& observer) {
    Result result;
    if (!job && !floyd)
        return result;
    if (running) {
        result.outcome = Outcome::Busy;
        return result;
    }
    BusyGuard guard(running);
    ObserverSession session(observer);
    observer.setPosition(0);

    auto picture = std::make_unique<RenderedPicture>();
    CTrackRender render;
    const bool finished =
        job ? renderJob(*job, render, threading, observer, *picture)
            : renderFloyd(*floyd, render, threading, observer, *picture);
    if (!finished) {
        result.outcome = Outcome::Stopped;
        return result;
    }
    picture->hits = keepHits(render);
    result.outcome = Outcome::Rendered;
    result.picture = std::move(picture);
    return result;
}

bool drawCircles(Gdiplus::Image& image, const std::vector<Circle>& circles) {
    auto* bitmap = dynamic_cast<Gdiplus::Bitmap*>(&image);
    if (!bitmap)
        return false;
    const UINT width = image.GetWidth();
    const UINT height = image.GetHeight();
    Gdiplus::Rect area(0, 0, INT(width), INT(height));
    Gdiplus::BitmapData data;
    if (bitmap->LockBits(&area, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite,
                         PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return false;
    {
        // QImage::Format_ARGB32 is laid out in memory as GDI+'s 32bppARGB, so
        // the painter draws straight into the bitmap's pixels.
        QImage pixels(static_cast<uchar*>(data.Scan0), int(width), int(height), data.Stride,
                      QImage::Format_ARGB32);
        QPainter painter(&pixels);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setBrush(Qt::NoBrush);
        // GDI+ with high-quality smoothing puts whole-number coordinates on
        // pixel centres, Qt's painter on pixel edges. Shifted by half a pixel,
        // the rectangle (cx - r, cy - r, 2r, 2r) lands where GDI+ draws it:
        // centred on the middle of the renderer's centre pixel, one ring on
        // whole pixels instead of two half-strength ones.
        painter.translate(0.5, 0.5);
        const int cx = kCanvasWidth / 2;
        const int cy = kCanvasHeight / 2;
        for (const Circle& c : circles) {
            QPen pen(QColor::fromRgba(c.argb));
            pen.setWidthF(1.0);
            painter.setPen(pen);
            painter.drawEllipse(QRectF(QRect(cx - c.radius, cy - c.radius, 2 * c.radius, 2 * c.radius)));
        }
    }
    return bitmap->UnlockBits(&data) == Gdiplus::Ok;
}

} // namespace jobview
