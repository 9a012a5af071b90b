// The window, offscreen: what a user sees after opening files.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProgressBar>
#include <QScrollBar>
#include <QSettings>
#include <QTimer>
#include <QToolBar>

#include "CAboutDlg.h"
#include "CJobViewView.h"
#include "CMainFrame.h"
#include "CProgressDialog.h"
#include "FramePrompter.h"
#include "PictureFile.h"
#include "RecentFileList.h"
#include "StatisticsDialog.h"
#include "TestJobs.h"
#include "jobview/CJobViewDoc.h"

using namespace jobview;
using namespace testjobs;

namespace {

// A mouse move with no button held, sent to the widget itself. QTest's
// mouseMove moves the real cursor instead, which not every platform turns
// into events. Pending events (a real pointer's enter or leave) go first.
void hover(QWidget* widget, QPoint pos) {
    QCoreApplication::processEvents();
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

class ScriptedPrompter : public FramePrompter {
public:
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void showStatistics(const JobStatistics& s) override { statistics.push_back(s); }
    QString chooseFileToOpen() override { return openAnswer; }
    QString choosePictureFile() override { return saveAnswer; }
    QString chooseFileToCompare() override { return compareAnswer; }
    void showCompareSummary(const QString& text) override { summaries.append(text); }
    void showError(const QString& text) override { errors.append(text); }

    std::vector<std::string> messages;
    std::vector<JobStatistics> statistics;
    QStringList errors, summaries;
    QString openAnswer, saveAnswer, compareAnswer;
};

class Window : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "jobview_widget_test";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override {
        QFile::remove(ini);
        settings = std::make_unique<QSettings>(ini, QSettings::IniFormat);
        frame = std::make_unique<CMainFrame>(doc, prompter, *settings);
        frame->resize(1100, 1100);
        frame->show();
        QCoreApplication::processEvents();
    }

    CJobViewView& view() { return *frame->view(); }
    QImage picture() { return view().pictureImage(); }

    const QString ini = QString::fromStdString(tempPath("widget.ini"));
    ScriptedPrompter prompter;
    CJobViewDoc doc{prompter};
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<CMainFrame> frame;
};

QString saveJob(const JobFile::Job& j, const std::string& name) {
    return QString::fromStdString(save(j, name));
}

TEST_F(Window, ThirdTrackFlaggedLastRendersThreeTracks) {
    ASSERT_TRUE(frame->openFile(saveJob(
        job({track(0), track(40), track(80, 14400, true, true), track(120), track(160)}), "w3.tolm")));
    ASSERT_NE(view().picture(), nullptr);
    EXPECT_EQ(view().picture()->tracksRendered, 3);
    const HitMap& hits = view().picture()->hits;
    EXPECT_GT(hitsNear(hits, trackRadius(80)), 1000u);
    EXPECT_EQ(hitsNear(hits, trackRadius(120)), 0u);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("w3.tolm - jobview"));
}

TEST_F(Window, ProgressBarFollowsEveryTrackEvenEmptyOnes) {
    std::vector<int> values;
    int maximum = -1;
    QObject::connect(&view(), &CJobViewView::passStarted, [&] {
        CProgressDialog* dialog = view().progressDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Progress"));
        auto* bar = dialog->findChild<QProgressBar*>(QStringLiteral("1000"));
        ASSERT_NE(bar, nullptr);
        QObject::connect(dialog, &CProgressDialog::positionSet, [&values, &maximum, bar](int v) {
            values.push_back(v);
            maximum = bar->maximum();
        });
    });
    ASSERT_TRUE(
        frame->openFile(saveJob(job({track(0), track(20, 0), track(40), track(60, 0)}), "wempty.tolm")));
    EXPECT_EQ(view().picture()->tracksRendered, 2);
    // The start at 0, then the position of every track; 1 and 3 are the empty ones.
    EXPECT_EQ(values, (std::vector<int>{0, 0, 1, 2, 3}));
    EXPECT_EQ(maximum, 4);
    EXPECT_EQ(view().progressDialog(), nullptr);
}

