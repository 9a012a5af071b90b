// The dialogs, offscreen: controls found by their ids, driven as a user
// would (typing, clicking, choosing, dropping), answers from the test prompter.
#include "CReseditApp.h"
#include "CReseditLauncherDlg.h"
#include "DialogSupport.h"
#include "EditorDialog.h"

#include "KeyDiff.h"
#include "TestPrompter.h"

#include "resedit/Paths.h"
#include "resedit/Texts.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace resedit {
namespace {

using test::drfOf;

int argc = 1;
char arg0[] = "resedit_dialog_test";
char* argv[] = {arg0, nullptr};

class DialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr) {
            app = new QApplication(argc, argv);
        }
    }
    void SetUp() override {
        dir = test::testDir(std::string("dlg_") +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    QString file(const std::string& name, const drf::testing::DrfBuilder& b) {
        return QString::fromStdString(test::writeDrf(dir, name, b));
    }

    static QLineEdit* edit(QWidget* w, int id) { return control<QLineEdit>(w, id); }
    static QString text(QWidget* w, int id) {
        if (auto* e = edit(w, id)) {
            return e->text();
        }
        auto* l = control<QLabel>(w, id);
        return l ? l->text() : QStringLiteral("<no control %1>").arg(id);
    }
    // Types into a field as a user does: select all, type the new text.
    static void type(QWidget* w, int id, const QString& value) {
        QLineEdit* e = edit(w, id);
        ASSERT_NE(e, nullptr) << id;
        e->selectAll();
        QTest::keyClicks(e, value);
    }
    static void click(QWidget* w, int id) {
        auto* b = control<QAbstractButton>(w, id);
        ASSERT_NE(b, nullptr) << id;
        // click() rather than a mouse event: a radio button takes mouse clicks only
        // on its text, wherever the layout has put that.
        b->click();
    }
    static void choose(QWidget* w, int id, const QString& item) {
        auto* combo = control<QComboBox>(w, id);
        ASSERT_NE(combo, nullptr) << id;
        const int row = combo->findText(item);
        ASSERT_GE(row, 0) << item.toStdString();
        combo->setCurrentIndex(row);
        Q_EMIT combo->activated(row);
    }
    static void drop(QWidget* target, const QStringList& files) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& f : files) {
            urls << QUrl::fromLocalFile(f);
        }
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropEvent(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropEvent);
    }

    static QApplication* app;
    std::filesystem::path dir;
    test::TestPrompter prompter;
    NextDrfPaths next;
};
QApplication* DialogTest::app = nullptr;

using Runs = std::vector<std::pair<EditorKind, std::string>>;

// ---- launcher ----

TEST_F(DialogTest, LauncherShowsItsTextsAndOpensTheCommandLineFileAtOnce) {
    const QString path = file("cmd.bin", drfOf(2));
    const QStringList args{QStringLiteral("resedit"), path};
    EXPECT_EQ(CReseditApp::commandLineFile(args), path);
    EXPECT_EQ(CReseditApp::commandLineFile({QStringLiteral("resedit"), QStringLiteral("-x")}), QString());

    Runs runs;
    CReseditLauncherDlg launcher(CReseditApp::commandLineFile(args), prompter, next,
                                 [&](EditorKind k, const std::string& p) { runs.emplace_back(k, p); });
    EXPECT_EQ(text(&launcher, 1130), QStringLiteral("Quillmark resedit"));
    EXPECT_TRUE(text(&launcher, 1129).startsWith(QStringLiteral("\n    The Quillmark resedit is a utility")));
    EXPECT_EQ(control<QPushButton>(&launcher, 1004)->text(), QStringLiteral("Select DRF"));
    EXPECT_EQ(control<QPushButton>(&launcher, 2)->text(), QStringLiteral("Exit"));
    EXPECT_EQ(control<QLabel>(&launcher, 1130)->font().bold(), true);
    launcher.show();
    QTRY_COMPARE(runs.size(), std::size_t{1});
    EXPECT_EQ(runs, (Runs{{EditorKind::Classic, path.toStdString()}}));
    EXPECT_FALSE(launcher.isVisible()) << "the launcher never comes back";
    EXPECT_EQ(launcher.result(), QDialog::Rejected);
}

