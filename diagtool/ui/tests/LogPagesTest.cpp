// The "Error Files" and "Event Log" pages on an emulated machine: what a scan
// lists and in which order, the boxes it shows, the jump to the lookup, the
// filters, copying and exporting rows, customer log files and the status
// line. Every page is also grabbed to a PNG under the test's temporary
// folder for a look.
#include "ErrorFilesTreeWidget.h"
#include "ErrorFilesWidget.h"
#include "ErrorJumpTarget.h"
#include "EventLogView.h"
#include "EventLogWidget.h"
#include "FailingSystem.h"
#include "LiveProgress.h"
#include "MessagePrompter.h"
#include "TreeRows.h"
#include "diagtool/catalogue/ErrorCodeCatalogue.h"
#include "diagtool/catalogue/ErrorCodeParser.h"
#include "diagtool/logs/EventLogRecord.h"

#include "platform/formats/EvtFile.h"
#include "platform/machine/DefaultMachine.h"
#include "platform/machine/EmulatedSystem.h"

#include "EvtxWriter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace fs = std::filesystem;
using namespace qmplatform;

namespace {

struct Shown {
    QString kind, title, text;
    QWidget* parent = nullptr;
};

class ScriptedPrompter final : public MessagePrompter {
public:
    void warning(QWidget* parent, const QString& title, const QString& text) override {
        shown.push_back({QStringLiteral("warning"), title, text, parent});
    }
    void information(QWidget* parent, const QString& title, const QString& text) override {
        shown.push_back({QStringLiteral("information"), title, text, parent});
    }
    QString openFileName(QWidget*, const QString&, const QString& filter) override {
        lastFilter = filter;
        return nextFile;
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString& filter,
                         QString* selectedFilter) override {
        lastFilter = filter;
        if (!nextFilter.isEmpty() && selectedFilter != nullptr)
            *selectedFilter = nextFilter;
        return nextSaveFile;
    }
    std::vector<Shown> shown;
    QString nextFile;
    QString nextSaveFile;
    QString nextFilter;
    QString lastFilter;
};

// Stands for the main dialog: looks the number up as the lookup page does.
class RecordingJumpTarget final : public ErrorJumpTarget {
public:
    void jumpToError(const QString& number) override {
        jumps << number;
        symbolicName = lookupErrorCode(tryParseErrorCode(number.toStdString()).value_or(0)).symbolicName;
    }
    QStringList jumps;
    std::string symbolicName;
};

QApplication& app() {
    static int argc = 1;
    static char name[] = "log_pages_test";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

QString cell(const QTreeView& tree, int row, int column, int role = Qt::DisplayRole) {
    return tree.model()->index(row, column).data(role).toString();
}

// The texts of one column's top-level rows, as listed.
QStringList column(const QTreeView& tree, int c) {
    QStringList out;
    for (int i = 0; i < tree.model()->rowCount(); ++i)
        out << cell(tree, i, c);
    return out;
}

const char kNewerLog[] =
    "<?xml version=\"1.0\"?><QMLog>"
    "<Error><Time>08:12</Time><Category>API</Category><ErrorInfo><Context>Burn</Context>"
    "<ExternalErrorNum>0x80040231</ExternalErrorNum><InternalErrorNum>4268</InternalErrorNum>"
    "<ErrorMessage>pipe write failed</ErrorMessage></ErrorInfo></Error>"
    "<Info><Time>08:13</Time><Category>Service</Category><ErrorInfo>job done</ErrorInfo></Info>"
    "</QMLog>";
const char kOlderLog[] = "<QMLog><Info/><Error><ErrorInfo>disk full</ErrorInfo></Error></QMLog>";
const char kOtherAppLog[] = "<QMLog><Warning><Category>User</Category></Warning></QMLog>";

class LogPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        root_ = fs::path(::testing::TempDir()) / "qm_log_pages";
        fs::remove_all(root_);
        std::string error;
        ASSERT_TRUE(emulated::Machine::create(root_, {}, error)) << error;
        system_ = emulated::makeEmulatedSystem(root_, {}, error);
        ASSERT_TRUE(system_) << error;
    }

    void writeLog(const std::wstring& windowsPath, const std::string& content, int ageMinutes) {
        const fs::path path = system_->machine().hostPath(windowsPath);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(ageMinutes));
    }

    void writeSampleLogs() {
        const std::wstring common = L"C:\\Program Files\\Common Files\\Quillmark\\log\\";
        writeLog(common + L"QMCAPI.xml", kNewerLog, 5);
        writeLog(common + L"QMPrtEn.xml", kOlderLog, 60);
        writeLog(common + L"empty.xml", "<QMLog/>", 30);
        writeLog(common + L"broken.xml", "<QMLog><Error>", 20);
        writeLog(common + L"settings.xml", "<Settings><Error/></Settings>", 10);
        fs::create_directories(system_->machine().hostPath(common + L"old"));
        writeLog(L"C:\\users\\quill\\AppData\\Local\\Quillmark\\log\\QMCAPI.xml", kOtherAppLog, 1);
    }

    static void grab(QWidget& page, const char* name) {
        page.resize(900, 400);
        page.show();
        QApplication::processEvents();
        const QString file = QString::fromStdString((fs::path(::testing::TempDir()) / name).string());
        EXPECT_TRUE(page.grab().save(file));
    }

    fs::path root_;
    std::unique_ptr<emulated::EmulatedSystem> system_;
    ScriptedPrompter prompter_;
    RecordingJumpTarget jump_;
};

