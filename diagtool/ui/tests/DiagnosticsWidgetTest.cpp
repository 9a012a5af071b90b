// The "Diagnostics" page on working copies of the sample machines: what each
// button puts where, with the machine's own registry, files and COM server.
#include "DiagnosticsWidget.h"
#include "QtPrint.h"
#include "WorkingMachine.h"

#include "diagtool/windows/WindowsDiagnostics.h"

#include "platform/RegKey.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

void app() {
    static int argc = 1;
    static char name[] = "diagnostics_widget_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) {
        new QApplication(argc, argv);
    }
}

QString q(const std::wstring& text) {
    return QString::fromStdWString(text);
}

void grab(QWidget& page, const char* name) {
    page.resize(800, 600);
    const std::filesystem::path file = std::filesystem::path(::testing::TempDir()) / name;
    EXPECT_TRUE(page.grab().save(QString::fromStdString(file.string())));
}

class DiagnosticsPage : public ::testing::Test {
protected:
    void SetUp() override { app(); }
};

TEST_F(DiagnosticsPage, GroupsLabelsAndButtons) {
    qmtest::WorkingMachine machine("healthy");
    WindowsDiagnostics checks(machine.system());
    DiagnosticsWidget page(checks);
    EXPECT_STREQ(page.metaObject()->className(), "DiagnosticsWidget");

    auto* grid = qobject_cast<QGridLayout*>(page.layout());
    ASSERT_NE(grid, nullptr);
    const char* titles[] = {"Quillmark System Software Settings", "System Settings\n",
                            "Quillmark Drives and Media", "Operations"};
    for (int row = 0; row < 4; ++row) {
        auto* group = qobject_cast<QGroupBox*>(grid->itemAtPosition(row, 0)->widget());
        ASSERT_NE(group, nullptr) << row;
        EXPECT_EQ(group->title(), titles[row]);
    }
    auto cell = [&](int group, int row, int column) {
        auto* box = static_cast<QGroupBox*>(grid->itemAtPosition(group, 0)->widget());
        return static_cast<QGridLayout*>(box->layout())->itemAtPosition(row, column)->widget();
    };
    EXPECT_EQ(cell(0, 0, 0), page.qmsVersionLabel());
    EXPECT_EQ(cell(0, 1, 0), page.drfVersionLabel());
    EXPECT_EQ(cell(0, 2, 0), page.qmsSettingsBox());
    EXPECT_EQ(cell(1, 0, 0), page.systemSettingsBox());
    EXPECT_EQ(cell(2, 3, 0), page.drivesBox());
    EXPECT_EQ(cell(3, 0, 0), page.systemInfoButton());
    EXPECT_EQ(cell(3, 0, 1), page.scanButton());
    EXPECT_EQ(cell(3, 0, 2), page.clearButton());

    EXPECT_EQ(page.qmsVersionLabel()->text(), "QMS Version:");
    EXPECT_EQ(page.drfVersionLabel()->text(), "DRF Version:");
    EXPECT_EQ(page.systemInfoButton()->text(), "Get system info");
    EXPECT_EQ(page.scanButton()->text(), "Scan for Quillmark drives and media");
    EXPECT_EQ(page.clearButton()->text(), "Clear data");
    for (QTextEdit* box : {page.qmsSettingsBox(), page.systemSettingsBox(), page.drivesBox()}) {
        EXPECT_TRUE(box->isReadOnly());
    }
}

