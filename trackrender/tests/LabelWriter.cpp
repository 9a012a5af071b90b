// Writes the synthetic label through CTrackRender::RenderToFile. The Windows
// lane runs it natively (GDI+ stand-in) and under Wine (the system's GDI+ and
// its BMP encoder) and compares the decoded pictures.
#include <cstdio>
#include <filesystem>
#include <string>

#include "SyntheticLabel.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help") {
        std::fprintf(argc == 2 ? stdout : stderr, "usage: trackrender_label <output.bmp>\n");
        return argc == 2 ? 0 : 2;
    }
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        std::fprintf(stderr, "trackrender_label: GDI+ did not start\n");
        return 1;
    }
    synthetic::Label label = synthetic::MakeQuillmarkLabel();
    const bool written = synthetic::WriteLabelBmp(label, std::filesystem::path(argv[1]).wstring());
    Gdiplus::GdiplusShutdown(token);
    if (!written) {
        std::fprintf(stderr, "trackrender_label: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
