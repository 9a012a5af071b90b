// The view's circles drawn by the system's GDI+, as the view is specified to
// draw them: high-quality smoothing, pens 1.0 wide, each circle the integer
// rectangle (cx - r, cy - r, 2r, 2r) around the centre of a white 801 x 801
// bitmap, saved as BMP:
//   gdiplus_ellipses OUT.bmp RADIUS AARRGGBB [RADIUS AARRGGBB ...]
// The pairs are what jobview_circles prints; the Windows lane compares the
// two pictures.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdiplus.h"

namespace {

constexpr int kCanvas = 801;

struct Circle {
    int radius;
    Gdiplus::ARGB argb;
};

bool parse(const char* text, unsigned long max, int base, unsigned long& out) {
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text, &end, base);
    if (*text == '\0' || *text == '-' || *end != '\0' || errno != 0 || v > max)
        return false;
    out = v;
    return true;
}

bool bmpEncoder(CLSID& clsid) {
    UINT count = 0, bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0)
        return false;
    std::vector<unsigned char> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(codecs[i].MimeType) == L"image/bmp") {
            clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

int draw(const std::vector<Circle>& circles, const char* output) {
    Gdiplus::Bitmap bitmap(kCanvas, kCanvas, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&bitmap);
        graphics.Clear(Gdiplus::Color(0xFFFFFFFF));
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
        const int cx = kCanvas / 2, cy = kCanvas / 2;
        for (const Circle& e : circles) {
            Gdiplus::Pen pen(Gdiplus::Color(e.argb), 1.0f);
            if (graphics.DrawEllipse(&pen, cx - e.radius, cy - e.radius, 2 * e.radius, 2 * e.radius) !=
                Gdiplus::Ok) {
                std::fprintf(stderr, "gdiplus_ellipses: DrawEllipse failed for radius %d\n", e.radius);
                return 1;
            }
        }
    }
    CLSID bmp;
    if (!bmpEncoder(bmp)) {
        std::fprintf(stderr, "gdiplus_ellipses: GDI+ has no BMP encoder\n");
        return 1;
    }
    const std::string narrow(output);
    const std::wstring wide(narrow.begin(), narrow.end());
    const Gdiplus::Status status = bitmap.Save(wide.c_str(), &bmp, nullptr);
    if (status != Gdiplus::Ok) {
        std::fprintf(stderr, "gdiplus_ellipses: cannot write %s: GDI+ status %d\n", output, int(status));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: gdiplus_ellipses OUT.bmp RADIUS AARRGGBB [RADIUS AARRGGBB ...]\n");
        return 2;
    }
    std::vector<Circle> circles;
    for (int i = 2; i + 1 < argc; i += 2) {
        unsigned long radius = 0, argb = 0;
        if (!parse(argv[i], kCanvas, 10, radius) || !parse(argv[i + 1], 0xFFFFFFFFul, 16, argb)) {
            std::fprintf(stderr, "gdiplus_ellipses: bad circle \"%s %s\"\n", argv[i], argv[i + 1]);
            return 2;
        }
        circles.push_back({int(radius), Gdiplus::ARGB(argb)});
    }
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        std::fprintf(stderr, "gdiplus_ellipses: GDI+ did not start\n");
        return 1;
    }
    const int status = draw(circles, argv[1]);
    Gdiplus::GdiplusShutdown(token);
    return status;
}
