#include "trackrender/TrackRender.h"

#include <cmath>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kMicronsPerInch = 25400.0;

// Marks come as bits of bytes (least significant first), as bools, or as a
// raw byte run; the drawing loops take any of them through this one shape.
struct ByteBits {
    const unsigned char* bytes;
    std::size_t byteCount;
    std::size_t size() const { return byteCount * 8; }
    bool operator[](std::size_t i) const { return (bytes[i >> 3] >> (i & 7)) & 1u; }
};

struct BoolMarks {
    const std::vector<bool>& marks;
    std::size_t size() const { return marks.size(); }
    bool operator[](std::size_t i) const { return marks[i]; }
};

// Records the mark at a point of the disc. Column and row are the floors of
// the projected coordinates; a point whose floor falls outside the grid (a
// spiral grown past the nominal circle, a negative radius, the far edge) is
// dropped. For the non-negative values that remain, truncation is the floor,
// which spares a library call per coordinate.
inline void hitPolar(TrackCanvas& canvas, double centre, double radiusPixels, double angle) {
    const double fx = centre + radiusPixels * std::cos(angle);
    const double fy = centre - radiusPixels * std::sin(angle);
    if (!(fx >= 0.0) || !(fy >= 0.0) || fx >= double(canvas.width) || fy >= double(canvas.height))
        return;
    canvas.Hit(std::uint32_t(fx), std::uint32_t(fy));
}

} // namespace

CTrackRender::CTrackRender()
    : initialized(false), canvasSize(0), canvas(nullptr), spiral(false), clockwise(true),
      angleUnitsPerTurn(0), trackPitch(0.0), firstTrackRadius(0.0), firstSledPosition(-1.0),
      sledPosition(-1.0), pixelsPerMicron(0.0) {}

CTrackRender::~CTrackRender() {
    delete canvas;
}

void CTrackRender::Init(unsigned int size, bool spiralFlag, unsigned long outerRadius, double firstRadius,
                        double pitch, unsigned int unitsPerTurn, bool clockwiseFlag) {
    firstSledPosition = -1.0;
    sledPosition = -1.0;
    spiral = spiralFlag;
    clockwise = clockwiseFlag;
    canvasSize = size;
    delete canvas;
    canvas = nullptr;
    canvas = new TrackCanvas(size, size);
    angleUnitsPerTurn = unitsPerTurn;
    pixelsPerMicron = double(std::uint32_t(size - 1u)) / (2.0 * double(outerRadius));
    firstTrackRadius = firstRadius;
    trackPitch = pitch;
    trackrender::Srand(trackrender::kRandomSeed);
    initialized = true;
}

void CTrackRender::Init(unsigned int size, bool spiralFlag, unsigned long outerRadius, double firstRadius,
                        unsigned long pitchFactor1, int pitchFactor2, unsigned int unitsPerTurn,
                        bool clockwiseFlag) {
    const std::uint32_t nanometres = std::uint32_t(pitchFactor1) * std::uint32_t(pitchFactor2);
    Init(size, spiralFlag, outerRadius, firstRadius, double(nanometres) / 1000.0, unitsPerTurn,
         clockwiseFlag);
}

Gdiplus::Image* CTrackRender::GetBitmap() {
    return canvas ? canvas->ToImage() : nullptr;
}

double CTrackRender::MicronsToPixels(double microns) {
    return microns * pixelsPerMicron;
}

namespace {

template <typename Marks>
void renderAtRes(CTrackRender& r, bool spiral, const structures::MORVATINE_TRACK_HEADER_V1& header,
                 const Marks& marks, double resolution) {
    if (!r.canvas)
        return;
    const double R = double(header.trackNumber) * r.trackPitch + r.firstTrackRadius;
    double r0 = R;
    if (spiral) {
        int s = int(header.startAngle);
        if (s >= 200)
            s -= 400;
        const int k = int(header.radialOffset) + 2 * s;
        r0 = R - r.trackPitch * (k / 800.0);
    }
    if (double(r.canvasSize) < 2.0 * R * r.pixelsPerMicron)
        return;
    if (r.firstSledPosition < 0.0)
        r.firstSledPosition = r0;
    double a0 = double(header.startAngle) / double(r.angleUnitsPerTurn) * kTwoPi;
    if (r.clockwise)
        a0 = -a0;
    double d = (kMicronsPerInch / resolution) / R;
    const double dr = spiral ? d * r.trackPitch / kTwoPi : 0.0;
    if (r.clockwise)
        d = -d;
    const int n = trackrender::Rand();
    double a = a0 + (n / 32767.0 * 0.5) / (R * r.pixelsPerMicron);
    double radius = r0;
    TrackCanvas& canvas = *r.canvas;
    const double centre = r.canvasSize * 0.5;
    const std::size_t count = marks.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (marks[i])
            hitPolar(canvas, centre, radius * r.pixelsPerMicron, a);
        a = a + d;
        radius = radius + dr;
    }
    r.sledPosition = radius;
}

} // namespace

