#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QSettings>

#include <set>
#include <string>

#include "CommandLine.h"
#include "HeadlessRender.h"
#include "HoverReadout.h"
#include "JobViewResources.h"
#include "PictureFile.h"
#include "RecentFileList.h"
#include "TestJobs.h"
#include "ViewGeometry.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

using namespace jobview;
using namespace testjobs;

namespace {

QString qpath(const std::string& name) {
    return QString::fromStdString(tempPath(name));
}

HitMap smallMap() {
    HitMap m;
    m.size = 801;
    m.pixelsPerMicron = kPixelsPerMicron;
    m.counts.assign(801 * 801, 0);
    m.counts[600 * 801 + 400] = 3; // x 600, y 400
    m.counts[0] = 1;
    return m;
}

TEST(HoverReadout, PixelsOnAndOffThePicture) {
    const HitMap m = smallMap();
    struct Case {
        int x, y;
        bool inside;
        std::uint32_t hits;
        double radiusMm;
    } cases[] = {
        {400, 400, true, 0, 0.0},
        {600, 400, true, 3, 200.0 / kPixelsPerMicron / 1000.0},
        {400, 0, true, 0, 400.0 / kPixelsPerMicron / 1000.0}, // the outer radius: 57.6 mm
        {0, 0, true, 1, std::hypot(400.0, 400.0) / kPixelsPerMicron / 1000.0},
        {801, 400, false, 0, 0},
        {-1, 400, false, 0, 0},
        {400, 801, false, 0, 0},
    };
    for (const Case& c : cases) {
        const auto r = readPixel(m, c.x, c.y);
        ASSERT_EQ(r.has_value(), c.inside) << c.x << "," << c.y;
        if (!r)
            continue;
        EXPECT_EQ(r->hits, c.hits) << c.x << "," << c.y;
        EXPECT_NEAR(r->radiusMillimetres, c.radiusMm, 1e-9) << c.x << "," << c.y;
    }
    EXPECT_NEAR(readPixel(m, 400, 0)->radiusMillimetres, 57.6, 1e-9);
    EXPECT_FALSE(readPixel(HitMap{}, 0, 0).has_value());
}

TEST(HoverReadout, Text) {
    EXPECT_EQ(formatReadout({600, 400, 3, 28.8}), QStringLiteral("x 600, y 400: 3 hits, radius 28.80 mm"));
    EXPECT_EQ(formatReadout({1, 2, 1, 23.456}), QStringLiteral("x 1, y 2: 1 hit, radius 23.46 mm"));
}

TEST(ViewGeometry, AreasOutsideThePicture) {
    const QSize picture(801, 801);
    struct Case {
        QSize viewport;
        QPoint origin;
        std::vector<QRect> areas;
    } cases[] = {
        {{1000, 900}, {0, 0}, {QRect(801, 0, 199, 900), QRect(0, 801, 801, 99)}},
        {{500, 500}, {0, 0}, {}},
        {{801, 801}, {0, 0}, {}},
        {{1000, 500}, {0, -100}, {QRect(801, 0, 199, 500)}},
        // Scrolled 150 to the left, the picture still covers the width.
        {{600, 1000}, {-150, 0}, {QRect(0, 801, 600, 199)}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(areasOutsidePicture(c.viewport, c.origin, picture), c.areas)
            << c.viewport.width() << "x" << c.viewport.height();
}

// The root every absolute path of the tests starts from: "/" here, the
// current drive's "Z:/" under Windows, where the list makes paths absolute.
QString at(const char* rest) {
    return QFileInfo(QStringLiteral("/")).absoluteFilePath() + QString::fromLatin1(rest);
}

TEST(RecentFiles, NewestFirstAtMostFourNoDuplicates) {
    RecentFileList list;
    for (const char* f : {"a", "b", "c", "d", "e", "c", "x/../b"})
        list.add(at(f));
    EXPECT_EQ(list.files(), (QStringList{at("b"), at("c"), at("e"), at("d")}));
    list.remove(at("e"));
    EXPECT_EQ(list.files(), (QStringList{at("b"), at("c"), at("d")}));

    const QString ini = qpath("recent.ini");
    QFile::remove(ini);
    {
        QSettings settings(ini, QSettings::IniFormat);
        RecentFileList five(5);
        for (const char* f : {"1", "2", "3", "4", "5"})
            five.add(at(f));
        five.save(settings);
        list.save(settings); // fewer entries than before: the old File4 goes
    }
    QSettings settings(ini, QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File1")).toString(), at("b"));
    EXPECT_FALSE(settings.contains(QStringLiteral("Recent File List/File4")));
    RecentFileList loaded;
    loaded.load(settings);
    EXPECT_EQ(loaded.files(), list.files());
}

TEST(RecentFiles, DisplayNamesAsThePlatformShortensThem) {
    const auto native = [](const char* p) { return QDir::toNativeSeparators(QString::fromLatin1(p)); };
    struct Case {
        const char* path;
        const char* currentFolder;
        QString shown;
    } cases[] = {
        {"/home/u/jobs/label.tolm", "/tmp", native("/home/u/jobs/label.tolm")},
        // 30 characters still fit; one more and folders go from the front.
        {"/home/user/jobs/abcdefghi.tolm", "", native("/home/user/jobs/abcdefghi.tolm")},
        {"/home/user/jobs/abcdefghij.tolm", "", native("/.../user/jobs/abcdefghij.tolm")},
        {"/work/wt/review-ui/build/samples/quillmark-label.tolm", "/tmp",
         native("/.../quillmark-label.tolm")},
        {"C:/Users/someone/Documents/Jobs/label.tolm", "", native("C:/.../Jobs/label.tolm")},
        {"//server/share/labels/2024/march/disc.fld", "", native("//server/share/.../disc.fld")},
        // A file of the current folder by its name; a name too long for any folder alone.
        {"/home/user/jobs/label.tolm", "/home/user/jobs", "label.tolm"},
        {"/home/user/jobs/label.tolm", "/home/user/jobs/", "label.tolm"},
        {"/srv/a-very-long-name-of-a-print-job-file.tolm", "", "a-very-long-name-of-a-print-job-file.tolm"},
        {"/a-very-long-name-of-a-print-job-file-at-root.tolm", "",
         "a-very-long-name-of-a-print-job-file-at-root.tolm"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(recentDisplayName(QString::fromLatin1(c.path), QString::fromLatin1(c.currentFolder)),
                  c.shown)
            << c.path;

    RecentFileList list;
    list.add(at("jobs/R&D/label.tolm"));
    list.add(at("jobs/second.tolm"));
    EXPECT_EQ(list.menuText(0, at("jobs")), QStringLiteral("&1 second.tolm"));
    EXPECT_EQ(list.menuText(1, at("jobs")),
              QStringLiteral("&2 ") + QDir::toNativeSeparators(at("jobs/R&&D/label.tolm")));
    EXPECT_EQ(list.menuText(2, QString()), QString());
}

TEST(CommandLineTest, Forms) {
    using M = CommandLine::Mode;
    struct Case {
        QStringList args;
        M mode;
        QString file, output;
    } cases[] = {
        {{}, M::Window, "", ""},
        {{"job.tolm"}, M::Window, "job.tolm", ""},
        {{"--render", "job.tolm", "-o", "out.png"}, M::Render, "job.tolm", "out.png"},
        {{"-o", "out.bmp", "--render", "pic.fld"}, M::Render, "pic.fld", "out.bmp"},
        {{"--help"}, M::Help, "", ""},
        {{"job.tolm", "-h"}, M::Help, "", ""},
        {{"--render", "job.tolm"}, M::Invalid, "", ""},
        {{"--render", "-o", "out.png"}, M::Invalid, "", ""},
        {{"job.tolm", "-o", "out.png"}, M::Invalid, "", ""},
        {{"--render", "job.tolm", "-o"}, M::Invalid, "", ""},
        {{"a.tolm", "b.tolm"}, M::Invalid, "", ""},
        {{"--frobnicate"}, M::Invalid, "", ""},
        {{"--compare", "a.tolm", "b.fld"}, M::Compare, "a.tolm", ""},
        {{"--compare", "a.tolm", "b.fld", "-o", "d.png", "--json"}, M::Compare, "a.tolm", "d.png"},
        {{"--compare", "a.tolm"}, M::Invalid, "", ""},
        {{"--compare", "a", "b", "c"}, M::Invalid, "", ""},
        {{"--compare", "--render", "a", "b", "-o", "d.png"}, M::Invalid, "", ""},
        {{"--json", "a.tolm"}, M::Invalid, "", ""},
        {{"a.tolm", "--compare-with", "b.fld"}, M::Window, "a.tolm", ""},
        {{"--compare-with", "b.fld"}, M::Invalid, "", ""},
        {{"a.tolm", "--compare-with", "b.fld", "--render", "-o", "x.png"}, M::Invalid, "", ""},
    };
    for (const Case& c : cases) {
        const CommandLine cl = parseCommandLine(c.args);
        EXPECT_EQ(cl.mode, c.mode) << c.args.join(' ').toStdString();
        EXPECT_EQ(cl.error.isEmpty(), c.mode != M::Invalid) << c.args.join(' ').toStdString();
        if (c.mode == M::Window || c.mode == M::Render || c.mode == M::Compare) {
            EXPECT_EQ(cl.file, c.file);
            EXPECT_EQ(cl.output, c.output);
        }
        if (c.mode == M::Compare || (c.mode == M::Window && c.args.contains("--compare-with"))) {
            EXPECT_EQ(cl.fileB, "b.fld");
            EXPECT_EQ(cl.json, c.args.contains("--json"));
        }
    }
}

QImage testPicture() {
    QImage image(801, 801, QImage::Format_ARGB32);
    image.fill(0xFFFFFFFF);
    image.setPixel(0, 0, 0xFF000000);
    image.setPixel(800, 800, 0xFF808080);
    image.setPixel(400, 10, 0xFFFF0000);
    return image;
}

TEST(PictureFileTest, PngAndBmpReadBackWithTheSamePixels) {
    const QImage picture = testPicture();
    for (const char* name : {"picture.png", "PICTURE.BMP"}) {
        const QString path = qpath(name);
        QString error;
        ASSERT_TRUE(savePicture(picture, path, &error)) << error.toStdString();
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), QByteArray(name).endsWith("png") || QByteArray(name).endsWith("PNG")
                                       ? QByteArray("png")
                                       : QByteArray("bmp"));
        const QImage back = reader.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(back.size(), picture.size()) << name;
        EXPECT_EQ(back, picture) << name;
    }
}

TEST(PictureFileTest, RefusalsLeaveExistingFilesAlone) {
    const QString existing = qpath("keep.png");
    ASSERT_TRUE(savePicture(testPicture(), existing, nullptr));
    const QByteArray before = [&] {
        QFile f(existing);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QString error;
    EXPECT_FALSE(savePicture(QImage(), existing, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(savePicture(testPicture(), qpath("picture.jpg"), &error));
    EXPECT_FALSE(savePicture(testPicture(), qpath("no/such/folder/picture.png"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("cannot write")));
    QFile f(existing);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), before);
}

TEST(Headless, RendersAJobToPng) {
    const std::string job = save(testjobs::job({track(0), track(100, 14400, true, true)}), "headless.tolm");
    const QString out = qpath("headless.png");
    QFile::remove(out);
    QString error;
    ASSERT_TRUE(renderToFile(QString::fromStdString(job), out, &error)) << error.toStdString();
    QImage image(out);
    ASSERT_EQ(image.size(), QSize(801, 801));
    EXPECT_EQ(image.pixel(400, 400), 0xFFFFFFFFu);
    // Track 0 at 23 mm is burnt: some pixel on its circle is dark.
    bool dark = false;
    for (int x = 555; x <= 562; ++x)
        dark = dark || qGray(image.pixel(x, 400)) < 128;
    EXPECT_TRUE(dark);
}

TEST(Headless, BadInputsSayWhy) {
    const QString out = qpath("bad.png");
    const std::string garbage = tempPath("garbage.tolm");
    {
        FILE* f = std::fopen(garbage.c_str(), "wb");
        std::fputs("not a job", f);
        std::fclose(f);
    }
    const std::string version2 = save(testjobs::job({track(0)}), "old.tolm", 2);
    FloydPicture badFloyd;
    badFloyd.rows = {{1, 0, 1}};
    std::string floydPath = save(badFloyd, "cut.fld");
    std::filesystem::resize_file(floydPath, 40); // row data cut off
    const std::string unknown = tempPath("notes.txt");
    {
        FILE* f = std::fopen(unknown.c_str(), "wb");
        std::fclose(f);
    }
    struct Case {
        std::string input;
        QString output;
        QString expected;
    } cases[] = {
        {garbage, out, QStringLiteral("Error loading tolm file")},
        {version2, out, QStringLiteral("format version 3")},
        {floydPath, out, QStringLiteral("error writing input file: ")},
        {unknown, out, QStringLiteral("neither a print job")},
        {tempPath("missing.tolm"), out, QStringLiteral("no such file")},
        {save(testjobs::job({track(0)}), "fine.tolm"), qpath("out.gif"), QStringLiteral(".png or .bmp")},
    };
    for (const Case& c : cases) {
        QFile::remove(out);
        QString error;
        EXPECT_FALSE(renderToFile(QString::fromStdString(c.input), c.output, &error)) << c.input;
        EXPECT_TRUE(error.contains(c.expected)) << c.input << ": " << error.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << c.input;
    }
}

TEST(Resources, CommandTable) {
    std::set<int> ids;
    std::set<std::string_view> texts;
    for (const CommandRow& row : kCommands) {
        if (row.command == Command::Separator)
            continue;
        EXPECT_TRUE(ids.insert(row.id).second) << row.id;
        EXPECT_TRUE(texts.insert(row.text).second) << row.text;
        EXPECT_NE(std::find(std::begin(kMenus), std::end(kMenus), row.menu), std::end(kMenus)) << row.text;
        // A shortcut shown after the tab is the shortcut the action gets.
        const auto tab = row.text.find('\t');
        EXPECT_EQ(tab == std::string_view::npos ? std::string_view() : row.text.substr(tab + 1),
                  row.shortcut);
    }
    for (Command c : kToolBar)
        EXPECT_TRUE(c == Command::Separator || commandRow(c) != nullptr);
    EXPECT_EQ(commandRow(Command::ShowFileStatistics)->id, 32771);
    // The recent files take the four ids from the placeholder's on.
    for (int id = kRecentFileFirstId + 1; id < kRecentFileFirstId + RecentFileList::kMaximum; ++id)
        EXPECT_EQ(ids.count(id), 0u) << id;
}

} // namespace
