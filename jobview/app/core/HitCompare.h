// Two rendered pictures side by side: where their hit counts differ, by how
// much, and a picture of it. No Qt: the window, `jobview --compare` and the
// previews all go through here.
//
// Geometry: hit counts only compare pixel for pixel at one scale (pixels per
// micrometre), because a pixel's count is the marks that fall on its area; at
// another scale the same burn gives other counts everywhere. Pictures of other
// scales are therefore refused. At one scale but another canvas size (the
// disc's centre stays in the middle of each canvas) B is laid on A's canvas by
// disc position, and the summary warns, counting B's hits that fall outside it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "RenderPass.h"

namespace jobview {

// Changed pixels in one ring of the disc, 1 mm wide.
struct RingChange {
    int innerMillimetres = 0; // the ring spans [inner, inner + 1) mm from the centre
    std::uint64_t pixelsChanged = 0;
    std::uint64_t pixels = 0; // of the canvas in that ring, changed or not
};

struct CompareSummary {
    std::uint64_t pixelsChanged = 0;
    std::uint64_t pixelsMoreInB = 0;
    std::uint64_t pixelsFewerInB = 0;
    std::int64_t largestIncrease = 0; // B - A, at its largest (0 when B has nowhere more)
    std::int64_t largestDecrease = 0; // B - A, at its smallest (0 when B has nowhere fewer)
    int largestX = -1, largestY = -1; // a pixel with the largest |B - A|; -1 when equal
    std::uint64_t hitsA = 0, hitsB = 0;
    std::vector<RingChange> rings; // rings holding changed pixels, inside out
    std::string warning;           // empty unless the canvases differ in size

    bool equal() const { return pixelsChanged == 0; }
    std::uint64_t largestDifference() const {
        const std::uint64_t up = std::uint64_t(largestIncrease);
        const std::uint64_t down = std::uint64_t(-largestDecrease);
        return up > down ? up : down;
    }
};

class HitComparison {
public:
    // Nullopt with *why set when the pictures cannot be compared (see above).
    static std::optional<HitComparison> make(const HitMap& a, const HitMap& b, std::string* why);

    int size() const { return a_.size; }
    const HitMap& a() const { return a_; }
    // B on A's canvas.
    const HitMap& b() const { return b_; }
    std::int64_t differenceAt(int x, int y) const { return std::int64_t(b_.at(x, y)) - std::int64_t(a_.at(x, y)); }
    const CompareSummary& summary() const { return summary_; }

    // The difference picture, row by row (pixel (x, y) at y * size + x), opaque
    // ARGB: pixels with more hits in B red, with fewer blue, the stronger the
    // larger the difference; unchanged pixels show A faded to light grey.
    std::vector<std::uint32_t> differencePicture() const;

private:
    HitMap a_, b_;
    CompareSummary summary_;
};

inline constexpr std::uint32_t kMoreInBColour = 0xFFFF0000;  // at the largest difference
inline constexpr std::uint32_t kFewerInBColour = 0xFF0000FF; // at the largest difference

// The colour of one pixel of the difference picture.
std::uint32_t differenceColour(std::int64_t difference, std::uint64_t largest, std::uint32_t countA,
                               std::uint32_t maxA);

// The summary as text lines, and as one JSON document.
std::string summaryText(const CompareSummary& s);
std::string summaryJson(const CompareSummary& s, const std::string& fileA, const std::string& fileB);

} // namespace jobview