TEST_F(Window, StatisticsDialogShowsTheFigures) {
    // Two tracks of 16 and 8 marks, bytes FF 00 and 0F: 24 pixels, 12 on.
    JobFile::Job j = job({track(0, 16), track(1, 8)});
    j.tracks[0].marks = {0xFF, 0x00};
    j.tracks[1].marks = {0x0F};
    ASSERT_TRUE(frame->openFile(saveJob(j, "wstats.tolm")));
    frame->action(Command::ShowFileStatistics)->trigger();
    ASSERT_EQ(prompter.statistics.size(), 1u);
    StatisticsDialog dialog(prompter.statistics.front(), frame.get());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("File Statistics"));
    const std::pair<const char*, const char*> expected[] = {{"1002", "24"}, {"1003", "12"}, {"1001", "50%"}};
    for (const auto& [id, text] : expected) {
        auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(id));
        ASSERT_NE(label, nullptr) << id;
        EXPECT_EQ(label->text(), QString::fromLatin1(text)) << id;
    }
}

TEST_F(Window, SecondFileReplacesThePicture) {
    ASSERT_TRUE(frame->openFile(saveJob(job({track(0, 14400, true, true)}), "wfirst.tolm")));
    const QImage first = picture();
    ASSERT_FALSE(first.isNull());
    ASSERT_TRUE(frame->openFile(saveJob(job({track(300, 14400, true, true)}), "wsecond.tolm")));
    const QImage second = picture();
    EXPECT_NE(second, first);
    EXPECT_EQ(hitsNear(view().picture()->hits, trackRadius(0)), 0u);
    EXPECT_GT(hitsNear(view().picture()->hits, trackRadius(300)), 1000u);
    // What the window shows is the second picture.
    const QImage shown = view().viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(shown.copy(0, 0, 801, 801), second);
    EXPECT_EQ(frame->recentFiles().files().size(), 2);
    EXPECT_TRUE(frame->recentFiles().files().first().endsWith(QStringLiteral("wsecond.tolm")));
    ASSERT_NE(frame->findChild<QAction*>(QStringLiteral("57617")), nullptr);

    // A file that does not open leaves no stale picture behind.
    EXPECT_FALSE(frame->openFile(QString::fromStdString(tempPath("missing.tolm"))));
    EXPECT_TRUE(picture().isNull());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Untitled - jobview"));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"Error loading tolm file"});
}

TEST_F(Window, WhiteOutsideThePicture) {
    ASSERT_TRUE(frame->openFile(saveJob(job({track(0, 14400, true, true)}), "wwhite.tolm")));
    QWidget* viewport = view().viewport();
    ASSERT_GT(viewport->width(), 801);
    ASSERT_GT(viewport->height(), 801);
    EXPECT_EQ(view().horizontalScrollBar()->maximum(), 0);
    const QImage shown = viewport->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    for (const QPoint p : {QPoint(802, 5), QPoint(viewport->width() - 1, viewport->height() - 1),
                           QPoint(5, 802), QPoint(800, viewport->height() - 1)})
        EXPECT_EQ(shown.pixel(p), 0xFFFFFFFFu) << p.x() << "," << p.y();
    EXPECT_EQ(shown.copy(0, 0, 801, 801), picture());
}

TEST_F(Window, EmptyDocumentShowsAWhiteView) {
    // Before any file, and after one that failed to open.
    for (int round = 0; round < 2; ++round) {
        QWidget* viewport = view().viewport();
        const QImage shown = viewport->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(shown.isNull());
        for (const QPoint p : {QPoint(0, 0), QPoint(400, 400), QPoint(shown.width() - 1, shown.height() - 1)})
            EXPECT_EQ(shown.pixel(p), 0xFFFFFFFFu) << round << ": " << p.x() << "," << p.y();
        EXPECT_FALSE(frame->openFile(QString::fromStdString(tempPath("wnothing.tolm"))));
    }
}

