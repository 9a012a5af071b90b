// The main dialog on working copies of the sample machines, offscreen, with
// every box scripted: the views and their switches, the menus, the About box
// and its version, and the jump from an error log entry to the lookup.
#include "MainDialog.h"
#include "QtPrint.h"
#include "WorkingMachine.h"

#include "DiagnosticsWidget.h"
#include "ErrorFilesTreeWidget.h"
#include "ErrorFilesWidget.h"
#include "ErrorUtilitiesWidget.h"
#include "EventLogWidget.h"
#include "MessagePrompter.h"
#include "QuestionPrompter.h"
#include "SimpleDiagnosticsWidget.h"
#include "diagtool/app/DiagtoolSession.h"
#include "diagtool/catalogue/ErrorCodeCatalogue.h"
#include "diagtool/content/DiagtoolContent.h"
#include "diagtool/windows/WindowsDiagnostics.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

void app() {
    static int argc = 1;
    static char name[] = "main_dialog_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) {
        new QApplication(argc, argv);
        registerDiagtoolContent();
    }
}

class RecordingMessages final : public MessagePrompter {
public:
    void warning(QWidget*, const QString& title, const QString& text) override {
        shown << title + ": " + text;
    }
    void information(QWidget*, const QString& title, const QString& text) override {
        shown << title + ": " + text;
    }
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&, QString*) override {
        return {};
    }
    QStringList shown;
};

// Answers every question with the second button ("No", "Cancel", "Abort").
class DecliningQuestions final : public QuestionPrompter {
public:
    int ask(QWidget*, const QString&, const QString& text, const QString&, const QString&) override {
        asked << text;
        return 1;
    }
    void warn(QWidget*, const QString&, const QString& text) override { warnings << text; }
    QStringList asked;
    QStringList warnings;
};

struct AboutShown {
    QWidget* parent;
    QString title, text;
};

// The window as the program sets it up (system, COM, journal, checks with
// the drive count), with scripted boxes and no drive scan of its own.
struct Harness {
    explicit Harness(const std::string& sample)
        : machine(sample), session(std::make_unique<DiagtoolSession>(machine.open())) {
        MainDialogServices services;
        services.messages = &messages;
        services.questions = &questions;
        services.scan = [] { return QStringList{"Drive 0 : Scripted (E:), No media detected"}; };
        services.about = [this](QWidget* parent, const QString& title, const QString& text) {
            abouts.push_back({parent, title, text});
        };
        dialog = std::make_unique<MainDialog>(session->system(), session->checks(), services);
    }
    qmtest::WorkingMachine machine;
    std::unique_ptr<DiagtoolSession> session;
    RecordingMessages messages;
    DecliningQuestions questions;
    std::vector<AboutShown> abouts;
    std::unique_ptr<MainDialog> dialog;
};

QStringList tabTitles(QTabWidget* tabs) {
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i) {
        titles << tabs->tabText(i);
    }
    return titles;
}

void grab(QWidget& window, const char* name) {
    const std::filesystem::path file = std::filesystem::path(::testing::TempDir()) / name;
    EXPECT_TRUE(window.grab().save(QString::fromStdString(file.string())));
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { app(); }
};