TEST_F(DialogTest, CommandLineTakesTheFirstFileAndPassesOverUnknownOptions) {
    const struct {
        QStringList args;
        bool help;
        QString file;
    } cases[] = {
        {{"resedit"}, false, ""},
        {{"resedit", "a.bin"}, false, "a.bin"},
        {{"resedit", "/tmp/a.bin", "b.bin"}, false, "/tmp/a.bin"},
        {{"resedit", "-x", "a.bin"}, false, "a.bin"},
        {{"resedit", "--unknown", "a.bin"}, false, "a.bin"},
        {{"resedit", "--help"}, true, ""},
        {{"resedit", "a.bin", "-h"}, true, "a.bin"},
        {{"resedit", "--", "-odd name.bin"}, false, "-odd name.bin"},
    };
    for (const auto& c : cases) {
        const auto line = CReseditApp::parseCommandLine(c.args);
        EXPECT_EQ(line.help, c.help) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.file, c.file) << c.args.join(' ').toStdString();
    }
}

TEST_F(DialogTest, LauncherRoutesVersionsZeroTwoAndFour) {
    Runs runs;
    for (std::uint32_t format : {0u, 2u, 4u}) {
        const QString path = file("v" + std::to_string(format) + ".bin", drfOf(format));
        CReseditLauncherDlg launcher(path, prompter, next,
                                     [&](EditorKind k, const std::string& p) { runs.emplace_back(k, p); });
        launcher.openDrf();
    }
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].first, EditorKind::Classic);
    EXPECT_EQ(runs[1].first, EditorKind::Classic);
    EXPECT_EQ(runs[2].first, EditorKind::Reorg);
}

TEST_F(DialogTest, LauncherTakesTheFirstDroppedFileAndStaysAfterAnError) {
    const QString a = file("a.bin", drfOf(4));
    const QString b = file("b.bin", drfOf(3));
    std::ofstream(dir / "junk.bin") << "junk";
    Runs runs;
    CReseditLauncherDlg launcher(QString(), prompter, next,
                                 [&](EditorKind k, const std::string& p) { runs.emplace_back(k, p); });
    launcher.show();
    drop(&launcher, {QString::fromStdString((dir / "junk.bin").string()), a});
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Error reading DRF"}));
    EXPECT_TRUE(launcher.isVisible());
    EXPECT_TRUE(runs.empty());
    drop(&launcher, {a, b});
    EXPECT_EQ(runs, (Runs{{EditorKind::Reorg, QDir::fromNativeSeparators(a).toStdString()}}));
    EXPECT_FALSE(launcher.isVisible());
}

TEST_F(DialogTest, LauncherSelectDrfUsesTheDrfFilter) {
    const QString a = file("a.bin", drfOf(1));
    Runs runs;
    CReseditLauncherDlg launcher(QString(), prompter, next,
                                 [&](EditorKind k, const std::string& p) { runs.emplace_back(k, p); });
    prompter.openAnswers = {std::nullopt, a.toStdString()};
    click(&launcher, 1004);
    EXPECT_TRUE(runs.empty()) << "cancelled";
    click(&launcher, 1004);
    EXPECT_EQ(runs, (Runs{{EditorKind::Classic, a.toStdString()}}));
    EXPECT_EQ(prompter.fileDialogs.front(), "open (DRF Files *.bin) | *.bin |(All Files *.*) | *.* ||");
    EXPECT_EQ(prompter.initialNames, (std::vector<std::string>{"*.bin", "*.bin"}));
}

// Reads the about box that `open` shows modally, then closes it with OK.
struct AboutSeen {
    QString objectName, title;
    QStringList texts;
    bool hasIcon = false;
};
// Reads and closes the modal box that open() shows. The box is looked for
// until it is up, so a box that is slow to show is never left open.
AboutSeen aboutBoxOpenedBy(const std::function<void()>& open) {
    AboutSeen seen;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&seen, &poll] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        poll.stop();
        seen.objectName = box->objectName();
        seen.title = box->windowTitle();
        for (QLabel* label : box->findChildren<QLabel*>()) {
            if (!label->text().isEmpty()) {
                seen.texts << label->text();
            }
        }
        auto* icon = box->findChild<QLabel*>(QStringLiteral("128"));
        seen.hasIcon = icon != nullptr && !icon->pixmap().isNull();
        if (auto* ok = box->findChild<QPushButton*>(QStringLiteral("1"))) {
            ok->click();
        }
    });
    poll.start();
    open();

    return seen;
}