TEST_F(Window, RecentMenuShowsShortenedPathsAndDropsFilesThatFail) {
    const QString first = saveJob(job({track(0, 14400, true, true)}), "recent-first.tolm");
    const QString second = saveJob(job({track(9, 14400, true, true)}), "recent-second.tolm");
    ASSERT_TRUE(frame->openFile(first));
    ASSERT_TRUE(frame->openFile(second));
    // The entries of the File menu; the hidden "Recent File" placeholder shares the first id.
    const auto entry = [this](int id) -> QAction* {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QAction* a : frame->findChildren<QAction*>(QString::number(id)))
            if (a != frame->action(Command::RecentFile))
                return a;
        return nullptr;
    };
    QAction* newest = entry(kRecentFileFirstId);
    QAction* older = entry(kRecentFileFirstId + 1);
    ASSERT_NE(newest, nullptr);
    ASSERT_NE(older, nullptr);
    const QString absolute = QFileInfo(second).absoluteFilePath();
    EXPECT_EQ(newest->text(), QStringLiteral("&1 ") + recentDisplayName(absolute, QDir::currentPath()));
    // The temporary folder's paths are longer than the menu's 30 characters.
    ASSERT_GT(absolute.size(), kRecentDisplayLength);
    EXPECT_TRUE(newest->text().contains(QStringLiteral("..."))) << newest->text().toStdString();
    EXPECT_TRUE(newest->text().endsWith(QStringLiteral("recent-second.tolm")));
    EXPECT_EQ(newest->statusTip(), absolute);

    // The older file no longer opens: chosen from the menu, it leaves the list.
    {
        QFile damaged(first);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write("not a job any more");
    }
    older->trigger();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"Error loading tolm file"});
    ASSERT_EQ(frame->recentFiles().files().size(), 1);
    EXPECT_EQ(frame->recentFiles().files().first(), absolute);
    EXPECT_EQ(entry(kRecentFileFirstId + 1), nullptr);
    QSettings stored(ini, QSettings::IniFormat);
    EXPECT_FALSE(stored.contains(QStringLiteral("Recent File List/File2")));
}

TEST_F(Window, SmallWindowScrollsThePicture) {
    ASSERT_TRUE(frame->openFile(saveJob(job({track(0, 14400, true, true)}), "wscroll.tolm")));
    frame->resize(500, 400);
    QCoreApplication::processEvents();
    QScrollBar* h = view().horizontalScrollBar();
    EXPECT_EQ(h->maximum(), 801 - view().viewport()->width());
    h->setValue(h->maximum());
    const QImage shown = view().viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(shown.pixel(shown.width() - 1, 0), picture().pixel(800, 0));
}

TEST_F(Window, BusyGuardBlocksASecondPass) {
    const QString path = saveJob(job({track(0), track(40), track(80)}), "wbusy.tolm");
    std::vector<RenderPass::Outcome> nested;
    bool openRefused = false, openDisabled = false;
    int passes = 0;
    QObject::connect(&view(), &CJobViewView::passStarted, [&] {
        ++passes;
        // Delivered by the pass's own event dispatching, while it runs.
        QTimer::singleShot(0, [&] {
            nested.push_back(view().OnUpdate());
            openDisabled = !frame->action(Command::FileOpen)->isEnabled();
            openRefused = !frame->openFile(path);
        });
    });
    ASSERT_TRUE(frame->openFile(path));
    EXPECT_EQ(passes, 1);
    EXPECT_EQ(nested, std::vector<RenderPass::Outcome>{RenderPass::Outcome::Busy});
    EXPECT_TRUE(openDisabled);
    EXPECT_TRUE(openRefused);
    EXPECT_TRUE(frame->action(Command::FileOpen)->isEnabled());
    EXPECT_EQ(view().picture()->tracksRendered, 3);
}

TEST_F(Window, PrintPreviewShowsThePicture) {
    ASSERT_TRUE(frame->openFile(saveJob(job({track(0, 14400, true, true)}), "wprint.tolm")));
    int painted = 0;
    auto preview = frame->createPrintPreview();
    QObject::connect(preview.get(), &QPrintPreviewDialog::paintRequested, [&](QPrinter*) { ++painted; });
    preview->show();
    QCoreApplication::processEvents();
    auto* widget = preview->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->pageCount(), 1);
    EXPECT_GE(painted, 1);
    preview->close();

    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    const QString out = QString::fromStdString(tempPath("print.pdf"));
    pdf.setOutputFileName(out);
    frame->printPicture(pdf);
    EXPECT_GT(QFileInfo(out).size(), 1000);
}

