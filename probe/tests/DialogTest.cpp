// Both probe dialogs, offscreen, against the fake engine: controls by id,
// the drive list, Update, Exit, the about box and the resources.
#include "CAboutDlg.h"
#include "CMediaprobeDlg.h"
#include "CParamscopeDlg.h"
#include "FakeEngine.h"
#include "ProbeResources.h"

#include "probe/AboutText.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace probe {
namespace {

using ::testing::ElementsAre;
using testing::FakeDrive;
using testing::fakeEngine;
using testing::fakeEngineExports;
using testing::labelParams;

class RecordingPrompter final : public ProbePrompter {
public:
    std::vector<std::string> messages;
    void message(std::string_view text) override { messages.emplace_back(text); }
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::resetFakeEngine();
        libs.modules[L"QMPrtEn.dll"] = fakeEngineExports();
        FakeDrive z;
        z.name = u"Z:";
        z.driveId = 0x111;
        z.params = {labelParams(3, 4500, 1000, 3, 30, 7, -5), labelParams(2, 4499, 1270, 254, 31, 7, 0),
                    labelParams(3, 1200000, 2540, 2540, 32, 9, 3)};
        FakeDrive e;
        e.name = u"E:";
        e.driveId = 0x1A2;
        fakeEngine().drives = {z, e};
    }
    BindingFactory bindings() {
        return [this] { return std::make_unique<PrintEngineBinding>(libs, files); };
    }
    template <typename W> static W* control(const QWidget& dialog, int id) {
        return dialog.findChild<W*>(QString::number(id));
    }
    static QString text(const QWidget& dialog, int id) { return control<QLineEdit>(dialog, id)->text(); }

    testing::FakeLibraries libs;
    testing::FakeFiles files;
    RecordingPrompter prompter;
};

TEST_F(DialogTest, ParamscopeListsTheDrivesAndShowsAQueryOfTheChosenOne) {
    CParamscopeDlg dialog(prompter, bindings(), "about");
    dialog.initDialog();
    EXPECT_EQ(dialog.windowTitle(), "paramscope v1.3");
    EXPECT_EQ(dialog.size(), QSize(636, 409));
    EXPECT_FALSE(dialog.windowIcon().isNull());
    auto* combo = control<QComboBox>(dialog, kIdDriveList);
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "E: - QUILLMRK - QM-5000 - 1.04 - 1");
    EXPECT_EQ(combo->currentIndex(), 0);
    for (int id : {1063, 1073, 1034, 1035, 1042, 1069, 1046}) {
        auto* field = control<QLineEdit>(dialog, id);
        ASSERT_NE(field, nullptr) << id;
        EXPECT_EQ(field->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight) << id;
        EXPECT_FALSE(field->isReadOnly()) << id;
    }
    EXPECT_EQ(text(dialog, 1062), "0");

    combo->setCurrentIndex(1);
    emit combo->activated(1);
    control<QPushButton>(dialog, kIdUpdate)->click();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_THAT(fakeEngine().selects, ElementsAre(0));
    EXPECT_EQ(text(dialog, 1063), "273");
    EXPECT_EQ(text(dialog, 1073), "qmdb0111.bin");
    EXPECT_EQ(text(dialog, 1042), "5");
    EXPECT_EQ(text(dialog, 1039), "4");
    EXPECT_EQ(text(dialog, 1045), "1200");
    EXPECT_EQ(text(dialog, 1068), "8466667");
    EXPECT_EQ(text(dialog, 1062), "0.7");
    EXPECT_EQ(text(dialog, 1060), "7");
    EXPECT_EQ(text(dialog, 1043), "-5");
    EXPECT_TRUE(control<QPushButton>(dialog, kIdUpdate)->isEnabled());
    EXPECT_TRUE(control<QPushButton>(dialog, kIdUpdate)->isDefault());
}

TEST_F(DialogTest, ATypedDriveNameChoosesNoDrive) {
    CParamscopeDlg dialog(prompter, bindings(), "about");
    dialog.initDialog();
    control<QComboBox>(dialog, kIdDriveList)->setEditText("F: typed");
    control<QPushButton>(dialog, kIdUpdate)->click();
    EXPECT_THAT(prompter.messages, ElementsAre("231 -- Invalid drive number."));
}