TEST_F(LogPagesTest, ScanListsTheFoldersInOrderNewestFileFirst) {
    writeSampleLogs();
    ErrorFilesWidget page(&jump_, *system_, prompter_);
    page.scan();
    const ErrorFilesTreeWidget& tree = *page.tree();
    EXPECT_EQ(column(tree, ErrorFilesTreeWidget::LogFileColumn),
              (QStringList{"QMCAPI.xml", "QMCAPI.xml", "QMPrtEn.xml", "QMPrtEn.xml", "QMCAPI.xml"}));
    EXPECT_EQ(column(tree, ErrorFilesTreeWidget::LogLevelColumn),
              (QStringList{"Error", "Info", "Info", "Error", "Warning"}));
    EXPECT_EQ(column(tree, ErrorFilesTreeWidget::ErrorInfoColumn),
              (QStringList{"", "job done", "Unknown ErrorInfo", "disk full", "Unknown ErrorInfo"}));
    EXPECT_EQ(column(tree, ErrorFilesTreeWidget::InternalErrorNumColumn),
              (QStringList{"4268", "", "", "", ""}));
    // The one file of another root is reported once; the broken one silently.
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].kind, "information");
    EXPECT_EQ(prompter_.shown[0].title, "Quillmark Error Log Parser");
    EXPECT_EQ(prompter_.shown[0].text, "The file is not a Quillmark error log file.");
    grab(page, "error_files_flat.png");
}

TEST_F(LogPagesTest, LevelsViewGroupsInFirstSeenOrderAndDoubleClickJumpsOnlyWithANumber) {
    writeSampleLogs();
    ErrorFilesWidget page(&jump_, *system_, prompter_);
    page.scan();
    page.LevelsView();
    EXPECT_FALSE(page.flatView());
    const auto radio = [&](const char* text) {
        for (auto* button : page.findChildren<QRadioButton*>())
            if (button->text() == QLatin1String(text))
                return button->isChecked();
        ADD_FAILURE() << text;
        return false;
    };
    EXPECT_TRUE(radio("Levels view"));
    ErrorFilesTreeWidget& tree = *page.tree();
    ASSERT_EQ(column(tree, 0), (QStringList{"Error", "Info", "Warning"}));
    EXPECT_EQ(tree.topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(tree.topLevelItem(1)->childCount(), 2);
    EXPECT_FALSE(tree.topLevelItem(0)->icon(0).isNull());

    tree.jumpToError(tree.topLevelItem(0), 0);           // a group
    tree.jumpToError(tree.topLevelItem(0)->child(1), 7); // no number
    EXPECT_TRUE(jump_.jumps.isEmpty());
    emit tree.itemDoubleClicked(tree.topLevelItem(0)->child(0), 2);
    EXPECT_EQ(jump_.jumps, QStringList{"4268"});
    EXPECT_EQ(jump_.symbolicName, "QMCAPI_E_NAMED_PIPE_WRITE_ERROR");

    tree.expandAll();
    grab(page, "error_files_levels.png");
    page.FlatView();
    EXPECT_EQ(tree.topLevelItemCount(), 5);
    EXPECT_TRUE(radio("Flat view"));
    EXPECT_FALSE(radio("Levels view"));
}

TEST_F(LogPagesTest, NoLogFolderLeavesTheTreeEmptyWithoutABox) {
    ErrorFilesWidget page(&jump_, *system_, prompter_);
    static QStringList warnings;
    warnings.clear();
    const auto previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtWarningMsg)
                warnings << text;
        });
    page.scan();
    qInstallMessageHandler(previous);
    EXPECT_EQ(page.tree()->topLevelItemCount(), 0);
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(warnings.contains("Cannot find a log file directory"));
}

TEST_F(LogPagesTest, FiltersNarrowTheRowsInBothViews) {
    writeSampleLogs();
    ErrorFilesWidget page(&jump_, *system_, prompter_);
    page.scan();
    auto* filter = page.findChild<QLineEdit*>("filterEdit");
    auto* level = page.findChild<QComboBox*>("levelFilter");
    ASSERT_TRUE(filter && level);
    EXPECT_EQ(level->count(), 4); // all levels, Error, Info, Warning
    const auto visible = [&] {
        QStringList out;
        for (int i = 0; i < page.tree()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* top = page.tree()->topLevelItem(i);
            if (top->isHidden())
                continue;
            if (top->childCount() == 0)
                out << top->text(ErrorFilesTreeWidget::ErrorInfoColumn) + "/" + top->text(0);
            for (int c = 0; c < top->childCount(); ++c) {
                if (!top->child(c)->isHidden())
                    out << top->child(c)->text(ErrorFilesTreeWidget::ErrorInfoColumn) + "/" + top->text(0);
            }
        }
        return out;
    };
    filter->setText("DISK");
    EXPECT_EQ(visible(), QStringList{"disk full/Error"});
    filter->setText("unknown");
    level->setCurrentText("Info");
    EXPECT_EQ(visible(), QStringList{"Unknown ErrorInfo/Info"});
    page.LevelsView();
    EXPECT_EQ(visible(), QStringList{"Unknown ErrorInfo/Info"});
    filter->clear();
    level->setCurrentIndex(0);
    EXPECT_EQ(visible().size(), 5);
}

