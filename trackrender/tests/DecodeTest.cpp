// RenderToFile's BMP read back by decoders that share no code with GDI+.
#include "Helpers.h"

#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "SyntheticLabel.h"

TEST_F(GdiplusTest, RenderedLabelDecodesToTheCanvasGreys) {
    synthetic::Label label = synthetic::MakeQuillmarkLabel();
    CTrackRender r;
    synthetic::RenderLabel(r, label);
    const auto path = std::filesystem::path(::testing::TempDir()) / "label_decode.bmp";
    std::wstring wide = path.wstring();
    ASSERT_TRUE(r.RenderToFile(wide.data()));

    QImage qt(QString::fromStdString(path.string()));
    ASSERT_EQ(qt.width(), 801);
    ASSERT_EQ(qt.height(), 801);
    for (std::uint32_t x = 0; x < 801; ++x)
        for (std::uint32_t y = 0; y < 801; ++y)
            ASSERT_EQ(qt.pixel(int(x), int(y)) & 0xFFFFFFu, r.canvas->GreyAt(x, y) & 0xFFFFFFu)
                << x << "," << y;

    if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-pil is not installed (scripts/setup installs it)";
    const auto grey = std::filesystem::path(::testing::TempDir()) / "label_decode.grey";
    const std::string cmd = "/usr/bin/python3 -c 'import sys; from PIL import Image;"
                            " im = Image.open(sys.argv[1]).convert(\"RGB\");"
                            " open(sys.argv[2], \"wb\").write(bytes(p[0] for p in im.getdata()))' '" +
                            path.string() + "' '" + grey.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in(grey, std::ios::binary);
    std::vector<unsigned char> reds((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(reds.size(), 801u * 801u);
    for (std::uint32_t y = 0; y < 801; ++y)
        for (std::uint32_t x = 0; x < 801; ++x)
            ASSERT_EQ(reds[y * 801 + x], (r.canvas->GreyAt(x, y) >> 16) & 0xFF) << x << "," << y;
}
