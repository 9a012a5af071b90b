// The circles jobview draws over a job, alone on a white 801 x 801 picture:
//   jobview_circles JOB OUT.bmp
// Prints one line per circle, "RADIUS AARRGGBB", in drawing order. The
// Windows lane hands those lines to gdiplus_ellipses, which draws the same
// ellipses with the system's GDI+, and compares the two pictures.
#include <QCoreApplication>

#include <cstdio>

#include "PictureFile.h"
#include "RenderPass.h"
#include "jobview/CJobViewDoc.h"

using namespace jobview;

namespace {

class PrintingPrompter : public JobViewPrompter {
public:
    void showMessage(const std::string& text) override {
        std::fprintf(stderr, "jobview_circles: %s\n", text.c_str());
    }
    void showStatistics(const JobStatistics&) override {}
};

int run(const char* jobPath, const QString& output) {
    PrintingPrompter prompter;
    CJobViewDoc document(prompter);
    if (!document.OnOpenDocument(jobPath) || !document.job()) {
        std::fprintf(stderr, "jobview_circles: %s is no print job that opens\n", jobPath);
        return 1;
    }
    RenderPass pass;
    SilentObserver observer;
    const RenderPass::Result result = pass.run(&document, observer);
    if (!result.picture || result.picture->circles.empty()) {
        std::fprintf(stderr, "jobview_circles: the pass drew no circles\n");
        return 1;
    }
    Gdiplus::Bitmap white(kCanvasWidth, kCanvasHeight, PixelFormat32bppARGB);
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x)
            white.SetPixel(x, y, Gdiplus::Color(0xFFFFFFFF));
    if (!drawCircles(white, result.picture->circles)) {
        std::fprintf(stderr, "jobview_circles: the circles could not be drawn\n");
        return 1;
    }
    QString error;
    if (!savePicture(toQImage(&white), output, &error)) {
        std::fprintf(stderr, "jobview_circles: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    for (const Circle& c : result.picture->circles)
        std::printf("%d %08X\n", c.radius, unsigned(c.argb));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: jobview_circles JOB OUT.bmp\n");
        return 2;
    }
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        std::fprintf(stderr, "jobview_circles: GDI+ did not start\n");
        return 1;
    }
    const int status = run(argv[1], QString::fromLocal8Bit(argv[2]));
    Gdiplus::GdiplusShutdown(token);
    return status;
}