TEST_F(LogPagesTest, CopiesSelectedEntryRowsAsTabSeparatedLines) {
    writeSampleLogs();
    ErrorFilesWidget page(&jump_, *system_, prompter_);
    page.scan();
    page.LevelsView();
    ErrorFilesTreeWidget& tree = *page.tree();
    tree.topLevelItem(0)->setSelected(true); // a group: not copied
    tree.topLevelItem(0)->child(0)->setSelected(true);
    tree.topLevelItem(1)->child(1)->setSelected(true);
    EXPECT_EQ(selectedRowsAsText(tree),
              "Error\tQMCAPI.xml\t08:12\tAPI\t\tBurn\t0x80040231\t4268\tpipe write failed\n"
              "Info\tQMPrtEn.xml\tUnknown time\tUnknown Category\tUnknown ErrorInfo\t\t\t\t\n");
    // Ctrl+C on the tree (and its context menu) goes through its action.
    ASSERT_EQ(tree.actions().size(), 1);
    QAction* copy = tree.actions().first();
    EXPECT_EQ(copy->shortcut(), QKeySequence(QKeySequence::Copy));
    EXPECT_EQ(tree.contextMenuPolicy(), Qt::ActionsContextMenu);
    QApplication::clipboard()->clear();
    copy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), selectedRowsAsText(tree));
    tree.clearSelection();
    EXPECT_FALSE(copySelectedRows(tree));
}

// Warnings the scan writes to Qt's output while `run` runs.
template <typename Run> QStringList qtWarnings(Run run) {
    static QStringList warnings;
    warnings.clear();
    const auto previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtWarningMsg)
                warnings << text;
        });
    run();
    qInstallMessageHandler(previous);
    return warnings;
}

// The canonical folder path, in Qt's form, as the scan names a file.
constexpr char kCommonLogFolder[] = "C:/Program Files/Common Files/Quillmark/log";

TEST_F(LogPagesTest, AFileThatCannotBeReadEndsItsFolderButNotTheScan) {
    writeSampleLogs();
    FailingSystem failing(*system_);
    // Newest first: QMCAPI.xml (read), settings.xml (locked), then the rest.
    failing.unreadableFiles = {L"settings.xml"};
    ErrorFilesWidget page(&jump_, failing, prompter_);
    page.scan();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].kind, "warning");
    EXPECT_EQ(prompter_.shown[0].title, "Quillmark Error Log Parser");
    EXPECT_EQ(prompter_.shown[0].text, QString("Cannot read file %1/settings.xml").arg(kCommonLogFolder));
    // The newer file's entries stay; the older ones of that folder are not
    // read; the next folders are.
    EXPECT_EQ(column(*page.tree(), ErrorFilesTreeWidget::LogFileColumn),
              (QStringList{"QMCAPI.xml", "QMCAPI.xml", "QMCAPI.xml"}));
    EXPECT_EQ(column(*page.tree(), ErrorFilesTreeWidget::LogLevelColumn),
              (QStringList{"Error", "Info", "Warning"}));
    EXPECT_EQ(failing.folderRequests, 3);
}

// The scan takes files only: a link in a log folder (to a file or a folder)
// is left out. A file is opened and named by the folder's canonical path:
// the names as they are on disk and every link resolved.
TEST_F(LogPagesTest, LinksAreSkippedAndFilesAreNamedByTheCanonicalFolder) {
    // The log folder as a component made it, spelt its own way.
    const fs::path common = system_->machine().hostPath(L"C:\\Program Files\\Common Files");
    fs::create_directories(common / "QUILLMARK" / "Logs");
    std::error_code ec;
    fs::create_directory_symlink("Logs", common / "QUILLMARK" / "log", ec);
    if (ec)
        GTEST_SKIP() << "no symbolic links here: " << ec.message();
    writeLog(L"C:\\Program Files\\Common Files\\QUILLMARK\\Logs\\QMCAPI.xml", kNewerLog, 5);
    writeLog(L"C:\\Program Files\\Common Files\\QUILLMARK\\Logs\\locked.xml", kOlderLog, 1);
    writeLog(L"C:\\ProgramData\\elsewhere\\QMPrtEn.xml", kOlderLog, 60);
    fs::create_symlink(system_->machine().hostPath(L"C:\\ProgramData\\elsewhere\\QMPrtEn.xml"),
                       common / "QUILLMARK" / "Logs" / "linked.xml", ec);
    ASSERT_FALSE(ec) << ec.message();
    fs::create_directory_symlink(system_->machine().hostPath(L"C:\\ProgramData\\elsewhere"),
                                 common / "QUILLMARK" / "Logs" / "folder.xml", ec);
    ASSERT_FALSE(ec) << ec.message();

    FailingSystem failing(*system_);
    failing.unreadableFiles = {L"locked.xml"};
    ErrorFilesWidget page(&jump_, failing, prompter_);
    page.scan();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text,
              QString("Cannot read file C:/Program Files/Common Files/QUILLMARK/Logs/locked.xml"));

    failing.unreadableFiles.clear();
    page.scan();
    page.FlatView();
    EXPECT_EQ(column(*page.tree(), ErrorFilesTreeWidget::LogFileColumn),
              (QStringList{"locked.xml", "locked.xml", "QMCAPI.xml", "QMCAPI.xml"}));
}

TEST_F(LogPagesTest, AFailedOnlyFolderShowsNothingButKeepsWhatItRead) {
    const std::wstring common = L"C:\\Program Files\\Common Files\\Quillmark\\log\\";
    writeLog(common + L"QMCAPI.xml", kNewerLog, 5);
    writeLog(common + L"QMPrtEn.xml", kOlderLog, 60);
    FailingSystem failing(*system_);
    failing.unreadableFiles = {L"QMPrtEn.xml"};
    ErrorFilesWidget page(&jump_, failing, prompter_);
    const QStringList warnings = qtWarnings([&] { page.scan(); });
    EXPECT_TRUE(warnings.contains("Cannot find a log file directory"));
    EXPECT_EQ(page.tree()->topLevelItemCount(), 0);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, QString("Cannot read file %1/QMPrtEn.xml").arg(kCommonLogFolder));
    // The entries read before the failure are kept for the next view.
    page.FlatView();
    EXPECT_EQ(column(*page.tree(), ErrorFilesTreeWidget::TimeColumn), (QStringList{"08:12", "08:13"}));
}