TEST_F(Window, SaveCopyAndReadout) {
    EXPECT_FALSE(frame->action(Command::FileSavePicture)->isEnabled());
    ASSERT_TRUE(frame->openFile(saveJob(job({track(0, 14400, true, true)}), "wsave.tolm")));
    EXPECT_TRUE(frame->action(Command::FileSavePicture)->isEnabled());
    prompter.saveAnswer = QString::fromStdString(tempPath("saved.bmp"));
    frame->action(Command::FileSavePicture)->trigger();
    EXPECT_TRUE(prompter.errors.isEmpty());
    EXPECT_EQ(QImage(prompter.saveAnswer).convertToFormat(QImage::Format_ARGB32), picture());
    prompter.saveAnswer = QString::fromStdString(tempPath("no/folder/saved.png"));
    frame->action(Command::FileSavePicture)->trigger();
    EXPECT_EQ(prompter.errors.size(), 1);

    frame->action(Command::CopyPicture)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_ARGB32), picture());

    auto* pane = frame->findChild<QLabel*>(QStringLiteral("59393-message"));
    ASSERT_NE(pane, nullptr);
    hover(view().viewport(), QPoint(400, 400));
    EXPECT_EQ(pane->text(), QStringLiteral("x 400, y 400: 0 hits, radius 0.00 mm"));
    hover(view().viewport(), QPoint(900, 400));
    EXPECT_EQ(pane->text(), QStringLiteral("Ready"));
}

TEST_F(Window, MenusAboutAndMessages) {
    const std::pair<Command, const char*> expected[] = {
        {Command::FileOpen, "57601"},
        {Command::FilePrint, "57607"},
        {Command::FilePrintPreview, "57609"},
        {Command::FilePrintSetup, "57606"},
        {Command::AppExit, "57665"},
        {Command::ViewToolbar, "59392"},
        {Command::ViewStatusBar, "59393"},
        {Command::AppAbout, "57664"},
        {Command::ShowFileStatistics, "32771"},
    };
    for (const auto& [command, id] : expected)
        EXPECT_EQ(frame->action(command)->objectName(), QString::fromLatin1(id));
    EXPECT_FALSE(frame->action(Command::RecentFile)->isEnabled());

    CAboutDlg about(frame.get());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About jobview"));
    QStringList texts;
    for (QLabel* l : about.findChildren<QLabel*>())
        if (!l->text().isEmpty())
            texts.append(l->text());
    EXPECT_EQ(texts, QStringList{QStringLiteral("jobview Version 1.0")});

    frame->action(Command::ShowFileStatistics)->trigger();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"Open a tolm file first!"});
    prompter.openAnswer = QString();
    frame->action(Command::FileOpen)->trigger(); // cancelled: nothing changes
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Untitled - jobview"));
}

