// Rendering a whole job on every core, with the picture the one-by-one calls
// of CTrackRender give.
//
// Tracks depend on each other only through what is cheap to work out in order:
// whether the track fits, the first sled position and the one number the
// generator draws per track. Each add* call works that out at once, on the
// calling thread, in call order, and queues the track; flush() then runs the
// queued tracks' mark loops on the workers, each into a hit grid of its own,
// and finish() adds the workers' grids into the renderer's canvas. Hit counts
// add up in any order, so the picture equals the one-by-one one pixel for pixel.
//
// Init the CTrackRender first and keep it alive and un-Init'ed while the
// ParallelTrackRender lives. Until finish() the canvas holds only the hits the
// calling thread drew; the sled position is current after every flush().
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "trackrender/TrackRender.h"

namespace trackrender {

class TRACKRENDER_API ParallelTrackRender {
public:
    // workers 0: one per hardware thread. The calling thread is one of them.
    explicit ParallelTrackRender(CTrackRender& render, unsigned workers = 0);
    ~ParallelTrackRender(); // finishes
    ParallelTrackRender(const ParallelTrackRender&) = delete;
    ParallelTrackRender& operator=(const ParallelTrackRender&) = delete;

    unsigned workers() const;

    // As CTrackRender::RenderTrackAtRes / RenderFullCircularTrack, but queued.
    // The marks are taken over (move them in to spare a copy).
    void addTrackAtRes(bool spiral, structures::MORVATINE_TRACK_HEADER_V1 header,
                       std::vector<unsigned char> marks, double resolution);
    void addTrackAtRes(bool spiral, structures::MORVATINE_TRACK_HEADER_V1 header, std::vector<bool> marks,
                       double resolution);
    void addFullCircularTrack(structures::MORVATINE_TRACK_HEADER_V1 header, std::vector<bool> marks);
    void addFullCircularTrack(structures::MORVATINE_TRACK_HEADER_V1 header, std::vector<unsigned char> marks);

    // Tracks queued since the last flush (skipped tracks are never queued).
    std::size_t pending() const;

    // Draws the queued tracks and sets the renderer's sled position. Called by
    // the add* calls on their own once the queue holds many marks.
    void flush();
    // flush(), then every worker's hits into the canvas. Further tracks may be
    // added afterwards; they need another finish().
    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// The number of workers `0` stands for on this machine (at least 1).
TRACKRENDER_API unsigned defaultWorkerCount();

} // namespace trackrender