TEST_F(LogPagesTest, EachFolderTheShellCannotNameIsOneBoxWithTheSameText) {
    writeSampleLogs();
    writeLog(L"C:\\ProgramData\\Quillmark\\log\\QMService.xml",
             "<QMLog><Notice><Category>Service</Category></Notice></QMLog>", 2);
    struct Case {
        std::set<int> failing;
        QStringList levels; // what the other folders still give
    };
    const Case cases[] = {
        {{kCsidlProgramFilesCommon}, {"Warning", "Notice"}},
        {{kCsidlLocalAppData}, {"Error", "Info", "Info", "Error", "Notice"}},
        {{kCsidlCommonAppData}, {"Error", "Info", "Info", "Error", "Warning"}},
        {{kCsidlProgramFilesCommon, kCsidlLocalAppData, kCsidlCommonAppData}, {}},
    };
    for (const Case& c : cases) {
        ScriptedPrompter prompter;
        FailingSystem failing(*system_);
        failing.failingFolders = c.failing;
        ErrorFilesWidget page(&jump_, failing, prompter);
        const QStringList warnings = qtWarnings([&] { page.scan(); });
        EXPECT_EQ(column(*page.tree(), ErrorFilesTreeWidget::LogLevelColumn), c.levels) << *c.failing.begin();
        EXPECT_EQ(failing.folderRequests, 3);
        EXPECT_EQ(warnings.contains("Cannot find a log file directory"), c.levels.isEmpty());
        std::size_t boxes = 0;
        for (const Shown& box : prompter.shown) {
            if (box.title != "File error")
                continue;
            ++boxes;
            EXPECT_EQ(box.kind, "warning");
            EXPECT_EQ(box.text, "Failed to get Program Files\\Common Files path");
        }
        EXPECT_EQ(boxes, c.failing.size());
    }
}

TEST_F(LogPagesTest, RowsSortByTheTextsTheyShow) {
    writeSampleLogs();
    ErrorFilesWidget page(&jump_, *system_, prompter_);
    page.scan();
    ErrorFilesTreeWidget& tree = *page.tree();
    tree.sortByColumn(ErrorFilesTreeWidget::TimeColumn, Qt::AscendingOrder);
    EXPECT_EQ(column(tree, ErrorFilesTreeWidget::TimeColumn),
              (QStringList{"08:12", "08:13", "Unknown time", "Unknown time", "Unknown time"}));
    tree.sortByColumn(ErrorFilesTreeWidget::LogLevelColumn, Qt::DescendingOrder);
    EXPECT_EQ(column(tree, ErrorFilesTreeWidget::LogLevelColumn),
              (QStringList{"Warning", "Info", "Info", "Error", "Error"}));
    // A rescan keeps the user's sort.
    page.scan();
    EXPECT_EQ(column(tree, ErrorFilesTreeWidget::LogLevelColumn).first(), "Warning");
}

TEST(LiveProgressTest, ShowsProgressWhileALongLoopRunsWithoutTakingEveryValue) {
    app();
    constexpr int kSteps = 300;
    LiveProgress progress(nullptr, QStringLiteral("Scanning error logs..."), kSteps);
    auto* bar = progress.dialog().findChild<QProgressBar*>();
    ASSERT_TRUE(bar);
    int shown = 0;
    QObject::connect(bar, &QProgressBar::valueChanged, [&] { ++shown; });
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kSteps; ++i) {
        progress.setValue(i);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(progress.dialog().isVisible());
    // Live: the bar moved during the loop. Cheap: at most one value per
    // update period reached it.
    const auto periods = elapsed / std::chrono::milliseconds(LiveProgress::kUpdateEveryMs);
    EXPECT_GE(shown, 2);
    EXPECT_GT(bar->value(), 0);
    EXPECT_LE(shown, periods + 1);
}

class EventPageTest : public LogPagesTest {
protected:
    static evt::EventRecordSpec event(const wchar_t* source, std::uint32_t id, std::uint16_t type,
                                      std::uint32_t minute, std::vector<std::wstring> strings = {}) {
        evt::EventRecordSpec r;
        r.timeGenerated = r.timeWritten = 1793606400u + 60 * minute;
        r.sourceName = source;
        r.eventId = id;
        r.eventType = type;
        r.strings = std::move(strings);
        return r;
    }
    std::vector<std::uint8_t> evtFile() {
        std::string error;
        return evt::writeEvtFile(
            std::vector<evt::EventRecordSpec>{
                event(L"QuillmarkService", 0x40000064u, kEventTypeInformation, 0, {L"QuillmarkService"}),
                event(L"Other", 5, kEventTypeError, 1),
                event(L"MyQuillmarkService2", 0xC0000067u, 0, 2, {L"\tx\r\ny"}),
            },
            {}, error);
    }
    void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};

