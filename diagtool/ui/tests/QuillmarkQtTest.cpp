// The Qt layer over the recording server: the scan behind real detection
// dialogs and threads, the dialog that cannot be dismissed, the queued
// record, and the update launcher with a recording opener.
#include "DetectMediaDialog.h"
#include "diagtool/client_qt/DetectMediaThread.h"
#include "FakeDiscPrintServer.h"
#include "QuillmarkUtilityModel.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>

namespace {

using namespace QMRT;

// Made once and never destroyed: tearing it down among the other statics at
// exit would outlive the platform plugin it uses.
void app() {
    static int argc = 1;
    static char name[] = "diagtool_api_qt_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) {
        new QApplication(argc, argv);
    }
}

fake::Drive drive(const wchar_t* path, const wchar_t* name, std::int16_t imaging) {
    fake::Drive d;
    d.path = path;
    d.displayName = name;
    d.media->imagingParameter = imaging;
    return d;
}

class QtLayerTest : public ::testing::Test {
protected:
    void SetUp() override { app(); }
    void TearDown() override { EXPECT_EQ(server.liveObjects, 0); }
    fake::Server server;
};

TEST_F(QtLayerTest, ScanShowsOneDialogPerDrive) {
    server.drives = {drive(L"E", L"Quillmark QLD-2400", 12), drive(L"F", L"Spare", -1),
                     drive(L"G", L"Broken", 4)};
    server.drives[2].failures["Validate"] = static_cast<HRESULT>(0xC004022Bu);
    QuillmarkUtilityModel model(server.creator());
    EXPECT_EQ(model.scanDrivesAndMedia(),
              QStringList({"Drive 0 : Quillmark QLD-2400 (E:), Media Imaging Parameter : 12",
                           "Drive 1 : Spare (F:), Media Imaging Parameter : -1",
                           "Drive 2 : Broken (G:), No media detected"}));
    // The last successful detection stays; the failed one left it alone.
    EXPECT_EQ(model.mediaInformation().imagingParameter, -1);
    ASSERT_NE(model.detectionDialog(), nullptr);
    EXPECT_EQ(model.detectionDialog()->messageLabel()->text(), "Drive G: Detecting Media. Please wait...");
    const auto detections = std::count(server.calls.begin(), server.calls.end(), "CloseDriveTray");
    EXPECT_EQ(detections, 2); // the invalid drive stops at Validate
}

TEST_F(QtLayerTest, ScanFailuresAndNoDrives) {
    {
        QuillmarkUtilityModel model(server.creator());
        EXPECT_TRUE(model.scanDrivesAndMedia().isEmpty());
        EXPECT_EQ(model.detectionDialog(), nullptr);
    }
    server.failures["Count"] = E_FAIL;
    QuillmarkUtilityModel model(server.creator());
    EXPECT_EQ(model.scanDrivesAndMedia(), QStringList({"An expection occurred enumerating drives"}));
}

TEST_F(QtLayerTest, SlotKeepsOrClearsTheRecord) {
    QuillmarkUtilityModel model(server.creator());
    QMRT_MediaInformation info;
    info.imagingParameter = 9;
    info.bytes[5] = 3;
    model.on_MediaDetectionFinished(true, info);
    EXPECT_EQ(model.mediaInformation().bytes[5], 3);
    model.on_MediaDetectionFinished(false, info);
    EXPECT_EQ(model.mediaInformation().imagingParameter, 0);
    EXPECT_EQ(model.mediaInformation().bytes[5], 0);
}

TEST_F(QtLayerTest, DialogCannotBeDismissed) {
    server.drives = {drive(L"E", L"Quillmark QLD-2400", 12)};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    const ServerCreator inner = server.creator();
    // Holds the worker inside the server until the test lets it go.
    const ServerCreator blocking = [&, released](IDiscPrintMgr** manager) {
        released.wait();
        return inner(manager);
    };
    DetectMediaDialog dialog("E", nullptr, blocking);
    QSignalSpy complete(&dialog, &DetectMediaDialog::mediaDetectComplete);
    dialog.show();
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(dialog.progressBar()->minimum(), 0);
    EXPECT_EQ(dialog.progressBar()->maximum(), 0);
    EXPECT_EQ(dialog.messageLabel()->text(), "Drive E: Detecting Media. Please wait...");
    EXPECT_FALSE(dialog.messageLabel()->wordWrap());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.close());
    QApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible());
    if (const QByteArray out = qgetenv("QM_SCREENSHOT_DIR"); !out.isEmpty()) {
        dialog.grab().save(QString::fromLocal8Bit(out) + "/DetectMediaDialog.png");
    }
    release.set_value();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 5000);
    EXPECT_EQ(dialog.result(), 0);
    ASSERT_EQ(complete.count(), 1);
    EXPECT_EQ(complete.at(0).at(1).value<QMRT_MediaInformation>().imagingParameter, 12);
}