TEST_F(MainWindow, StartsInTheSimpleViewWithItsMenus) {
#ifdef _WIN32
    GTEST_SKIP() << "COM on Windows does not reach the emulated machine's server and drives";
#endif
    Harness h("healthy");
    MainDialog& d = *h.dialog;
    EXPECT_STREQ(d.metaObject()->className(), "MainDialog");
    EXPECT_EQ(d.windowTitle(), "Quillmark Diagnostic Utility");
    EXPECT_EQ(d.windowFlags() & 0xC000, 0xC000);
    EXPECT_EQ(d.pos(), QPoint(100, 100));
    EXPECT_TRUE(d.simpleViewShown());
    EXPECT_FALSE(d.advancedViewShown());
    EXPECT_EQ(d.layout(), d.currentLayout());
    EXPECT_EQ(d.layout()->menuBar(), d.menuBar());
    EXPECT_TRUE(d.simpleViewAction()->isChecked());
    EXPECT_FALSE(d.advancedViewAction()->isChecked());
    EXPECT_EQ(d.tabWidget(), nullptr) << "the advanced view is built on first use";
    ASSERT_NE(d.simpleWidget(), nullptr);
    EXPECT_EQ(d.simpleWidget()->parentWidget(), &d);
    // The healthy machine asks nothing and finds its drives.
    EXPECT_TRUE(h.questions.asked.isEmpty());
    EXPECT_TRUE(d.simpleWidget()->statusLabel()->text().endsWith(
        "Status: OK\nYour critical Quillmark system settings and drive communications\nhave been checked and "
        "are "
        "functioning correctly."))
        << d.simpleWidget()->statusLabel()->text().toStdString();
    // The logo is the program's own embedded picture.
    EXPECT_FALSE(QPixmap(SimpleDiagnosticsWidget::kLogo).isNull());

    const QList<QAction*> menus = d.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    struct Item {
        const char* text;
        const char* shortcut;
        bool checkable;
    };
    const std::vector<std::vector<Item>> expected = {
        {{"&Open Support Bundle...", "Ctrl+O", false},
         {"Save Support &Bundle...", "Ctrl+B", false},
         {"", "", false},
         {"E&xit", "Ctrl+Q", false}},
        {{"&Advanced View", "Ctrl+A", true}, {"&Simple View", "Ctrl+S", true}},
        {{"&About", "", false}}};
    const QStringList titles = {"&File", "&View", "&Help"};
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ(menus[m]->text(), titles[m]);
        const QList<QAction*> items = menus[m]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[m].size())) << m;
        for (std::size_t i = 0; i < expected[m].size(); ++i) {
            EXPECT_EQ(items[i]->text(), expected[m][i].text);
            EXPECT_EQ(items[i]->shortcut(), QKeySequence(expected[m][i].shortcut));
            EXPECT_EQ(items[i]->isCheckable(), expected[m][i].checkable);
        }
    }
    ASSERT_NE(d.simpleViewAction()->actionGroup(), nullptr);
    EXPECT_EQ(d.simpleViewAction()->actionGroup(), d.advancedViewAction()->actionGroup());
    EXPECT_TRUE(d.simpleViewAction()->actionGroup()->isExclusive());

    QStringList slotNames;
    for (int i = d.metaObject()->methodOffset(); i < d.metaObject()->methodCount(); ++i) {
        if (d.metaObject()->method(i).methodType() == QMetaMethod::Slot) {
            slotNames << QString::fromLatin1(d.metaObject()->method(i).methodSignature());
        }
    }
    EXPECT_EQ(slotNames,
              QStringList({"about()", "save()", "restore()", "switchToAdvancedLayout()",
                           "switchToSimpleLayout()", "saveSupportBundle()", "openSupportBundle()"}));
    d.show();
    grab(d, "main_simple_healthy.png");
}

TEST_F(MainWindow, SimpleViewAgainChangesNothing) {
    Harness h("healthy");
    MainDialog& d = *h.dialog;
    d.show();
    QLayout* layout = d.currentLayout();
    SimpleDiagnosticsWidget* simple = d.simpleWidget();
    const QString status = simple->statusLabel()->text();
    const QSize size = d.size();
    d.simpleViewAction()->trigger();
    EXPECT_EQ(d.currentLayout(), layout);
    EXPECT_EQ(d.layout(), layout);
    EXPECT_EQ(d.simpleWidget(), simple);
    EXPECT_TRUE(simple->isVisible());
    EXPECT_EQ(simple->statusLabel()->text(), status);
    EXPECT_EQ(d.size(), size);
    EXPECT_EQ(d.tabWidget(), nullptr);
    EXPECT_TRUE(d.simpleViewAction()->isChecked());
}