TEST_F(EventPageTest, ScanListsTheServiceEventsNewestFirst) {
    writeFile(system_->machine().hostPath(L"C:\\windows\\system32\\config\\AppEvent.Evt"), evtFile());
    EventLogWidget page(*system_, prompter_);
    page.scan();
    const EventLogView& tree = *page.tree();
    EXPECT_EQ(column(tree, EventLogView::TypeColumn), (QStringList{"Unknown ", "Information"}));
    EXPECT_EQ(column(tree, EventLogView::IdColumn), (QStringList{"3221225575", "1073741924"}));
    EXPECT_TRUE(prompter_.shown.empty());
    grab(page, "event_log.png");

    // Each row keeps its time for sorting.
    page.tree()->sortByColumn(EventLogView::TimeColumn, Qt::AscendingOrder);
    EXPECT_EQ(column(tree, EventLogView::IdColumn), (QStringList{"1073741924", "3221225575"}));

    page.findChild<QLineEdit*>("filterEdit")->setText("unknown");
    EXPECT_EQ(column(tree, EventLogView::IdColumn), (QStringList{"3221225575"}));
}

TEST_F(EventPageTest, ALogThatCannotBeOpenedIsOneBoxOverTheTreeAndAnEmptyList) {
    writeFile(system_->machine().hostPath(L"C:\\windows\\system32\\config\\AppEvent.Evt"), evtFile());
    FailingSystem failing(*system_);
    EventLogWidget page(failing, prompter_);
    page.scan();
    ASSERT_EQ(page.tree()->shownCount(), 2);
    failing.eventLogRefused = true;
    page.scan();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].kind, "warning");
    EXPECT_EQ(prompter_.shown[0].title, "Event Log access error");
    EXPECT_EQ(prompter_.shown[0].text, "Could not open the Application event log.");
    EXPECT_EQ(prompter_.shown[0].parent, page.tree());
    EXPECT_EQ(page.tree()->shownCount(), 0);
    EXPECT_TRUE(page.tree()->records().empty());
}

TEST_F(EventPageTest, OpensASavedLogAndRefusesOtherFiles) {
    const fs::path saved = fs::path(::testing::TempDir()) / "customer.evt";
    writeFile(saved, evtFile());
    prompter_.nextFile = QString::fromStdString(saved.string());
    EventLogWidget page(*system_, prompter_);
    page.openLogFile();
    EXPECT_TRUE(prompter_.lastFilter.contains("*.evt *.evtx")) << prompter_.lastFilter.toStdString();
    EXPECT_EQ(page.tree()->shownCount(), 3);
    EXPECT_EQ(page.statusText(), "3 of 3 records (source: all) in customer.evt");
    EXPECT_TRUE(prompter_.shown.empty());

    const fs::path other = fs::path(::testing::TempDir()) / "notes.evt";
    writeFile(other, std::vector<std::uint8_t>(100, 'x'));
    prompter_.nextFile = QString::fromStdString(other.string());
    page.openLogFile();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Event Log access error");
    EXPECT_EQ(page.tree()->shownCount(), 3); // the listed log stays
    // The line says why, and what is still listed.
    EXPECT_TRUE(page.statusText().startsWith("notes.evt is not an event log file: "))
        << page.statusText().toStdString();
    EXPECT_TRUE(page.statusText().endsWith("; still listed: 3 of 3 records (source: all) in customer.evt"));

    prompter_.nextFile = QString::fromStdString((fs::path(::testing::TempDir()) / "no-such.evtx").string());
    page.openLogFile();
    ASSERT_EQ(prompter_.shown.size(), 2u);
    EXPECT_TRUE(page.statusText().startsWith("no-such.evtx cannot be read: "))
        << page.statusText().toStdString();

    prompter_.nextFile.clear(); // cancelled
    page.openLogFile();
    EXPECT_EQ(prompter_.shown.size(), 2u);
}

TEST_F(EventPageTest, TheStatusLineSaysWhatTheScanListsAndTheScanHidesTheSourceColumn) {
    EventLogWidget page(*system_, prompter_);
    EXPECT_EQ(page.statusText(), kNothingListedYet);
    writeFile(system_->machine().hostPath(L"C:\\windows\\system32\\config\\AppEvent.Evt"), evtFile());
    page.scan();
    EXPECT_EQ(page.statusText(), "2 of 3 records (source: QuillmarkService) in the Application log");
    EXPECT_TRUE(page.tree()->isColumnHidden(EventLogView::SourceColumn));
    EXPECT_FALSE(page.findChild<QComboBox*>("scopeBox")->isEnabled());
    page.findChild<QLineEdit*>("filterEdit")->setText("unknown");
    EXPECT_EQ(page.statusText(), "1 of 3 records (source: QuillmarkService) in the Application log");
}

