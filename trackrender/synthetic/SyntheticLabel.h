// A label made by code: a few hundred spiral and circular tracks whose marks
// write "QUILLMARK" around the disc between two rings. Used by tests, the
// benchmark, the Windows cross-check and the demo, so that none of them needs
// a print job from outside.
#pragma once

#include <string>
#include <vector>

#include "trackrender/TrackRender.h"

namespace synthetic {

struct LabelTrack {
    structures::MORVATINE_TRACK_HEADER_V1 header{};
    bool atResolution = true; // RenderTrackAtRes with bytes, else RenderFullCircularTrack with bools
    bool spiral = false;
    std::vector<unsigned char> bytes;
    std::vector<bool> bits;
};

struct Label {
    unsigned int canvasSize = 801;
    unsigned long outerRadius = 60000;
    double firstTrackRadius = 22000.0;
    double trackPitch = 100.0;
    unsigned int angleUnitsPerTurn = 400;
    bool clockwise = false;
    double resolution = 254.0; // marks per inch: one mark every 100 micrometres
    std::vector<LabelTrack> tracks;
};

// Whether the label pattern is dark at this point (radius in micrometres,
// angle in radians, counter-clockwise from the positive x axis).
bool PatternAt(double radius, double angle);

Label MakeQuillmarkLabel(unsigned int trackCount = 360);

// Init from the label's geometry, then every track in order.
void RenderLabel(CTrackRender& render, Label& label);

// Writes the label as a BMP through the renderer; false when GDI+ refuses.
bool WriteLabelBmp(Label& label, const std::wstring& path);

} // namespace synthetic