TEST_F(MainWindow, SwitchingKeepsOneSetOfPagesAndTheirState) {
    Harness h("healthy");
    MainDialog& d = *h.dialog;
    d.show();
    SimpleDiagnosticsWidget* simple = d.simpleWidget();
    // 100 x 200, or what the simple view's layout needs beyond that.
    const QSize simpleSize = d.size();
    EXPECT_LT(simpleSize.width(), 800);

    d.advancedViewAction()->trigger();
    EXPECT_TRUE(d.advancedViewShown());
    EXPECT_EQ(d.layout(), d.currentLayout());
    EXPECT_EQ(d.layout()->menuBar(), d.menuBar());
    EXPECT_TRUE(d.advancedViewAction()->isChecked());
    EXPECT_FALSE(d.simpleViewAction()->isChecked());
    EXPECT_EQ(d.size(), QSize(800, 500));
    EXPECT_FALSE(simple->isVisible());
    QTabWidget* tabs = d.tabWidget();
    ASSERT_NE(tabs, nullptr);
    EXPECT_TRUE(tabs->isVisible());
    const QStringList order = {"Diagnostics", "Event Log", "Error Files", "Utilities"};
    EXPECT_EQ(tabTitles(tabs), order);
    EXPECT_EQ(tabs->widget(0), d.diagnosticsWidget());
    EXPECT_EQ(tabs->widget(1), d.eventLogWidget());
    EXPECT_EQ(tabs->widget(2), d.errorFilesWidget());
    EXPECT_EQ(tabs->widget(3), d.errorUtilitiesWidget());
    // Some state in a page, and a page other than the first chosen.
    d.diagnosticsWidget()->systemInfoButton()->click();
    d.diagnosticsWidget()->scanButton()->click();
    const QString qmsLabel = d.diagnosticsWidget()->qmsVersionLabel()->text();
    EXPECT_EQ(qmsLabel, "QMS Version: 3.10.0.7");
    tabs->setCurrentIndex(2);
    grab(d, "main_advanced_healthy.png");

    d.simpleViewAction()->trigger();
    EXPECT_TRUE(d.simpleViewShown());
    EXPECT_EQ(d.simpleWidget(), simple) << "the simple view is not built twice";
    EXPECT_TRUE(simple->isVisible());
    EXPECT_FALSE(tabs->isVisible());
    EXPECT_TRUE(d.simpleViewAction()->isChecked());
    EXPECT_EQ(d.size(), simpleSize) << "bounded by the simple view's layout, not the advanced one's";

    d.advancedViewAction()->trigger();
    EXPECT_EQ(d.tabWidget(), tabs);
    EXPECT_EQ(tabTitles(tabs), order);
    EXPECT_EQ(tabs->currentIndex(), 2);
    EXPECT_EQ(d.diagnosticsWidget()->qmsVersionLabel()->text(), qmsLabel);
    EXPECT_EQ(d.diagnosticsWidget()->drivesBox()->toPlainText(),
              "Drive 0 : Scripted (E:), No media detected\n");
    EXPECT_EQ(d.size(), QSize(800, 500));
    // Choosing the advanced view while in it leaves everything as it is.
    d.advancedViewAction()->trigger();
    EXPECT_EQ(d.tabWidget(), tabs);
    EXPECT_EQ(tabTitles(tabs), order);
    EXPECT_TRUE(tabs->isVisible());
    EXPECT_TRUE(h.messages.shown.isEmpty());
}