// A customer's .evtx file: every source with its column, the choice of
// scope, the filter on the source, descriptions that say what is missing.
TEST_F(EventPageTest, ACustomersEvtxListsEverySourceAndTheChoiceNarrowsIt) {
    namespace w = evtx::testing;
    std::vector<w::Event> events(3);
    events[0].eventId = 0x64;
    events[0].qualifiers = 0x4000;
    events[1].provider = L"Service Control Manager";
    events[1].eventId = 7036;
    events[1].timeCreated += 10000000;
    events[1].data = {{L"param1", w::text(L"Print Spooler")}, {L"param2", w::text(L"stopped")}};
    events[2].provider = L"Disk";
    events[2].level = 2;
    events[2].timeCreated += 20000000;
    const fs::path saved = fs::path(::testing::TempDir()) / "customer.evtx";
    writeFile(saved, w::writeEvtx(events));
    EventLogWidget page(*system_, prompter_);
    page.scan(); // an empty Application log: nothing of the service
    EXPECT_EQ(page.statusText(), "0 of 0 records (source: QuillmarkService) in the Application log");
    ASSERT_TRUE(page.openLog(QString::fromStdString(saved.string())));
    const EventLogView& tree = *page.tree();
    EXPECT_FALSE(tree.isColumnHidden(EventLogView::SourceColumn));
    EXPECT_EQ(column(tree, EventLogView::SourceColumn),
              (QStringList{"Disk", "Service Control Manager", "QuillmarkService"}));
    EXPECT_EQ(column(tree, EventLogView::TypeColumn), (QStringList{"Error", "Information", "Information"}));
    const QString scm = cell(tree, 1, EventLogView::DescriptionColumn);
    EXPECT_TRUE(scm.startsWith(
        "The description of event ID 7036 from source Service Control Manager cannot be found"));
    EXPECT_TRUE(scm.endsWith("The event carries: param1: Print Spooler param2: stopped"))
        << scm.toStdString();
    EXPECT_TRUE(cell(tree, 1, EventLogView::DescriptionColumn, Qt::ToolTipRole)
                    .endsWith("\n\nThe event carries:\nparam1: Print Spooler\nparam2: stopped"));
    EXPECT_EQ(page.statusText(), "3 of 3 records (source: all) in customer.evtx");
    page.tree()->sortByColumn(EventLogView::TimeColumn, Qt::AscendingOrder);
    EXPECT_EQ(column(tree, EventLogView::SourceColumn),
              (QStringList{"QuillmarkService", "Service Control Manager", "Disk"}));
    page.tree()->sortByColumn(-1, Qt::AscendingOrder);

    auto* scope = page.findChild<QComboBox*>("scopeBox");
    ASSERT_TRUE(scope->isEnabled());
    scope->setCurrentIndex(0);
    EXPECT_EQ(page.statusText(), "1 of 3 records (source: QuillmarkService) in customer.evtx");
    EXPECT_EQ(column(tree, EventLogView::SourceColumn), (QStringList{"QuillmarkService"}));
    scope->setCurrentIndex(1);
    page.findChild<QLineEdit*>("filterEdit")->setText("control man");
    EXPECT_EQ(page.statusText(), "1 of 3 records (source: all) in customer.evtx");
    EXPECT_EQ(column(tree, EventLogView::SourceColumn), (QStringList{"Service Control Manager"}));
    grab(page, "event_log_customer_evtx.png");

    // A scan afterwards is the service's list again.
    page.scan();
    EXPECT_TRUE(tree.isColumnHidden(EventLogView::SourceColumn));
    EXPECT_EQ(scope->currentIndex(), 0);
    EXPECT_FALSE(scope->isEnabled());
}