TEST_F(DiagnosticsPage, HealthyMachineThenClearThenAgain) {
#ifdef _WIN32
    GTEST_SKIP() << "COM on Windows does not reach the emulated machine's server and drives";
#endif
    qmtest::WorkingMachine machine("healthy");
    WindowsDiagnostics checks(machine.system());
    // The page's own scan: the machine's server behind real detection dialogs.
    DiagnosticsWidget page(checks);

    page.systemInfoButton()->click();
    EXPECT_EQ(page.qmsVersionLabel()->text(), "QMS Version: 3.10.0.7");
    EXPECT_EQ(page.drfVersionLabel()->text(), "DRF Version: 4.2.0.15");
    const QString qmsReport = page.qmsSettingsBox()->toPlainText();
    const QString systemReport = page.systemSettingsBox()->toPlainText();
    EXPECT_EQ(qmsReport, q(checks.qmsSettingsReport()));
    EXPECT_EQ(systemReport, q(checks.systemSettingsReport()));
    EXPECT_TRUE(qmsReport.contains("SOFTWARE\\Quillmark\\IAA - 1\n"));
    EXPECT_TRUE(qmsReport.contains("SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\Start - 2\n"));
    EXPECT_TRUE(systemReport.contains(
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\allocatecdroms - 0\n"));
    EXPECT_TRUE(page.drivesBox()->toPlainText().isEmpty());

    page.scanButton()->click();
    EXPECT_EQ(page.drivesBox()->toPlainText(),
              "Drive 0 : Quillmark QLD-2400 (E:), Media Imaging Parameter : 12\n"
              "Drive 1 : Quillmark QLD-2400 (F:), Media Imaging Parameter : 18\n");
    grab(page, "diagnostics_healthy.png");

    page.clearButton()->click();
    EXPECT_EQ(page.qmsVersionLabel()->text(), "QMS Version: ");
    EXPECT_EQ(page.drfVersionLabel()->text(), "DRF Version: ");
    for (QTextEdit* box : {page.qmsSettingsBox(), page.systemSettingsBox(), page.drivesBox()}) {
        EXPECT_TRUE(box->toPlainText().isEmpty());
    }

    page.systemInfoButton()->click();
    EXPECT_EQ(page.qmsVersionLabel()->text(), "QMS Version: 3.10.0.7");
    EXPECT_EQ(page.qmsSettingsBox()->toPlainText(), qmsReport);
    EXPECT_EQ(page.systemSettingsBox()->toPlainText(), systemReport);
    // A second run replaces, never adds to, what the first showed.
    page.systemInfoButton()->click();
    EXPECT_EQ(page.qmsSettingsBox()->toPlainText(), qmsReport);
    EXPECT_EQ(page.systemSettingsBox()->toPlainText(), systemReport);
}

TEST_F(DiagnosticsPage, NoHostSoftwareInstalled) {
    qmtest::WorkingMachine machine("bare");
    WindowsDiagnostics checks(machine.system());
    DiagnosticsWidget page(checks);
    page.systemInfoButton()->click();
    EXPECT_EQ(page.qmsVersionLabel()->text(), "QMS Version: Error reading QMS version\n");
    EXPECT_EQ(page.drfVersionLabel()->text(), "DRF Version: Error reading DRF version\n");
    EXPECT_EQ(page.qmsSettingsBox()->toPlainText(), "Error reading SOFTWARE\\Quillmark registry data"
                                                    "Error reading QuillmarkService registry data"
                                                    "Error reading QuillmarkService registry data");
#ifndef _WIN32 // on Windows the scan asks the system's COM, whatever this machine has installed
    // Without the host software there is no server to ask for drives.
    page.scanButton()->click();
    EXPECT_EQ(page.drivesBox()->toPlainText(), "An expection occurred enumerating drives\n");
#endif
    grab(page, "diagnostics_bare.png");
}

TEST_F(DiagnosticsPage, NoDrivesAndEachScanStartsAfresh) {
#ifdef _WIN32
    GTEST_SKIP() << "COM on Windows does not reach the emulated machine's server and drives";
#endif
    qmtest::WorkingMachine machine("no-drives");
    WindowsDiagnostics checks(machine.system());
    DiagnosticsWidget page(checks);
    page.scanButton()->click();
    EXPECT_EQ(page.drivesBox()->toPlainText(), "No drives found");
    page.scanButton()->click();
    EXPECT_EQ(page.drivesBox()->toPlainText(), "No drives found");

    QStringList next = {"Drive 0 : A (E:), No media detected"};
    DiagnosticsWidget scripted(checks, nullptr, [&next] { return next; });
    scripted.scanButton()->click();
    EXPECT_EQ(scripted.drivesBox()->toPlainText(), next[0] + "\n");
    next.clear();
    scripted.scanButton()->click();
    EXPECT_EQ(scripted.drivesBox()->toPlainText(), "No drives found");
}

TEST_F(DiagnosticsPage, MachineTextsShowAsPlainTextInTheCodePage) {
    qmtest::WorkingMachine machine("healthy");
    {
        qmplatform::RegKey key;
        ASSERT_EQ(key.create(machine.system().registry(), qmplatform::RegRoot::LocalMachine,
                             WindowsDiagnostics::kQuillmarkKey, qmplatform::RegAccess::AllAccess),
                  0);
        // The first value of the key, so the report's first line holds the markup.
        ASSERT_EQ(key.writeString(L"LogLevel", L"<b>caf\u00e9</b> \u03a9"), 0);
    }
    WindowsDiagnostics checks(machine.system());
    const QStringList lines = {"Drive 0 : <i>Odd</i> (E:), No media detected"};
    DiagnosticsWidget page(checks, nullptr, [&lines] { return lines; });
    page.systemInfoButton()->click();
    page.scanButton()->click();
    // Markup stays literal; a character outside code page 1252 shows as "?".
    EXPECT_TRUE(page.qmsSettingsBox()->toPlainText().contains(QString::fromUtf8(
        "SOFTWARE\\Quillmark\\LogLevel - <b>caf\u00e9</b> ?\nSOFTWARE\\Quillmark\\APILogging - 0\n")));
    EXPECT_EQ(page.drivesBox()->toPlainText(), lines[0] + "\n");
}

} // namespace