void CTrackRender::RenderTrackAtRes(bool spiralTrack, structures::MORVATINE_TRACK_HEADER_V1 header,
                                    std::vector<unsigned char>& marks, double resolution) {
    renderAtRes(*this, spiralTrack, header, ByteBits{marks.data(), marks.size()}, resolution);
}

void CTrackRender::RenderTrackAtRes(bool spiralTrack, structures::MORVATINE_TRACK_HEADER_V1 header,
                                    std::vector<bool>& marks, double resolution) {
    renderAtRes(*this, spiralTrack, header, BoolMarks{marks}, resolution);
}

void CTrackRender::RenderFullCircularTrack(structures::MORVATINE_TRACK_HEADER_V1 header,
                                           std::vector<bool>& marks) {
    // With no marks per turn there is no angular step: the track is left out
    // entirely, without touching the sled positions or the random sequence.
    if (!canvas || header.markCount == 0)
        return;
    const double R = double(header.trackNumber) * trackPitch + firstTrackRadius;
    if (double(canvasSize) < 2.0 * R * pixelsPerMicron)
        return;
    if (firstSledPosition < 0.0)
        firstSledPosition = R;
    double a0 = double(header.startAngle) / double(angleUnitsPerTurn) * kTwoPi;
    if (clockwise)
        a0 = -a0;
    double d = kTwoPi / double(header.markCount);
    if (clockwise)
        d = -d;
    double a = a0 + (trackrender::Rand() / 32767.0 * 0.5) / (R * pixelsPerMicron);
    const double centre = canvasSize * 0.5;
    const double radiusPixels = R * pixelsPerMicron;
    for (std::size_t i = 0, n = marks.size(); i < n; ++i) {
        if (marks[i])
            hitPolar(*canvas, centre, radiusPixels, a);
        a = a + d;
    }
    sledPosition = R;
}

void CTrackRender::RenderFullCircularTrack(structures::MORVATINE_TRACK_HEADER_V1 header,
                                           std::vector<unsigned char>& marks) {
    std::vector<bool> bits(marks.size() * 8);
    for (std::size_t i = 0; i < bits.size(); ++i)
        bits[i] = (marks[i >> 3] >> (i & 7)) & 1u;
    RenderFullCircularTrack(header, bits);
}

void CTrackRender::RenderFullCircularTrack(structures::MORVATINE_TRACK_HEADER_V1 header,
                                           unsigned char* marks) {
    const std::size_t bytes = marks ? header.markCount / 8u : 0u;
    std::vector<unsigned char> copy(marks, marks + bytes);
    RenderFullCircularTrack(header, copy);
}

bool CTrackRender::RenderToBitmap(Gdiplus::Bitmap* target) {
    return canvas ? canvas->PaintInto(target) : false;
}

bool CTrackRender::RenderToFile(wchar_t* path) {
    if (!canvas || !path)
        return false;
    Gdiplus::Bitmap bitmap(static_cast<INT>(canvasSize), static_cast<INT>(canvasSize), PixelFormat32bppARGB);
    if (!canvas->PaintInto(&bitmap))
        return false;

    // The BMP encoder, found by its MIME type exactly as GDI+ lists it.
    CLSID encoder{};
    bool found = false;
    UINT count = 0;
    UINT size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) == Gdiplus::Ok && size != 0) {
        std::vector<unsigned char> buffer;
        try {
            buffer.resize(size);
        } catch (const std::bad_alloc&) {
            buffer.clear();
        }
        if (!buffer.empty()) {
            auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
            if (Gdiplus::GetImageEncoders(count, size, codecs) == Gdiplus::Ok) {
                for (UINT i = 0; i < count && !found; ++i) {
                    if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/bmp") == 0) {
                        encoder = codecs[i].Clsid;
                        found = true;
                    }
                }
            }
        }
    }
    // Never save with an unset class id: without a BMP encoder nothing is written.
    if (!found)
        return false;
    return bitmap.Save(path, &encoder, nullptr) == Gdiplus::Ok;
}