TEST_F(DialogTest, AboutBoxFromTheLauncherAndTheEditorsHelpMenu) {
    CReseditLauncherDlg launcher(QString(), prompter, next, [](EditorKind, const std::string&) {});
    auto* aboutButton = launcher.findChild<QPushButton*>(QStringLiteral("about"));
    ASSERT_NE(aboutButton, nullptr);
    EXPECT_EQ(aboutButton->text(), QStringLiteral("About"));
    const AboutSeen fromLauncher = aboutBoxOpenedBy([&] { aboutButton->click(); });
    CReseditReorgDlg editor(file("f4.bin", drfOf(4)), prompter, next);
    auto* item = editor.findChild<QAction*>(QStringLiteral("16"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("&About Quillmark resedit..."));
    const AboutSeen fromEditor = aboutBoxOpenedBy([&] { item->trigger(); });
    for (const AboutSeen& seen : {fromLauncher, fromEditor}) {
        EXPECT_EQ(seen.objectName, QStringLiteral("100"));
        EXPECT_EQ(seen.title, QStringLiteral("About Quillmark resedit"));
        EXPECT_EQ(seen.texts, (QStringList{QStringLiteral("Quillmark resedit Version 4.1.0"),
                                           QString::fromUtf8(kAboutNotice.data(), kAboutNotice.size())}));
        EXPECT_TRUE(seen.hasIcon);
    }
}

TEST_F(DialogTest, EveryWindowCarriesIcon128) {
    CReseditLauncherDlg launcher(QString(), prompter, next, [](EditorKind, const std::string&) {});
    CReseditDlg classic(file("f3.bin", drfOf(3)), prompter, next);
    CReseditReorgDlg reorg(file("f4.bin", drfOf(4)), prompter, next);
    for (QWidget* w :
         {static_cast<QWidget*>(&launcher), static_cast<QWidget*>(&classic), static_cast<QWidget*>(&reorg)}) {
        const QIcon icon = w->windowIcon();
        EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}))
            << w->objectName().toStdString();
        // Drawn, not blank: the small size has opaque pixels.
        const QImage small = icon.pixmap(16, 16).toImage();
        EXPECT_GT(qAlpha(small.pixel(8, 8)), 200) << w->objectName().toStdString();
        EXPECT_EQ(qAlpha(small.pixel(0, 0)), 0) << "round, on a transparent ground";
    }
}

// ---- the formats-1-to-3 editor ----