TEST_F(Window, CompareWithAnotherFileSwitchesViewsAndReadsBothCounts) {
    for (Command c : {Command::FileCompareWith, Command::CompareShowA, Command::CompareSummary})
        EXPECT_FALSE(frame->action(c)->isEnabled());
    ASSERT_TRUE(frame->openFile(saveJob(job({track(0, 14400, true, true)}), "wcmp-a.tolm")));
    const QImage pictureA = picture();
    EXPECT_TRUE(frame->action(Command::FileCompareWith)->isEnabled());
    EXPECT_FALSE(frame->action(Command::CompareShowB)->isEnabled());

    prompter.compareAnswer = QString(); // cancelled
    frame->action(Command::FileCompareWith)->trigger();
    EXPECT_EQ(view().compare(), nullptr);

    // B has track 0 too, and track 40 besides.
    prompter.compareAnswer =
        saveJob(job({track(0, 14400, true, false), track(40, 14400, true, true)}), "wcmp-b.tolm");
    frame->action(Command::FileCompareWith)->trigger();
    ASSERT_NE(view().compare(), nullptr) << prompter.errors.join(';').toStdString();
    EXPECT_TRUE(prompter.errors.isEmpty());
    auto* bar = frame->findChild<QToolBar*>(QStringLiteral("compare-bar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(frame->action(Command::CompareShowDifference)->isChecked());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("wcmp-a.tolm / wcmp-b.tolm [difference] - jobview"));
    const QImage difference = picture();
    EXPECT_NE(difference, pictureA);

    // The keys switch what is shown; the picture to save and copy follows.
    // (An offscreen window is never active, so the keys' actions are
    // triggered here; that the keys are theirs is checked.)
    EXPECT_EQ(frame->action(Command::CompareShowA)->shortcut(), QKeySequence(Qt::Key_A));
    EXPECT_EQ(frame->action(Command::CompareShowB)->shortcut(), QKeySequence(Qt::Key_B));
    EXPECT_EQ(frame->action(Command::CompareShowDifference)->shortcut(), QKeySequence(Qt::Key_D));
    EXPECT_EQ(frame->action(Command::CompareShowA)->iconText(), QStringLiteral("Show A"))
        << "the tool bar's label";
    EXPECT_EQ(frame->action(Command::CompareSummary)->iconText(), QStringLiteral("Summary"));
    frame->action(Command::CompareShowA)->trigger();
    EXPECT_EQ(picture(), pictureA);
    EXPECT_TRUE(frame->action(Command::CompareShowA)->isChecked());
    frame->action(Command::CompareShowB)->trigger();
    const QImage pictureB = picture();
    EXPECT_NE(pictureB, pictureA);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("wcmp-a.tolm / wcmp-b.tolm [B] - jobview"));
    frame->action(Command::CompareShowDifference)->trigger();
    EXPECT_EQ(picture(), difference);

    // On track 40 (B only) and off both tracks.
    auto* pane = frame->findChild<QLabel*>(QStringLiteral("59393-message"));
    // The ring's pixel: the radius rounds either way.
    const int ringX = 400 + int(trackRadius(40) * kPixelsPerMicron);
    int x = -1, y = -1;
    for (int row = 395; row <= 405 && y < 0; ++row)
        for (int column = ringX - 2; column <= ringX + 2 && y < 0; ++column)
            if (view().compare()->comparison().differenceAt(column, row) > 0) {
                x = column;
                y = row;
            }
    ASSERT_GE(y, 0);
    const std::int64_t d = view().compare()->comparison().differenceAt(x, y);
    hover(view().viewport(), QPoint(x, y));
    EXPECT_TRUE(
        pane->text().startsWith(QStringLiteral("x %1, y %2: A 0 hits, B %3, B - A +%4, radius ")
                                    .arg(x)
                                    .arg(y)
                                    .arg(d == 1 ? QStringLiteral("1 hit") : QStringLiteral("%1 hits").arg(d))
                                    .arg(d)))
        << pane->text().toStdString();
    hover(view().viewport(), QPoint(400, 400));
    EXPECT_EQ(pane->text(), QStringLiteral("x 400, y 400: A 0 hits, B 0 hits, B - A 0, radius 0.00 mm"));

    frame->action(Command::CompareSummary)->trigger();
    ASSERT_EQ(prompter.summaries.size(), 1);
    EXPECT_TRUE(prompter.summaries[0].startsWith(QStringLiteral("A: wcmp-a.tolm\nB: wcmp-b.tolm\n")));
    EXPECT_TRUE(prompter.summaries[0].contains(QStringLiteral("with more hits in B, 0 with fewer")))
        << prompter.summaries[0].toStdString();

    // A file that is no job is refused by the document; the comparison stays.
    prompter.compareAnswer = QString::fromStdString(tempPath("wcmp-junk.tolm"));
    {
        QFile junk(prompter.compareAnswer);
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("not a job");
    }
    frame->action(Command::FileCompareWith)->trigger();
    EXPECT_FALSE(prompter.messages.empty());
    EXPECT_NE(view().compare(), nullptr);

    // A disc of another size cannot be compared pixel by pixel.
    JobFile::Job larger = job({track(0, 14400, true, true)});
    larger.drive.outerRadius = 60000;
    prompter.compareAnswer = saveJob(larger, "wcmp-larger.tolm");
    frame->action(Command::FileCompareWith)->trigger();
    ASSERT_EQ(prompter.errors.size(), 1);
    EXPECT_TRUE(prompter.errors[0].contains(QStringLiteral("cannot be compared")))
        << prompter.errors[0].toStdString();

    frame->action(Command::CompareEnd)->trigger();
    EXPECT_EQ(view().compare(), nullptr);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(picture(), pictureA);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("wcmp-a.tolm - jobview"));

    // Opening another file ends a comparison.
    prompter.compareAnswer =
        saveJob(job({track(0, 14400, true, false), track(40, 14400, true, true)}), "wcmp-b.tolm");
    frame->action(Command::FileCompareWith)->trigger();
    ASSERT_NE(view().compare(), nullptr);
    ASSERT_TRUE(frame->openFile(saveJob(job({track(20, 14400, true, true)}), "wcmp-c.tolm")));
    EXPECT_EQ(view().compare(), nullptr);
}

} // namespace
