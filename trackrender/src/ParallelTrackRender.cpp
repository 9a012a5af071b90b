#include "trackrender/ParallelTrackRender.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>

#include "TrackPlan.h"

namespace trackrender {

using namespace detail;

namespace {

// About a tenth of a second of one core's drawing: enough to keep the workers
// busy, little enough that a caller's queue stays small.
constexpr std::size_t kAutoFlushMarks = std::size_t(1) << 24;

struct QueuedTrack {
    enum class Form { AtResBytes, AtResBools, CircleBytes, CircleBools };
    Form form;
    TrackStart start;
    std::vector<unsigned char> bytes;
    std::vector<bool> bools;
    double endRadius = 0.0; // written by the worker that draws it
};

} // namespace

struct ParallelTrackRender::Impl {
    CTrackRender& render;
    unsigned workerCount;
    std::vector<QueuedTrack> queue;
    std::size_t queuedMarks = 0;
    // Worker 0 is the calling thread and draws straight into the canvas; the
    // others keep grids of their own until finish().
    std::vector<std::unique_ptr<TrackCanvas>> grids;
    bool gridsDirty = false;

    Impl(CTrackRender& r, unsigned w) : render(r), workerCount(w) {}

    void draw(QueuedTrack& t, TrackCanvas& canvas) const {
        const double centre = render.canvasSize * 0.5;
        const double ppm = render.pixelsPerMicron;
        switch (t.form) {
        case QueuedTrack::Form::AtResBytes:
            t.endRadius = drawAtRes(canvas, centre, ppm, t.start, ByteBits{t.bytes.data(), t.bytes.size()});
            break;
        case QueuedTrack::Form::AtResBools:
            t.endRadius = drawAtRes(canvas, centre, ppm, t.start, BoolMarks{t.bools});
            break;
        case QueuedTrack::Form::CircleBytes:
            drawFullCircle(canvas, centre, ppm, t.start, ByteBits{t.bytes.data(), t.bytes.size()});
            t.endRadius = t.start.radius;
            break;
        case QueuedTrack::Form::CircleBools:
            drawFullCircle(canvas, centre, ppm, t.start, BoolMarks{t.bools});
            t.endRadius = t.start.radius;
            break;
        }
    }

    void enqueue(QueuedTrack&& t, std::size_t marks) {
        queue.push_back(std::move(t));
        queuedMarks += marks;
        if (queuedMarks >= kAutoFlushMarks)
            flush();
    }

    void flush() {
        if (queue.empty())
            return;
        TrackCanvas& canvas = *render.canvas;
        const unsigned helpers = std::min<std::size_t>(workerCount, queue.size()) - 1;
        while (grids.size() < helpers)
            grids.push_back(std::make_unique<TrackCanvas>(canvas.width, canvas.height));
        // Tracks are taken one at a time from a shared counter: their lengths
        // differ too much for a fixed split to keep every worker busy.
        std::atomic<std::size_t> next{0};
        auto work = [&](TrackCanvas& target) {
            for (std::size_t i = next.fetch_add(1); i < queue.size(); i = next.fetch_add(1))
                draw(queue[i], target);
        };
        std::vector<std::thread> threads;
        threads.reserve(helpers);
        try {
            for (unsigned w = 0; w < helpers; ++w)
                threads.emplace_back(work, std::ref(*grids[w]));
        } catch (const std::system_error&) {
            // No more threads to be had: the ones started and this one finish the queue.
        }
        if (!threads.empty())
            gridsDirty = true;
        work(canvas);
        for (std::thread& t : threads)
            t.join();
        render.sledPosition = queue.back().endRadius;
        queue.clear();
        queuedMarks = 0;
    }

    void finish() {
        flush();
        if (!gridsDirty)
            return;
        TrackCanvas& canvas = *render.canvas;
        std::uint32_t maxCount = canvas.maxCount;
        for (std::uint32_t x = 0; x < canvas.width; ++x) {
            std::vector<std::uint32_t>& column = canvas.counts[x];
            for (const auto& grid : grids) {
                std::vector<std::uint32_t>& theirs = grid->counts[x];
                for (std::uint32_t y = 0; y < canvas.height; ++y)
                    column[y] += theirs[y];
                std::fill(theirs.begin(), theirs.end(), 0u);
            }
            for (std::uint32_t y = 0; y < canvas.height; ++y)
                maxCount = std::max(maxCount, column[y]);
        }
        canvas.maxCount = maxCount;
        for (const auto& grid : grids)
            grid->maxCount = 0;
        gridsDirty = false;
    }
};

unsigned defaultWorkerCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

ParallelTrackRender::ParallelTrackRender(CTrackRender& render, unsigned workers)
    : impl(std::make_unique<Impl>(render, workers == 0 ? defaultWorkerCount() : workers)) {}

ParallelTrackRender::~ParallelTrackRender() {
    if (impl->render.canvas)
        impl->finish();
}

unsigned ParallelTrackRender::workers() const {
    return impl->workerCount;
}

std::size_t ParallelTrackRender::pending() const {
    return impl->queue.size();
}

void ParallelTrackRender::addTrackAtRes(bool spiral, structures::MORVATINE_TRACK_HEADER_V1 header,
                                        std::vector<unsigned char> marks, double resolution) {
    QueuedTrack t{QueuedTrack::Form::AtResBytes, {}, std::move(marks), {}};
    if (!startAtRes(impl->render, spiral, header, resolution, t.start))
        return;
    const std::size_t n = t.bytes.size() * 8;
    impl->enqueue(std::move(t), n);
}

void ParallelTrackRender::addTrackAtRes(bool spiral, structures::MORVATINE_TRACK_HEADER_V1 header,
                                        std::vector<bool> marks, double resolution) {
    QueuedTrack t{QueuedTrack::Form::AtResBools, {}, {}, std::move(marks)};
    if (!startAtRes(impl->render, spiral, header, resolution, t.start))
        return;
    const std::size_t n = t.bools.size();
    impl->enqueue(std::move(t), n);
}

void ParallelTrackRender::addFullCircularTrack(structures::MORVATINE_TRACK_HEADER_V1 header,
                                               std::vector<bool> marks) {
    QueuedTrack t{QueuedTrack::Form::CircleBools, {}, {}, std::move(marks)};
    if (!startFullCircle(impl->render, header, t.start))
        return;
    const std::size_t n = t.bools.size();
    impl->enqueue(std::move(t), n);
}

void ParallelTrackRender::addFullCircularTrack(structures::MORVATINE_TRACK_HEADER_V1 header,
                                               std::vector<unsigned char> marks) {
    QueuedTrack t{QueuedTrack::Form::CircleBytes, {}, std::move(marks), {}};
    if (!startFullCircle(impl->render, header, t.start))
        return;
    const std::size_t n = t.bytes.size() * 8;
    impl->enqueue(std::move(t), n);
}

void ParallelTrackRender::flush() {
    if (impl->render.canvas)
        impl->flush();
}

void ParallelTrackRender::finish() {
    if (impl->render.canvas)
        impl->finish();
}

} // namespace trackrender