TEST_F(DialogTest, ClassicEditorShowsAFormatOneDrf) {
    CReseditDlg dlg(file("f1.bin", drfOf(1, {101, 102}, 105)), prompter, next);
    EXPECT_EQ(dlg.objectName(), QStringLiteral("102"));
    EXPECT_EQ(text(&dlg, 1023), QStringLiteral("Quillmark resedit "));
    EXPECT_EQ(text(&dlg, 1132), QStringLiteral("Editor for DRF Formats 1, 2 & 3"));
    EXPECT_EQ(text(&dlg, 1044), QStringLiteral("f1.bin"));
    EXPECT_EQ(text(&dlg, 1050), QStringLiteral("105"));
    EXPECT_EQ(text(&dlg, 1036), QStringLiteral("1"));
    EXPECT_EQ(text(&dlg, 1041), QStringLiteral("Read Laser Power Override (mW)"));
    EXPECT_EQ(text(&dlg, 1003), QStringLiteral("25400"));
    EXPECT_TRUE(control<QRadioButton>(&dlg, 1029)->isChecked());
    EXPECT_TRUE(control<QRadioButton>(&dlg, 1031)->isChecked());
    for (int id : {1035, 1034, 1033, 1046, 1047, 1007}) {
        EXPECT_FALSE(edit(&dlg, id)->isEnabled()) << id;
    }
    EXPECT_FALSE(control<QLabel>(&dlg, 1064)->isEnabled());
    EXPECT_FALSE(control<QLabel>(&dlg, 1045)->isEnabled());
    EXPECT_TRUE(edit(&dlg, 1022)->isEnabled());
    auto* media = control<QComboBox>(&dlg, 1009);
    ASSERT_EQ(media->count(), 2);
    EXPECT_EQ(media->currentText(), QStringLiteral("101: Generic"));
    EXPECT_EQ(control<QComboBox>(&dlg, 1010)->currentText(), QStringLiteral("Normal"));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(DialogTest, ClassicEditorWithoutGenericNormalSaysErrorReading) {
    drf::testing::DrfBuilder b;
    b.formatVersion(3).patternFill(false).mode(102, 1);
    CReseditDlg dlg(file("no101.bin", b), prompter, next);
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Error reading DRF"}));
    EXPECT_EQ(control<QComboBox>(&dlg, 1009)->count(), 0);
    EXPECT_EQ(control<QComboBox>(&dlg, 1010)->count(), 0);
}

TEST_F(DialogTest, UnitRadiosConvertTheShownSpacing) {
    auto b = drfOf(3);
    b.value(101, 1, "ResolutionsFile", "MarkSpacingNM", 0);
    CReseditDlg dlg(file("u.bin", b), prompter, next);
    EXPECT_EQ(text(&dlg, 1008), QStringLiteral("0"));
    click(&dlg, 1028);
    EXPECT_EQ(text(&dlg, 1003), QStringLiteral("1000"));
    click(&dlg, 1030);
    EXPECT_EQ(text(&dlg, 1008), QStringLiteral("0"));
    type(&dlg, 1003, QStringLiteral("2540"));
    click(&dlg, 1029);
    EXPECT_EQ(text(&dlg, 1003), QStringLiteral("10000"));
    // A refused field stops the switch and takes the focus.
    type(&dlg, 1019, QStringLiteral("99999999999"));
    click(&dlg, 1028);
    EXPECT_EQ(prompter.messages.back(), "Write Power Upper Tolerance Factor (%): Please enter an integer "
                                        "between -2147483648 and 2147483647.");
    EXPECT_TRUE(control<QRadioButton>(&dlg, 1029)->isChecked());
    EXPECT_EQ(text(&dlg, 1003), QStringLiteral("10000"));
}

TEST_F(DialogTest, ApplyButtonChecksTheOverridesAndMarksTheTitle) {
    CReseditDlg dlg(file("a.bin", drfOf(3)), prompter, next);
    EXPECT_FALSE(dlg.isWindowModified());
    type(&dlg, 1002, QStringLiteral("5"));
    EXPECT_TRUE(dlg.isWindowModified());
    click(&dlg, 1014);
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{std::string(kMsgOverrides)}));
    type(&dlg, 1002, QStringLiteral("0"));
    type(&dlg, 1046, QStringLiteral("0"));
    type(&dlg, 1047, QStringLiteral("1"));
    click(&dlg, 1014);
    EXPECT_EQ(prompter.messages.back(), kMsgSeamNeedsSpiral);
    type(&dlg, 1047, QStringLiteral("2"));
    click(&dlg, 1014);
    EXPECT_EQ(prompter.messages.back(), "Settings were updated");
    EXPECT_TRUE(dlg.isWindowModified()) << "applied, not yet saved";
}

TEST_F(DialogTest, ApplyThenSaveDrfChangesOnlyTheEditedKeys) {
    const QString path = file("s.bin", drfOf(2, {101, 104}, 107));
    CReseditDlg dlg(path, prompter, next);
    type(&dlg, 1015, QStringLiteral("-321"));
    click(&dlg, 1014);
    choose(&dlg, 1009, QStringLiteral("104: MBI Gen 1.0 CD"));
    choose(&dlg, 1010, QStringLiteral("Best"));
    EXPECT_EQ(text(&dlg, 1015), QStringLiteral("0"));
    type(&dlg, 1007, QStringLiteral("9"));
    prompter.saveAnswers.push_back(path.toStdString());
    prompter.confirmAnswers = {true};
    click(&dlg, 1005);
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Settings were updated", "DRF File was saved"}))
        << "Save DRF applies without a message of its own";
    EXPECT_FALSE(dlg.isWindowModified());
    EXPECT_EQ(test::changedKeys(backupPathFor(path.toStdString()), path.toStdString()),
              (std::set<test::KeyChange>{{101, 1, "Marking2File.PwrCvtOffset"},
                                         {104, 0, "TrackingFile.PerTrackShiftAngle"}}));
}

TEST_F(DialogTest, DroppingAFormat4DrfHandsItToTheOtherEditor) {
    CReseditDlg dlg(file("a.bin", drfOf(3)), prompter, next);
    dlg.show();
    const QString f4 = file("f4.bin", drfOf(4));
    drop(&dlg, {f4, file("b.bin", drfOf(3))});
    EXPECT_TRUE(dlg.handedOver());
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(next.fromClassic, QDir::fromNativeSeparators(f4).toStdString());
    EXPECT_TRUE(prompter.questions.empty());
}

