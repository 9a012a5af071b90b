// The view's rendering pass: which tracks go to the renderer, in what order,
// with what geometry, and what the progress dialog is told meanwhile. No
// widgets here; the view supplies a PassObserver and shows the result.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdiplus.h"

namespace JobFile {
class CJobFile;
}
class CJobViewDoc;
class FloydImage;

namespace jobview {

inline constexpr int kCanvasWidth = 801;
inline constexpr int kCanvasHeight = 801;

// Fixed disc geometry of floyd pictures, micrometres and angle units.
inline constexpr unsigned long kFloydOuterRadius = 57600;
inline constexpr double kFloydFirstTrackRadius = 23000.0;
inline constexpr unsigned kFloydAngleUnitsPerTurn = 400;

// Row i of a floyd picture is burnt as track i: row 0 lies on the first-track
// circle and every further row one pitch farther out, as a drive walks its
// sled outwards while it burns the rows in file order.
constexpr std::uint32_t floydTrackNumber(std::size_t row) {
    return static_cast<std::uint32_t>(row & 0xFFFFu);
}

inline constexpr std::uint32_t kLabelAreaColour = 0xFFFF0000; // opaque red
inline constexpr std::uint32_t kSledColour = 0xFF0000FF;      // opaque blue
// The view around and without a picture: opaque white.
inline constexpr std::uint32_t kWindowBackground = 0xFFFFFFFF;

// One circle drawn over the picture, centred on the canvas.
struct Circle {
    int radius; // pixels
    std::uint32_t argb;
    bool operator==(const Circle&) const = default;
};

// The hit counts of the last pass, kept after the renderer is gone so that the
// status bar can tell how often a pixel was hit and how far out it lies.
struct HitMap {
    int size = 0;
    double pixelsPerMicron = 0.0;
    std::vector<std::uint32_t> counts; // column by column as the renderer keeps them: counts[x * size + y]
    std::uint32_t maxCount = 0;

    std::uint32_t at(int x, int y) const {
        return x >= 0 && y >= 0 && x < size && y < size
                   ? counts[std::size_t(x) * std::size_t(size) + std::size_t(y)]
                   : 0;
    }
};

struct RenderedPicture {
    std::unique_ptr<Gdiplus::Image> image;
    HitMap hits;
    std::vector<Circle> circles; // already drawn into `image`
    int tracksRendered = 0;      // handed to the renderer
    int tracksVisited = 0;       // walked by the pass, rendered or not
};

// The progress dialog's side of a pass.
class PassObserver {
public:
    virtual ~PassObserver() = default;
    virtual void passStarted() {}
    virtual void setRange(int maximum) = 0;
    virtual void setPosition(int position) = 0;
    // Lets waiting events through after each track. False ends the pass early
    // (the program is closing); its picture is then dropped.
    virtual bool dispatchEvents() = 0;
    virtual void passFinished() {}
};

// An observer for passes nobody watches (headless rendering, benchmarks).
class SilentObserver : public PassObserver {
public:
    void setRange(int) override {}
    void setPosition(int) override {}
    bool dispatchEvents() override { return true; }
};

class RenderPass {
public:
    enum class Outcome { Rendered, NothingToRender, Busy, Stopped };

    struct Result {
        Outcome outcome = Outcome::NothingToRender;
        std::unique_ptr<RenderedPicture> picture; // only with Outcome::Rendered
    };

    // Renders whatever the document holds. A second call while a pass is
    // running (from an event dispatched by the first) returns Busy at once.
    Result run(const CJobViewDoc* document, PassObserver& observer);
    Result run(JobFile::CJobFile* job, const FloydImage* floyd, PassObserver& observer);

    bool busy() const { return running; }

    // How the tracks are drawn: on `workers` cores (0: all of them), or fed to
    // the renderer one by one on this thread. The picture is the same.
    struct Threading {
        unsigned workers = 0;
        bool oneByOne = false;
    };
    void setThreading(Threading t) { threading = t; }

private:
    bool running = false;
    Threading threading;
};

// Draws the circles into the picture, anti-aliased, pens one pixel wide.
// False when the image holds no 32-bit ARGB pixels to draw on.
bool drawCircles(Gdiplus::Image& image, const std::vector<Circle>& circles);

} // namespace jobview
