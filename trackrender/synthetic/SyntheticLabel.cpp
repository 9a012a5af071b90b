#include "SyntheticLabel.h"

#include <cmath>
#include <cstring>

namespace synthetic {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = kTwoPi / 4;

// 5 x 7 glyphs, top row first, bit 4 = leftmost column.
struct Glyph {
    char letter;
    unsigned char rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}}, {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
};
constexpr char kText[] = "QUILLMARK";
constexpr int kLetters = sizeof(kText) - 1;

const Glyph* glyphFor(char c) {
    for (const Glyph& g : kGlyphs)
        if (g.letter == c)
            return &g;
    return nullptr;
}

constexpr double kTextInner = 30000.0;
constexpr double kTextOuter = 52000.0;

} // namespace

bool PatternAt(double radius, double angle) {
    if ((radius >= 24000.0 && radius < 25500.0) || (radius >= 55000.0 && radius < 56500.0))
        return true;
    if (radius < kTextInner || radius >= kTextOuter)
        return false;
    // Text reads clockwise from the top of the disc, letter tops outwards.
    double u = (kHalfPi - angle) / kTwoPi;
    u -= std::floor(u);
    const double cell = u * kLetters;
    const int letter = int(cell);
    const int column = int((cell - letter) * 6.0);
    const int row = int((kTextOuter - radius) / ((kTextOuter - kTextInner) / 7.0));
    if (letter < 0 || letter >= kLetters || column >= 5 || row < 0 || row >= 7)
        return false;
    const Glyph* g = glyphFor(kText[letter]);
    return g && ((g->rows[row] >> (4 - column)) & 1u);
}

Label MakeQuillmarkLabel(unsigned int trackCount) {
    Label label;
    label.tracks.reserve(trackCount);
    for (unsigned int t = 0; t < trackCount; ++t) {
        LabelTrack track;
        std::memset(&track.header, 0, sizeof track.header);
        track.header.trackNumber = t & 0xFFFFu;
        track.header.startAngle = (t * 37u) % label.angleUnitsPerTurn;
        track.header.lastTrack = t + 1 == trackCount ? 1 : 0;
        const double R = t * label.trackPitch + label.firstTrackRadius;
        const double a0 = double(track.header.startAngle) / label.angleUnitsPerTurn * kTwoPi;
        // First half: spiral turns at a fixed resolution; second half: full circles.
        track.atResolution = t < trackCount / 2;
        if (track.atResolution) {
            track.spiral = true;
            const double d = (25400.0 / label.resolution) / R;
            const double dr = d * label.trackPitch / kTwoPi;
            const auto marks = std::size_t(kTwoPi / d) & ~std::size_t(7);
            track.bytes.assign(marks / 8, 0);
            for (std::size_t i = 0; i < marks; ++i)
                if (PatternAt(R + double(i) * dr, a0 + double(i) * d))
                    track.bytes[i >> 3] |= static_cast<unsigned char>(1u << (i & 7));
        } else {
            const auto marks = static_cast<unsigned int>(kTwoPi * R / (25400.0 / label.resolution));
            track.header.markCount = marks & 0xFFFFu;
            track.bits.resize(marks);
            for (unsigned int i = 0; i < marks; ++i)
                track.bits[i] = PatternAt(R, a0 + kTwoPi * i / marks);
        }
        label.tracks.push_back(std::move(track));
    }
    return label;
}

void RenderLabel(CTrackRender& render, Label& label) {
    render.Init(label.canvasSize, false, label.outerRadius, label.firstTrackRadius, label.trackPitch,
                label.angleUnitsPerTurn, label.clockwise);
    for (LabelTrack& track : label.tracks) {
        if (track.atResolution)
            render.RenderTrackAtRes(track.spiral, track.header, track.bytes, label.resolution);
        else
            render.RenderFullCircularTrack(track.header, track.bits);
    }
}

bool WriteLabelBmp(Label& label, const std::wstring& path) {
    CTrackRender render;
    RenderLabel(render, label);
    std::wstring copy = path;
    return render.RenderToFile(copy.data());
}

} // namespace synthetic