TEST_F(MainWindow, ExitShortcutClosesAtOnce) {
    Harness h("healthy");
    MainDialog& d = *h.dialog;
    d.show();
    QApplication::setActiveWindow(&d);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    QTest::keyClick(&d, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(h.messages.shown.isEmpty());
    EXPECT_TRUE(h.questions.asked.isEmpty());
}

TEST_F(MainWindow, CloseOfTheSimpleViewClosesTheWindow) {
    Harness h("healthy");
    h.dialog->show();
    h.dialog->simpleWidget()->closeButton()->click();
    EXPECT_FALSE(h.dialog->isVisible());
}

TEST_F(MainWindow, ChecksOfTheSimpleViewAskThroughTheInjectedPrompter) {
    // The broken machine has settings to fix; every offer is declined.
    Harness h("broken");
    EXPECT_FALSE(h.questions.asked.isEmpty());
    EXPECT_TRUE(h.dialog->simpleViewShown());
}

struct AboutCase {
    const char* sample;
    const char* version;
};

class AboutBox : public MainWindow, public ::testing::WithParamInterface<AboutCase> {};

TEST_P(AboutBox, TitleTextAndTheInstalledVersion) {
    Harness h(GetParam().sample);
    h.dialog->aboutAction()->trigger();
    ASSERT_EQ(h.abouts.size(), 1u);
    EXPECT_EQ(h.abouts[0].parent, h.dialog.get());
    EXPECT_EQ(h.abouts[0].title, "About Quillmark Diagnostic Utility.");
    EXPECT_EQ(h.abouts[0].text, QString("The <b>Quillmark Diagnostic Utility</b> helps to diagnose Quillmark "
                                        "System Software problems.<br>Version - ") +
                                    GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(Samples, AboutBox,
                         ::testing::Values(AboutCase{"healthy", "1.8.13.1"},
                                           // The installed copy there is the x86-64 build.
                                           AboutCase{"no-admin", "1.8.13.1"},
                                           // Neither has the program installed.
                                           AboutCase{"no-drives", "Error reading diagtool version\n"},
                                           AboutCase{"bare", "Error reading diagtool version\n"}),
                         [](const auto& info) {
                             std::string name = info.param.sample;
                             std::erase(name, '-');
                             return name;
                         });

TEST_F(MainWindow, VersionOfAnInstalledFileThatIsNoProgram) {
    qmtest::WorkingMachine machine("healthy");
    const std::filesystem::path exe =
        machine.hostPath(L"C:\\Program Files\\Quillmark Diagnostic Utility\\diagtool.exe");
    ASSERT_TRUE(std::filesystem::exists(exe));
    EXPECT_EQ(MainDialog::readVersionText(machine.system()), "1.8.13.1");
    // Cut short after the headers, then no file at all.
    std::filesystem::resize_file(exe, 512);
    EXPECT_EQ(MainDialog::readVersionText(machine.system()), "Error reading diagtool version\n");
    std::ofstream(exe, std::ios::binary | std::ios::trunc) << "MZ not really";
    EXPECT_EQ(MainDialog::readVersionText(machine.system()), "Error reading diagtool version\n");
    std::filesystem::remove(exe);
    EXPECT_EQ(MainDialog::readVersionText(machine.system()), "Error reading diagtool version\n");
}

QTreeWidgetItem* entryWithNumber(ErrorFilesTreeWidget* tree, const QString& number) {
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) {
        if ((*it)->text(ErrorFilesTreeWidget::InternalErrorNumColumn) == number) {
            return *it;
        }
    }
    return nullptr;
}

TEST_F(MainWindow, DoubleClickedErrorEntryOpensTheLookup) {
    Harness h("healthy");
    MainDialog& d = *h.dialog;
    d.show();
    d.advancedViewAction()->trigger();
    QTabWidget* tabs = d.tabWidget();
    tabs->setCurrentIndex(2);
    d.errorFilesWidget()->scan();
    ErrorFilesTreeWidget* tree = d.errorFilesWidget()->tree();
    QTreeWidgetItem* entry = entryWithNumber(tree, "4268");
    ASSERT_NE(entry, nullptr);
    emit tree->itemDoubleClicked(entry, 0);
    EXPECT_EQ(tabs->currentIndex(), kUtilitiesTabIndex);
    const QList<QLineEdit*> edits = d.errorUtilitiesWidget()->findChildren<QLineEdit*>();
    ASSERT_GE(edits.size(), 2);
    EXPECT_EQ(edits[0]->text(), "4268") << "the number goes in as the log shows it";
    EXPECT_EQ(edits[1]->text(), "QMCAPI_E_NAMED_PIPE_WRITE_ERROR");

    // A hexadecimal number, from the simple view: the window changes view.
    d.simpleViewAction()->trigger();
    entry = entryWithNumber(tree, "0x201");
    ASSERT_NE(entry, nullptr);
    emit tree->itemDoubleClicked(entry, 0);
    EXPECT_TRUE(d.advancedViewShown());
    EXPECT_TRUE(d.advancedViewAction()->isChecked());
    EXPECT_EQ(tabs->currentIndex(), kUtilitiesTabIndex);
    EXPECT_EQ(edits[0]->text(), "0x201");
    EXPECT_EQ(edits[1]->text(), QString::fromStdString(lookupErrorCode(0x201).symbolicName));
    EXPECT_FALSE(edits[1]->text().isEmpty());
    grab(d, "main_lookup_healthy.png");
}

} // namespace