TEST_F(QtLayerTest, ThreadCopiesTheRecordAcrossThreads) {
    server.drives = {drive(L"E", L"One", 7)};
    registerMediaInformationMetaType();
    EXPECT_TRUE(QMetaType::fromName("QMRT::QMRT_MediaInformation").isValid());
    DetectMediaThread thread("E", nullptr, server.creator());
    QSignalSpy spy(&thread, &DetectMediaThread::mediaDetectionFinished);
    thread.start();
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    thread.wait();
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    EXPECT_EQ(spy.at(0).at(1).value<QMRT_MediaInformation>().imagingParameter, 7);

    DetectMediaThread missing("Z", nullptr, server.creator());
    QSignalSpy none(&missing, &DetectMediaThread::mediaDetectionFinished);
    missing.start();
    missing.wait();
    QTRY_COMPARE_WITH_TIMEOUT(none.count(), 1, 5000);
    EXPECT_FALSE(none.at(0).at(0).toBool());
}

struct RecordingOpener final : UrlOpener {
    bool openUrl(const QUrl& url) override {
        opened.append(url);
        return succeed;
    }
    bool succeed = true;
    QList<QUrl> opened;
};

struct RecordingPrompter final : UpdatePrompter {
    void warning(const QString& title, const QString& text) override { shown.append({title, text}); }
    QList<QPair<QString, QString>> shown;
};

TEST_F(QtLayerTest, UpdateLauncher) {
    const UpdateTexts texts = translatedUpdateTexts();
    EXPECT_EQ(texts.updateErrorTitle, "Error updating Quillmark System Software");
    EXPECT_TRUE(texts.updateErrorText.startsWith(
        "An error occurred attempting to update your Quillmark System Software (QMS).\n\n"));
    EXPECT_TRUE(texts.updateErrorText.contains(downloadPage()));

    const QuillmarkModel model(server.creator());
    RecordingOpener opener;
    RecordingPrompter prompter;
    server.updateCommand = L"https://example.invalid/qms-update.exe";
    model.launchUpdate(opener, prompter, texts);
    server.updateCommand.clear();
    model.launchUpdate(opener, prompter, texts);
    ASSERT_EQ(opener.opened.size(), 2);
    EXPECT_EQ(opener.opened[0], QUrl("https://example.invalid/qms-update.exe"));
    EXPECT_EQ(opener.opened[1], QUrl(kDefaultDownloadPage));
    EXPECT_TRUE(prompter.shown.isEmpty());

    opener.succeed = false;
    model.launchUpdate(opener, prompter, texts);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].first, texts.updateErrorTitle);
    EXPECT_EQ(prompter.shown[0].second, texts.updateErrorText);

    qputenv("QUILLMARK_DOWNLOAD_PAGE", "https://mirror.example.invalid/qms");
    opener.succeed = true;
    model.launchUpdate(opener, prompter, texts);
    qunsetenv("QUILLMARK_DOWNLOAD_PAGE");
    EXPECT_EQ(opener.opened.back(), QUrl("https://mirror.example.invalid/qms"));

    server.failures["GetUpdateShellCommand"] = static_cast<HRESULT>(0xC0041087u);
    const qsizetype before = opener.opened.size();
    EXPECT_THROW(model.launchUpdate(opener, prompter, texts), QMRT_Exception);
    EXPECT_EQ(opener.opened.size(), before);
}

TEST_F(QtLayerTest, CountAndFindInQtTypes) {
    server.drives = {drive(L"E", L"Caf\u00e9", 1)};
    const QuillmarkModel model(server.creator());
    EXPECT_EQ(model.countDrives(), 1);
    const QVector<DriveRecord> records = model.enumerateDrives();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].label, QString::fromUtf8("Caf\u00e9 (E:)"));
    EXPECT_TRUE(records[0].validated);
    EXPECT_NE(model.getQuillmarkDiscPrinterByPath("E"), nullptr);
    EXPECT_THROW(model.getQuillmarkDiscPrinterByPath("e"), QMRT_Exception);
}

} // namespace