TEST_F(DialogTest, ExitWithUnsavedChangesAsks) {
    CReseditDlg dlg(file("a.bin", drfOf(3)), prompter, next);
    dlg.show();
    type(&dlg, 1022, QStringLiteral("1"));
    prompter.saveChoices = {SaveChoice::Cancel, SaveChoice::Discard};
    click(&dlg, 1006);
    EXPECT_TRUE(dlg.isVisible());
    click(&dlg, 1006);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(prompter.questions.size(), 2u);
}

TEST_F(DialogTest, QualityListsTakeTypedTextMediaListsDoNot) {
    auto b = drfOf(3);
    b.value(101, 2, "Marking2File", "FocusOffset", -2).value(101, 0, "Marking2File", "FocusOffset", 7);
    CReseditDlg classic(file("q3.bin", b), prompter, next);
    CReseditReorgDlg reorg(file("q4.bin", drfOf(4)), prompter, next);
    EXPECT_TRUE(control<QComboBox>(&classic, 1010)->isEditable());
    EXPECT_TRUE(control<QComboBox>(&reorg, 1124)->isEditable());
    EXPECT_FALSE(control<QComboBox>(&classic, 1009)->isEditable());
    EXPECT_FALSE(control<QComboBox>(&reorg, 1126)->isEditable());

    auto* quality = control<QComboBox>(&classic, 1010);
    const auto typeQuality = [quality](const QString& typed) {
        quality->lineEdit()->selectAll();
        QTest::keyClicks(quality->lineEdit(), typed);
        QTest::keyClick(quality->lineEdit(), Qt::Key_Return);
    };
    const struct {
        QString typed, shown, focus;
    } cases[] = {
        {"Best", "Best", "7"},  {"best", "Normal", "0"}, {"Draft", "Draft", "-2"},
        {"Dra", "Normal", "0"}, {"Best", "Best", "7"},   {"Very fine", "Normal", "0"},
    };
    for (const auto& c : cases) {
        typeQuality(c.typed);
        EXPECT_EQ(quality->currentText(), c.shown) << c.typed.toStdString();
        EXPECT_EQ(quality->count(), 3) << "no typed entry joins the list";
        EXPECT_EQ(text(&classic, 1035), c.focus) << c.typed.toStdString();
    }
    EXPECT_TRUE(prompter.messages.empty());
}

// ---- the format-4 editor ----

TEST_F(DialogTest, ReorgEditorSharesDriveDataAcrossMedia) {
    CReseditReorgDlg dlg(file("f4.bin", drfOf(4, {101, 102}, 120)), prompter, next);
    EXPECT_EQ(dlg.objectName(), QStringLiteral("130"));
    EXPECT_EQ(text(&dlg, 1133), QStringLiteral("Editor for DRF Format 4"));
    EXPECT_EQ(text(&dlg, 1088), QStringLiteral("0"));
    EXPECT_EQ(text(&dlg, 1119), QStringLiteral("4"));
    EXPECT_TRUE(edit(&dlg, 1080)->isEnabled()) << "drive 120 has track shift spokes";
    EXPECT_EQ(control<QWidget>(&dlg, 1046), nullptr) << "no spiral controls";
    type(&dlg, 1094, QStringLiteral("777"));
    type(&dlg, 1090, QStringLiteral("1"));
    click(&dlg, 1014);
    choose(&dlg, 1126, QStringLiteral("102: MKM Gen 1.0 CD"));
    EXPECT_EQ(text(&dlg, 1094), QStringLiteral("777"));
    EXPECT_EQ(text(&dlg, 1090), QStringLiteral("0")) << "drive/media data belongs to 101";
}

TEST_F(DialogTest, ReorgEditorHandsAFormat3DrfBack) {
    CReseditReorgDlg dlg(file("f4.bin", drfOf(4)), prompter, next);
    dlg.show();
    const QString f3 = file("f3.bin", drfOf(3));
    prompter.openAnswers.push_back(f3.toStdString());
    click(&dlg, 1015);
    EXPECT_TRUE(dlg.handedOver());
    EXPECT_EQ(next.fromReorg, f3.toStdString());
    EXPECT_EQ(control<QLabel>(&dlg, 1123)->text(), QStringLiteral("f4.bin"));
}

} // namespace
} // namespace resedit