TEST_F(DialogTest, UpdateWithoutAnEngineShows221AndLeavesBothButtonsEnabled) {
    libs.modules.clear();
    CMediaprobeDlg dialog(prompter, bindings(), "about");
    dialog.initDialog();
    control<QPushButton>(dialog, kIdUpdate)->click();
    EXPECT_THAT(prompter.messages,
                ElementsAre("201 -- Unable to load library.", "221 -- Invalid class initialization."));
    EXPECT_TRUE(control<QPushButton>(dialog, kIdUpdate)->isEnabled());
    EXPECT_TRUE(control<QPushButton>(dialog, kIdExit)->isEnabled());
}

TEST_F(DialogTest, MediaprobeHasOnlyItsFieldsAndAsksForTheMediaOnce) {
    CMediaprobeDlg dialog(prompter, bindings(), "about");
    dialog.initDialog();
    EXPECT_EQ(dialog.windowTitle(), "mediaprobe v1.3");
    EXPECT_EQ(dialog.size(), QSize(474, 175));
    EXPECT_EQ(control<QLineEdit>(dialog, 1063), nullptr);
    EXPECT_EQ(control<QLineEdit>(dialog, 1042), nullptr);
    const std::size_t start = fakeEngine().calls.size();
    control<QPushButton>(dialog, kIdUpdate)->click();
    const std::vector<std::string> calls(fakeEngine().calls.begin() + static_cast<std::ptrdiff_t>(start),
                                         fakeEngine().calls.end());
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "PEGetMediaIdL"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "PEGetMediaId"), 0);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "PEGetLabelParams"), 0);
    EXPECT_EQ(text(dialog, 1073), "qmdb01a2.bin");
    EXPECT_EQ(text(dialog, 1034), "12");
    EXPECT_EQ(text(dialog, 1035), "3");
}

TEST_F(DialogTest, ExitEndsTheSessionAndClosesTheDialog) {
    CMediaprobeDlg dialog(prompter, bindings(), "about");
    dialog.initDialog();
    dialog.show();
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    const std::size_t start = fakeEngine().calls.size();
    control<QPushButton>(dialog, kIdExit)->click();
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_THAT(std::vector<std::string>(fakeEngine().calls.begin() + static_cast<std::ptrdiff_t>(start),
                                         fakeEngine().calls.end()),
                ElementsAre("PEDeselectDrive", "PEEndComm", "PEDeinitWorld"));
    EXPECT_EQ(libs.openModules, 0);
}

TEST_F(DialogTest, AboutBoxShowsTheProgramsVersionTextAndBitmap) {
    CParamscopeDlg dialog(prompter, bindings(),
                          aboutText(kParamscope, {L"1.3.0.0", L"Copyright \u00a9 Quillmark"}));
    CAboutDlg about(kParamscope, qs(dialog.aboutText()), &dialog);
    EXPECT_EQ(about.windowTitle(), "About paramscope");
    EXPECT_EQ(control<QLabel>(about, kIdAboutText)->text(),
              QString::fromUtf8("paramscope Version 1.3.0.0\nCopyright \u00a9 Quillmark"));
    EXPECT_EQ(control<QLabel>(about, kIdAboutBitmap)->pixmap().size(), QSize(64, 64));
    EXPECT_NE(control<QPushButton>(dialog, kIdAboutCommand), nullptr);
    EXPECT_EQ(control<QPushButton>(dialog, kIdAboutCommand)->text(), "&About paramscope...");
}

TEST(ProbeResources, StringTablesMatchTheToolProfiles) {
    for (const ToolProfile* profile : {&kParamscope, &kMediaprobe}) {
        for (int id : {kIdsAboutMenu, kIdsAppTitle, kIdsOutOfMemory}) {
            EXPECT_EQ(probeString(*profile, id), qs(stringResource(*profile, id))) << id;
        }
        EXPECT_TRUE(probeString(*profile, 1).isEmpty());
    }
    EXPECT_FALSE(probeIcon().isNull());
    EXPECT_EQ(probeBitmap().size(), QSize(64, 64));
}

} // namespace
} // namespace probe

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
