// File > Save Support Bundle and File > Open Support Bundle, offscreen with
// scripted boxes: the save dialog lists what the core collected and writes
// exactly that, and the shell replaces its window with one on the replayed
// bundle, keeps the current one when the bundle is refused, and removes
// each replayed machine's folder when it is done with it.
#include "DiagtoolShell.h"
#include "MainDialog.h"
#include "MessagePrompter.h"
#include "QuestionPrompter.h"
#include "SaveBundleDialog.h"

#include "QmMachineCommand.h"
#include "diagtool/bundle/BundlePlan.h"
#include "diagtool/content/DiagtoolContent.h"

#include "platform/machine/EmulatedSystem.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

namespace fs = std::filesystem;

void app() {
    static int argc = 1;
    static char name[] = "bundle_dialogs_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) {
        new QApplication(argc, argv);
        registerDiagtoolContent();
    }
}

class ScriptedMessages final : public MessagePrompter {
public:
    void warning(QWidget*, const QString& title, const QString& text) override {
        shown << title + ": " + text;
    }
    void information(QWidget*, const QString& title, const QString& text) override {
        shown << title + ": " + text;
    }
    QString openFileName(QWidget*, const QString&, const QString&) override { return nextOpen; }
    QString saveFileName(QWidget*, const QString&, const QString& suggested, const QString&,
                         QString*) override {
        suggestions << suggested;
        return nextSave;
    }
    QStringList shown;
    QStringList suggestions;
    QString nextOpen;
    QString nextSave;
};

class DecliningQuestions final : public QuestionPrompter {
public:
    int ask(QWidget*, const QString&, const QString&, const QString&, const QString&) override { return 1; }
    void warn(QWidget*, const QString&, const QString&) override {}
};

std::vector<char> readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t childrenOf(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) {
        ++n;
    }
    return n;
}

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

class BundleDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        dir_ = fs::path(::testing::TempDir()) /
               ("qm_bundle_dialogs_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "temp");
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path machine(const std::string& sample) {
        const fs::path root = dir_ / sample;
        std::ostringstream out, err;
        EXPECT_EQ(qmmachine::runQmMachine({"create", root.string(), "--from", sample}, out, err), 0)
            << err.str();
        return root;
    }
    static qmbundle::SystemOpener opener(const fs::path& root) {
        return [root](std::string& error) -> std::unique_ptr<qmplatform::System> {
            return qmplatform::emulated::makeEmulatedSystem(root, {}, error);
        };
    }

    fs::path dir_;
};

TEST_F(BundleDialogsTest, SaveDialogListsWhatItWritesAndReportsTheOutcome) {
    ScriptedMessages messages;
    SaveBundleDialog dialog(opener(machine("broken")), messages, nullptr,
                            [] { return std::int64_t{1796817829}; });
    dialog.setSuggestedFolder(QString::fromStdString(dir_.string()));
    ASSERT_TRUE(dialog.collect());
    const qmbundle::BundlePlan& plan = dialog.plan();

    // One top row per kind, the manifest first; one row per entry below.
    QTreeWidget* tree = dialog.entryTree();
    ASSERT_EQ(tree->topLevelItemCount(), static_cast<int>(plan.groups.size()));
    EXPECT_EQ(tree->topLevelItem(0)->data(0, Qt::UserRole).toString(), QStringLiteral("manifest"));
    std::size_t rows = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* top = tree->topLevelItem(i);
        ASSERT_EQ(top->childCount(), static_cast<int>(plan.groups[i].entries.size()));
        for (int j = 0; j < top->childCount(); ++j) {
            EXPECT_EQ(top->child(j)->text(0), q(plan.groups[i].entries[j].name));
            EXPECT_EQ(top->child(j)->text(1), q(qmbundle::sizeText(plan.groups[i].entries[j].bytes)));
        }
        rows += static_cast<std::size_t>(top->childCount());
    }
    EXPECT_EQ(rows, plan.entryCount);
    EXPECT_TRUE(dialog.summaryLabel()->text().startsWith(q(qmbundle::planSummary(plan))));
    const QString plain = dialog.suggestedPath();
    EXPECT_TRUE(plain.endsWith(q("-" + plan.computerName + "-20261209.zip"))) << plain.toStdString();

    // The check box collects again: the listing and the name follow it.
    dialog.redactBox()->setChecked(true);
    EXPECT_TRUE(dialog.plan().redacted);
    EXPECT_EQ(dialog.suggestedPath(), q((dir_ / "support-bundle-REDACTED-PC-20261209.zip").string()));

    // Cancelled: nothing written, nothing said.
    messages.nextSave.clear();
    EXPECT_FALSE(dialog.save());
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(messages.suggestions, QStringList{dialog.suggestedPath()});

    const fs::path file = dir_ / "chosen.zip";
    messages.nextSave = q(file.string());
    ASSERT_TRUE(dialog.save());
    EXPECT_EQ(dialog.saved().entryCount, dialog.plan().entryCount);
    EXPECT_EQ(dialog.saved().archiveBytes, fs::file_size(file));
    EXPECT_EQ(messages.shown,
              QStringList{"Save Support Bundle: " + q(qmbundle::savedSummary(dialog.saved()))});

    messages.shown.clear();
    messages.nextSave = q((dir_ / "no-such-folder" / "b.zip").string());
    EXPECT_FALSE(dialog.save());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].startsWith("Save Support Bundle: The support bundle was not written to " +
                                             messages.nextSave + ":\n"))
        << messages.shown[0].toStdString();
}

