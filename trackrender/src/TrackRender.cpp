#include "trackrender/TrackRender.h"

#include "TrackPlan.h"

#include <cmath>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

using namespace trackrender::detail;

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
    TrackStart start;
    if (!startAtRes(r, spiral, header, resolution, start))
        return;
    r.sledPosition = drawAtRes(*r.canvas, r.canvasSize * 0.5, r.pixelsPerMicron, start, marks);
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
    TrackStart start;
    if (!startFullCircle(*this, header, start))
        return;
    drawFullCircle(*canvas, canvasSize * 0.5, pixelsPerMicron, start, BoolMarks{marks});
    sledPosition = start.radius;
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