TEST_F(EventPageTest, ADamagedEvtxSaysHowManyChunksWereSkipped) {
    namespace w = evtx::testing;
    std::vector<w::Event> events(30);
    std::vector<std::uint8_t> file = w::writeEvtx(events, {.recordsPerChunk = 10});
    file[w::chunkOffset(1)] = 'X';
    const fs::path saved = fs::path(::testing::TempDir()) / "damaged.evtx";
    writeFile(saved, file);
    EventLogWidget page(*system_, prompter_);
    ASSERT_TRUE(page.openLog(QString::fromStdString(saved.string())));
    EXPECT_EQ(page.statusText(), "20 of 20 records (source: all) in damaged.evtx; 1 damaged chunk skipped");
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(EventPageTest, CancellingAReadKeepsTheListAndSaysSo) {
    namespace w = evtx::testing;
    const fs::path small = fs::path(::testing::TempDir()) / "small.evtx";
    writeFile(small, w::writeEvtx(std::vector<w::Event>(2)));
    const fs::path big = fs::path(::testing::TempDir()) / "big.evtx";
    writeFile(big, w::writeEvtx(std::vector<w::Event>(3000), {.recordsPerChunk = 10}));
    EventLogWidget page(*system_, prompter_);
    ASSERT_TRUE(page.openLog(QString::fromStdString(small.string())));
    bool sawProgress = false;
    QTimer::singleShot(0, &page, [&] {
        auto* progress = page.findChild<QProgressDialog*>();
        ASSERT_TRUE(progress);
        sawProgress = progress->isVisible();
        progress->cancel();
    });
    EXPECT_FALSE(page.openLog(QString::fromStdString(big.string())));
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(page.tree()->shownCount(), 2);
    EXPECT_EQ(page.statusText(),
              "Reading big.evtx cancelled; still listed: 2 of 2 records (source: all) in small.evtx");
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(page.findChild<QProgressDialog*>(), nullptr);
}

nlohmann::json exportedJson(const fs::path& path) {
    return nlohmann::json::parse(std::ifstream(path));
}

TEST_F(EventPageTest, ExportWritesTheRowsAsShownWithWholeDescriptions) {
    namespace w = evtx::testing;
    std::vector<w::Event> events(3);
    events[0].provider = L"Disk";
    events[0].timeCreated += 10000000;
    events[0].data = {{L"", w::text(L"\\Device\\Harddisk1, \"bad\" block")}};
    events[1].provider = L"QuillmarkService";
    events[2].provider = L"Tcpip";
    events[2].timeCreated -= 10000000;
    const fs::path saved = fs::path(::testing::TempDir()) / "export.evtx";
    writeFile(saved, w::writeEvtx(events));
    EventLogWidget page(*system_, prompter_);
    ASSERT_TRUE(page.openLog(QString::fromStdString(saved.string())));
    page.findChild<QLineEdit*>("filterEdit")->setText("harddisk");
    const fs::path out = fs::path(::testing::TempDir()) / "shown-rows"; // the filter adds the extension
    fs::remove(fs::path(out).concat(".json"));
    prompter_.nextSaveFile = QString::fromStdString(out.string());
    prompter_.nextFilter = "JSON files (*.json)";
    page.exportRows();
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(prompter_.lastFilter.contains("*.csv") && prompter_.lastFilter.contains("*.json"));
    const auto rows = exportedJson(fs::path(out).concat(".json"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["Source"], "Disk");
    EXPECT_EQ(rows[0]["Description"],
              page.tree()->records()[0].description); // line breaks and all, not the row's one line
    EXPECT_NE(rows[0]["Description"].get<std::string>().find(
                  "\nThe event carries:\n\\Device\\Harddisk1, \"bad\" block"),
              std::string::npos);

    // The scan's list has no source column, so neither has its export; a
    // name with .csv is CSV whatever filter was left chosen.
    page.scan();
    page.findChild<QLineEdit*>("filterEdit")->clear();
    const fs::path csv = fs::path(::testing::TempDir()) / "scan.csv";
    prompter_.nextSaveFile = QString::fromStdString(csv.string());
    page.exportRows();
    std::ifstream in(csv, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(text, "\xEF\xBB\xBF\"Type\",\"Time\",\"ID\",\"Description\"\r\n");

    prompter_.nextSaveFile =
        QString::fromStdString((fs::path(::testing::TempDir()) / "no-dir" / "x.csv").string());
    page.exportRows();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Export error");
}

EventLogRecord record(const char* type, const char* id, const char* description,
                      const char* source = "Disk") {
    EventLogRecord r;
    r.type = type;
    r.id = id;
    r.time = "12/09/26 10:00:00";
    r.description = description;
    r.source = source;
    r.quillmark = r.source == "QuillmarkService";
    return r;
}

// Sorting by a column's text (equal texts keep list order, both ways), back
// to list order, and the selected rows stay on their records throughout.
TEST(EventLogView, SortsByTheShownTextAndTheSelectionFollowsItsRecords) {
    app();
    EventLogView view;
    view.setScope(SourceScope::AllSources);
    view.showRecords({record("Error", "1", "a"), record("Information", "2", "b"), record("Error", "3", "c"),
                      record("Warning", "4", "d\r\n")});
    EXPECT_EQ(column(view, EventLogView::IdColumn), (QStringList{"1", "2", "3", "4"}));
    view.selectionModel()->select(view.model()->index(2, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);

    view.sortByColumn(EventLogView::TypeColumn, Qt::AscendingOrder);
    EXPECT_EQ(column(view, EventLogView::IdColumn), (QStringList{"1", "3", "2", "4"}));
    EXPECT_EQ(selectedRowsAsText(view), "Error\t12/09/26 10:00:00\tDisk\t3\tc\n");
    view.sortByColumn(EventLogView::TypeColumn, Qt::DescendingOrder);
    EXPECT_EQ(column(view, EventLogView::IdColumn), (QStringList{"4", "2", "1", "3"}));
    EXPECT_EQ(cell(view, 0, EventLogView::DescriptionColumn), "d"); // sorted and shown on one line
    EXPECT_EQ(selectedRowsAsText(view), "Error\t12/09/26 10:00:00\tDisk\t3\tc\n");
    view.events().sort(-1);
    EXPECT_EQ(column(view, EventLogView::IdColumn), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(view.model()->index(2, 0).data(EventLogModel::kRecordIndexRole).toULongLong(), 2u);

    // A filter that leaves the selected record out drops it from the selection.
    view.setFilter("WARN");
    EXPECT_EQ(column(view, EventLogView::IdColumn), (QStringList{"4"}));
    EXPECT_EQ(selectedRowsAsText(view), "");
}

// The time sorts by the time, not by its text in the locale's form; the ID
// by number, what is no number after all numbers.
TEST(EventLogView, SortsTimesByTimeAndIdsByNumber) {
    app();
    EventLogView view;
    view.setScope(SourceScope::AllSources);
    std::vector<EventLogRecord> records = {record("Error", "10", "a"), record("Error", "9", "b"),
                                           record("Error", "x", "c"), record("Error", "100", "d")};
    const std::pair<const char*, std::uint32_t> times[] = {
        {"Wed Dec  9 10:00:00 2026", 1796810400u},
        {"Thu Dec 10 10:00:00 2026", 1796896800u},
        {"Mon Dec  7 10:00:00 2026", 1796637600u},
        {"Wed Dec  9 10:00:00 2026", 1796810400u},
    };
    for (std::size_t i = 0; i < records.size(); ++i)
        std::tie(records[i].time, records[i].seconds) = times[i];
    view.showRecords(std::move(records));
    view.sortByColumn(EventLogView::TimeColumn, Qt::AscendingOrder);
    EXPECT_EQ(column(view, EventLogView::IdColumn), (QStringList{"x", "10", "100", "9"}));
    view.sortByColumn(EventLogView::TimeColumn, Qt::DescendingOrder);
    EXPECT_EQ(column(view, EventLogView::IdColumn), (QStringList{"9", "10", "100", "x"}));
    view.sortByColumn(EventLogView::IdColumn, Qt::AscendingOrder);
    EXPECT_EQ(column(view, EventLogView::IdColumn), (QStringList{"9", "10", "100", "x"}));
}

// The filter looks at every column, the hidden source too, ignoring case
// also outside ASCII, and at the description as its row shows it.
TEST(EventLogView, FiltersEveryColumnIgnoringCase) {
    app();
    EventLogView view;
    view.setScope(SourceScope::AllSources);
    view.showRecords({record("Error", "1", "Überlauf der Größe"),
                      record("Error", "2", "first line\r\nsecond"), record("Error", "3", "5 \u212A over"),
                      record("Error", "4", "x", "QuillmarkService")});
    view.setColumnHidden(EventLogView::SourceColumn, true);
    const std::pair<const char*, QStringList> cases[] = {
        {"ÜBERLAUF", {"1"}},        {"größe", {"1"}},         {"line second", {"2"}},
        {"k over", {"3"}},          {"quillmarkserv", {"4"}}, {"ERROR", {"1", "2", "3", "4"}},
        {"", {"1", "2", "3", "4"}}, {"nowhere", {}},
    };
    for (const auto& [text, ids] : cases) {
        view.setFilter(QString::fromUtf8(text));
        EXPECT_EQ(column(view, EventLogView::IdColumn), ids) << text;
        EXPECT_EQ(view.shownCount(), ids.size()) << text;
    }
    view.setFilter("");
    view.setScope(SourceScope::QuillmarkService);
    EXPECT_EQ(column(view, EventLogView::IdColumn), (QStringList{"4"}));
}

TEST_F(LogPagesTest, ErrorFilesExportTheShownEntriesInBothViews) {
    writeSampleLogs();
    ErrorFilesWidget page(&jump_, *system_, prompter_);
    page.scan();
    prompter_.shown.clear();
    page.findChild<QLineEdit*>("filterEdit")->setText("disk full");
    const fs::path out = fs::path(::testing::TempDir()) / "entries.JSON";
    prompter_.nextSaveFile = QString::fromStdString(out.string());
    page.exportRows();
    auto rows = exportedJson(out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["Log File"], "QMPrtEn.xml");
    EXPECT_EQ(rows[0].size(), static_cast<std::size_t>(ErrorFilesTreeWidget::ColumnCount));

    // Levels view: the entries, not the group rows, also when collapsed.
    page.findChild<QLineEdit*>("filterEdit")->clear();
    page.LevelsView();
    page.tree()->collapseAll();
    page.exportRows();
    rows = exportedJson(out);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_TRUE(prompter_.shown.empty());
}

} // namespace

namespace {

// The shipped healthy machine, copied as qmmachine create copies it, so the
// logs get their times from the machine's manifest.
std::unique_ptr<emulated::EmulatedSystem> healthySample() {
    const char* source = std::getenv("QM_SOURCE_DIR");
    const fs::path from = fs::path(source ? source : ".") / "samples" / "machines" / "healthy";
    const fs::path to = fs::path(::testing::TempDir()) / "qm_log_pages_healthy";
    fs::remove_all(to);
    std::string error;
    EXPECT_TRUE(emulated::copyMachineFolder(from, to, error)) << error;
    auto system = emulated::makeEmulatedSystem(to, {}, error);
    EXPECT_TRUE(system) << error;
    return system;
}

TEST(SampleMachinePages, ErrorFilesListNewestFileFirstByTheManifestTimes) {
    app();
    const auto system = healthySample();
    ASSERT_TRUE(system);
    ScriptedPrompter prompter;
    RecordingJumpTarget jump;
    std::vector<FolderEntry> listed;
    ASSERT_TRUE(system->files().listFolder(L"C:\\Program Files\\Common Files\\Quillmark\\log", listed));
    for (const FolderEntry& e : listed) {
        if (e.name == L"QMPrtEn.xml") { // 2026-11-02 08:10:00 UTC as a FILETIME
            EXPECT_EQ(e.lastWriteTime, (1793607000ull + 11644473600ull) * 10000000ull);
        }
    }
    ErrorFilesWidget page(&jump, *system, prompter);
    page.scan();
    QStringList files;
    for (int i = 0; i < page.tree()->topLevelItemCount(); ++i)
        files << page.tree()->topLevelItem(i)->text(ErrorFilesTreeWidget::LogFileColumn);
    files.removeDuplicates();
    EXPECT_EQ(files, (QStringList{"QMCAPI.xml", "QMPrtEn.xml", "QMService.xml"}));
    EXPECT_EQ(page.tree()->topLevelItemCount(), 3 + 3 + 2 + 1);
    ASSERT_EQ(prompter.shown.size(), 1u); // QMSetup.xml
    page.tree()->jumpToError(page.tree()->topLevelItem(0), 0);
    EXPECT_EQ(jump.symbolicName, "QMCAPI_E_NAMED_PIPE_WRITE_ERROR");
}

TEST(SampleMachinePages, EventLogShowsTheServiceEventsWithTheirTexts) {
    app();
    const auto system = healthySample();
    ASSERT_TRUE(system);
    ScriptedPrompter prompter;
    EventLogWidget page(*system, prompter);
    page.scan();
    const EventLogView& tree = *page.tree();
    ASSERT_EQ(tree.shownCount(), 9);
    // One line in the row, the text as the message file has it in the tooltip.
    EXPECT_EQ(cell(tree, 0, EventLogView::DescriptionColumn), "The QuillmarkService service started.");
    EXPECT_EQ(cell(tree, 0, EventLogView::DescriptionColumn, Qt::ToolTipRole),
              "The QuillmarkService service started.\r\n");
    EXPECT_EQ(cell(tree, 8, EventLogView::DescriptionColumn),
              ""); // source key without a message file
    EXPECT_TRUE(prompter.shown.empty());
}

} // namespace
