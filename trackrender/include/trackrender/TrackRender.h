// Public interface of the track rendering library.
//
// A CTrackRender turns label tracks (runs of on/off marks along circles of the
// disc) into a hit-count picture of the disc seen from above. The member layout
// is part of the interface: callers read the sled positions inline.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdiplus.h"
#include "trackrender/TrackRenderExport.h"

namespace structures {

// The 20-byte per-track record handed by value to every render call.
// Fields not named here are reserved; the renderer never reads them.
struct MORVATINE_TRACK_HEADER_V1 {
    std::uint32_t reserved0 : 16;
    std::uint32_t trackNumber : 16;
    std::uint32_t lastTrack : 8;
    std::uint32_t reserved1 : 8;
    std::uint32_t startAngle : 16;
    std::uint32_t radialOffset : 16;
    std::uint32_t markCount : 16;
    std::uint32_t reserved3;
    std::uint32_t reserved4;
};
static_assert(sizeof(MORVATINE_TRACK_HEADER_V1) == 20, "the track header crosses DLL boundaries as 20 bytes");

} // namespace structures

class TrackCanvas;

class TRACKRENDER_API CTrackRender {
public:
    CTrackRender();
    ~CTrackRender();
    CTrackRender(const CTrackRender&) = delete;
    CTrackRender& operator=(const CTrackRender&) = delete;

    void Init(unsigned int canvasSize, bool spiral, unsigned long outerRadius, double firstTrackRadius,
              double trackPitch, unsigned int angleUnitsPerTurn, bool clockwise);
    // The pitch as two factors whose product is nanometres (as drive records carry it).
    void Init(unsigned int canvasSize, bool spiral, unsigned long outerRadius, double firstTrackRadius,
              unsigned long pitchFactor1, int pitchFactor2, unsigned int angleUnitsPerTurn, bool clockwise);

    bool Initialized() { return initialized; }
    void Reset() { initialized = false; }

    // A new bitmap of the picture; the caller owns it. Null before Init.
    Gdiplus::Image* GetBitmap();

    double GetFirstSledPosition() { return firstSledPosition; }
    double GetSledPosition() { return sledPosition; }
    double MicronsToPixels(double microns);

    void RenderTrackAtRes(bool spiral, structures::MORVATINE_TRACK_HEADER_V1 header,
                          std::vector<unsigned char>& marks, double resolution);
    void RenderTrackAtRes(bool spiral, structures::MORVATINE_TRACK_HEADER_V1 header, std::vector<bool>& marks,
                          double resolution);
    void RenderFullCircularTrack(structures::MORVATINE_TRACK_HEADER_V1 header, std::vector<bool>& marks);
    void RenderFullCircularTrack(structures::MORVATINE_TRACK_HEADER_V1 header,
                                 std::vector<unsigned char>& marks);
    void RenderFullCircularTrack(structures::MORVATINE_TRACK_HEADER_V1 header, unsigned char* marks);

    bool RenderToBitmap(Gdiplus::Bitmap* target);
    bool RenderToFile(wchar_t* path);

    bool initialized;
    std::uint32_t canvasSize;
    TrackCanvas* canvas;
    bool spiral;
    bool clockwise;
    std::uint32_t angleUnitsPerTurn;
    double trackPitch;
    double firstTrackRadius;
    double firstSledPosition;
    double sledPosition;
    double pixelsPerMicron;
};

// The hit-count grid behind a CTrackRender.
class TRACKRENDER_API TrackCanvas {
public:
    TrackCanvas(std::uint32_t width, std::uint32_t height);

    // One more mark on the pixel; marks that fall outside the grid are dropped.
    void Hit(std::uint32_t x, std::uint32_t y) {
        if (x >= width || y >= height)
            return;
        const std::uint32_t n = ++counts[x][y];
        if (n > maxCount)
            maxCount = n;
    }

    // Opaque grey in proportion to the busiest pixel: white = no mark, black = the maximum.
    static Gdiplus::ARGB GreyFor(std::uint32_t count, std::uint32_t maxCount);
    Gdiplus::ARGB GreyAt(std::uint32_t x, std::uint32_t y) const { return GreyFor(counts[x][y], maxCount); }

    Gdiplus::Image* ToImage() const;
    bool PaintInto(Gdiplus::Bitmap* target) const;

    std::uint32_t width;
    std::uint32_t height;
    std::vector<std::vector<std::uint32_t>> counts; // counts[x][y]
    std::uint32_t maxCount;
};

namespace trackrender {

// The renderer's own pseudo-random generator: the srand/rand contract with the
// recurrence of the Microsoft C runtime, so that pictures are the same whatever
// C library the program runs on. One sequence per thread, as the runtime's.
TRACKRENDER_API void Srand(unsigned int seed);
TRACKRENDER_API int Rand();

inline constexpr unsigned int kRandomSeed = 43798972;

} // namespace trackrender