TEST_F(BundleDialogsTest, ShellOpensBundlesInPlaceAndRemovesTheirFolders) {
    const fs::path start = machine("healthy");
    qputenv("QUILLMARK_SYSROOT", QByteArray::fromStdString(start.string()));
    // The bundle a customer sent: broken's, written through the save dialog's core.
    const fs::path bundle = dir_ / "broken.zip";
    {
        qmbundle::BundleContents contents;
        qmbundle::SavedBundle saved;
        std::string error;
        ASSERT_TRUE(qmbundle::collectFromMachine(opener(machine("broken")), {}, contents, error)) << error;
        ASSERT_TRUE(qmbundle::saveSupportBundle(bundle, contents, saved, error)) << error;
    }
    const std::vector<char> bytes = readAll(bundle);
    const fs::path junk = dir_ / "junk.zip";
    std::ofstream(junk) << "not a zip";

    ScriptedMessages messages;
    DecliningQuestions questions;
    std::string error;
    auto machine = qmreplay::OpenMachine::openDefault(error);
    ASSERT_TRUE(machine) << error;
    MainDialogServices services;
    services.messages = &messages;
    services.questions = &questions;
    services.scan = [] { return QStringList{}; };
    {
        DiagtoolShell shell(std::move(machine), services);
        shell.setTemporaryParent(dir_ / "temp");
        MainDialog* first = shell.window();
        EXPECT_EQ(first->windowTitle(), QStringLiteral("Quillmark Diagnostic Utility"));
        EXPECT_EQ(first->openBundleAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        EXPECT_EQ(first->saveBundleAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
        EXPECT_TRUE(first->openBundleAction()->isEnabled());
        EXPECT_TRUE(first->saveBundleAction()->isEnabled());

        // Through the menu, as a user opens one: the window is replaced once
        // the event loop runs again.
        messages.nextOpen = q(bundle.string());
        first->openBundleAction()->trigger();
        QApplication::processEvents();
        ASSERT_NE(shell.window(), nullptr);
        EXPECT_EQ(shell.window()->windowTitle(),
                  QStringLiteral("Quillmark Diagnostic Utility - broken.zip (support bundle)"));
        EXPECT_TRUE(shell.window()->isVisible());
        ASSERT_TRUE(shell.machine().bundle());
        const fs::path replayed = shell.machine().bundle()->folder();
        EXPECT_EQ(childrenOf(dir_ / "temp"), 1u);

        // Refused: the reader's reason, and the replayed machine stays.
        MainDialog* current = shell.window();
        EXPECT_FALSE(shell.openBundle(q(junk.string())));
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_TRUE(messages.shown[0].startsWith(
            "Open Support Bundle: The support bundle cannot be opened:\n" + q(junk.string()) + ": "))
            << messages.shown[0].toStdString();
        EXPECT_EQ(shell.window(), current);
        EXPECT_TRUE(fs::exists(replayed));
        EXPECT_EQ(childrenOf(dir_ / "temp"), 1u);

        // Another bundle: the previous replay's folder goes.
        ASSERT_TRUE(shell.openBundle(q(bundle.string())));
        EXPECT_FALSE(fs::exists(replayed));
        EXPECT_EQ(childrenOf(dir_ / "temp"), 1u);
    }
    EXPECT_EQ(childrenOf(dir_ / "temp"), 0u);
    EXPECT_EQ(readAll(bundle), bytes);
    qunsetenv("QUILLMARK_SYSROOT");
}

} // namespace
