// labeldemo: renders the built-in "QUILLMARK" label through the track
// renderer and writes it as BMP (the renderer's own export) and PNG.
#include <QImage>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "SyntheticLabel.h"

namespace {

void usage(std::FILE* to) {
    std::fprintf(to, "usage: labeldemo OUTPUT-FOLDER\n"
                     "Renders the built-in synthetic label (360 spiral and circular tracks) and writes\n"
                     "OUTPUT-FOLDER/synthetic-label.bmp and OUTPUT-FOLDER/synthetic-label.png.\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "labeldemo: cannot create %s: %s\n", folder.string().c_str(),
                     ec.message().c_str());
        return 1;
    }

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        std::fprintf(stderr, "labeldemo: GDI+ did not start\n");
        return 1;
    }
    synthetic::Label label = synthetic::MakeQuillmarkLabel();
    CTrackRender render;
    synthetic::RenderLabel(render, label);

    const auto bmp = folder / "synthetic-label.bmp";
    std::wstring widePath = bmp.wstring();
    if (!render.RenderToFile(widePath.data())) {
        std::fprintf(stderr, "labeldemo: could not write %s\n", bmp.string().c_str());
        Gdiplus::GdiplusShutdown(token);
        return 1;
    }

    std::unique_ptr<Gdiplus::Image> image(render.GetBitmap());
    auto* bitmap = static_cast<Gdiplus::Bitmap*>(image.get());
    QImage png(int(image->GetWidth()), int(image->GetHeight()), QImage::Format_ARGB32);
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x) {
            Gdiplus::Color c;
            bitmap->GetPixel(x, y, &c);
            png.setPixel(x, y, c.GetValue());
        }
    image.reset();
    Gdiplus::GdiplusShutdown(token);
    const auto pngPath = folder / "synthetic-label.png";
    if (!png.save(QString::fromStdString(pngPath.string()), "PNG")) {
        std::fprintf(stderr, "labeldemo: could not write %s\n", pngPath.string().c_str());
        return 1;
    }
    std::printf("%s\n%s\n", bmp.string().c_str(), pngPath.string().c_str());
    return 0;
}
