#include "ErrorUtilitiesWidget.h"

#include "diagtool/catalogue/ErrorCodeCatalogue.h"
#include "SampleMachine.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using qmtest::SampleMachine;

const wchar_t kQuillmarkKey[] = L"SOFTWARE\\Quillmark";

struct Page {
    ErrorUtilitiesWidget widget;
    explicit Page(qmplatform::Registry& registry) : widget(registry) {}
    QLineEdit* code() { return edits().at(0); }
    QList<QLineEdit*> edits() { return widget.findChildren<QLineEdit*>(); }
    QList<QPlainTextEdit*> texts() { return widget.findChildren<QPlainTextEdit*>(); }
    QPushButton* display() { return widget.findChild<QPushButton*>(); }
    QCheckBox* apiLogging() { return widget.findChild<QCheckBox*>(); }
    QRadioButton* radio(const QString& text) {
        for (QRadioButton* button : widget.findChildren<QRadioButton*>()) {
            if (button->text() == text) {
                return button;
            }
        }
        return nullptr;
    }
    // COM name, error class, comment, message.
    QStringList fields() {
        return {edits().at(1)->text(), edits().at(2)->text(), texts().at(0)->toPlainText(),
                texts().at(1)->toPlainText()};
    }
};

QStringList entryOf(std::uint32_t code) {
    const ErrorCodeInfo info = lookupErrorCode(code);
    return {QString::fromStdString(info.symbolicName), QString::fromStdString(info.errorClass),
            QString::fromStdString(info.comment), QString::fromStdString(info.message)};
}

const QStringList kEmpty = {QString(), QString(), QString(), QString()};

TEST(ErrorUtilitiesWidget, SlotsInTheirDeclaredOrder) {
    const QMetaObject& meta = ErrorUtilitiesWidget::staticMetaObject;
    EXPECT_STREQ(meta.className(), "ErrorUtilitiesWidget");
    QStringList slotNames;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        EXPECT_EQ(meta.method(i).methodType(), QMetaMethod::Slot);
        slotNames << QString::fromLatin1(meta.method(i).methodSignature());
    }
    EXPECT_EQ(slotNames, (QStringList{"errorLookup()", "APILoggingChange(int)", "SetLogLevelToError()",
                                      "SetLogLevelToDebug()", "SetLogLevelToInfo()"}));
    const int change = meta.indexOfSlot("APILoggingChange(int)");
    EXPECT_EQ(meta.method(change).parameterNames().value(0), "state");
}

TEST(ErrorUtilitiesWidget, StartsWithTheHintAsContentsAndEmptyReadOnlyFields) {
    SampleMachine m("healthy");
    Page page(m.registry());
    EXPECT_EQ(page.widget.parent(), nullptr);
    EXPECT_EQ(page.code()->text(), "Enter error code here. Use 0x prefix for hex numbers");
    EXPECT_TRUE(page.code()->placeholderText().isEmpty());
    EXPECT_FALSE(page.code()->isReadOnly());
    EXPECT_EQ(page.fields(), kEmpty);
    EXPECT_TRUE(page.edits().at(1)->isReadOnly());
    EXPECT_TRUE(page.texts().at(1)->isReadOnly());
    const QList<QGroupBox*> groups = page.widget.findChildren<QGroupBox*>();
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[0]->title(), "Look up error codes");
    EXPECT_EQ(groups[1]->title(), "Error logging options");
}

TEST(ErrorUtilitiesWidget, LooksUpTypedCodesInEveryBase) {
    SampleMachine m("healthy");
    Page page(m.registry());
    const QStringList loadLibrary = entryOf(0x201);
    ASSERT_EQ(loadLibrary.mid(0, 2), (QStringList{"QMCAPI_E_LOADLIBRARY_ERROR", "LoadLibraryError"}));
    ASSERT_FALSE(loadLibrary[2].isEmpty());
    ASSERT_FALSE(loadLibrary[3].isEmpty());
    struct Case {
        const char* typed;
        QStringList shown;
    };
    const QStringList last = entryOf(0x10AF);
    ASSERT_EQ(last.mid(0, 2), (QStringList{"QMCAPI_E_LAST", "end_of_enum_marker"}));
    ASSERT_TRUE(last[3].isEmpty());
    for (const Case& c :
         {Case{"0x201", loadLibrary}, Case{"0X201", loadLibrary}, Case{"513", loadLibrary},
          Case{"01001", loadLibrary}, Case{"0x10AF", last}, Case{"abc", kEmpty}, Case{"", kEmpty},
          Case{"4294967296", kEmpty}, Case{"0x1070", kEmpty}, Case{"0xC0040201", kEmpty},
          Case{"Enter error code here. Use 0x prefix for hex numbers", kEmpty}}) {
        // Start from a full page each time, so an empty result is a cleared one.
        page.widget.lookup(0x201);
        ASSERT_EQ(page.fields(), loadLibrary);
        page.code()->setText(QString::fromLatin1(c.typed));
        QTest::mouseClick(page.display(), Qt::LeftButton);
        EXPECT_EQ(page.fields(), c.shown) << c.typed;
    }
}

TEST(ErrorUtilitiesWidget, ReturnInTheFieldLooksUpAndReplacesEverything) {
    SampleMachine m("healthy");
    Page page(m.registry());
    page.code()->setText("513");
    QTest::keyClick(page.code(), Qt::Key_Return);
    EXPECT_EQ(page.fields(), entryOf(513));
    page.code()->setText("0x10AF");
    QTest::keyClick(page.code(), Qt::Key_Return);
    EXPECT_EQ(page.fields(), entryOf(0x10AF));
}

TEST(ErrorUtilitiesWidget, HintLookedUpUneditedClearsTheFields) {
    SampleMachine m("healthy");
    Page page(m.registry());
    page.widget.errorLookup();
    EXPECT_EQ(page.fields(), kEmpty);
}

TEST(ErrorUtilitiesWidget, MissingKeyShowsDefaultsAndWritesNothing) {
    SampleMachine m("bare");
    Page page(m.registry());
    EXPECT_TRUE(page.radio("Error")->isChecked());
    EXPECT_FALSE(page.apiLogging()->isChecked());
    qmplatform::RegKey key;
    if (key.open(m.registry(), qmplatform::RegRoot::LocalMachine, kQuillmarkKey,
                 qmplatform::RegAccess::Read) == 0) {
        std::uint32_t subKeys = 0;
        std::uint32_t values = 1;
        ASSERT_EQ(key.queryInfo(subKeys, values), 0);
        EXPECT_EQ(values, 0u) << "reading may create the key, never a value";
    }
}

TEST(ErrorUtilitiesWidget, LogLevelIsComparedExactly) {
    struct Case {
        const wchar_t* stored;
        const char* checked;
    };
    for (const Case& c : {Case{L"Debug", "Debug"}, Case{L"Info", "Info"}, Case{L"debug", "Error"},
                          Case{L"INFO", "Error"}, Case{L"Error", "Error"}, Case{L"", "Error"}}) {
        SampleMachine m("healthy");
        const std::wstring text = c.stored;
        qmtest::setHklmValue(m.registry(), kQuillmarkKey, L"LogLevel", &text, nullptr);
        Page page(m.registry());
        EXPECT_TRUE(page.radio(c.checked)->isChecked()) << qmplatform::toUtf8(text);
    }
}

TEST(ErrorUtilitiesWidget, StoredOnIsWrittenBackAsOneWhileBuilding) {
    for (const std::uint32_t stored : {7u, 1u, 0u}) {
        SampleMachine m("healthy");
        qmtest::setHklmValue(m.registry(), kQuillmarkKey, L"APILogging", nullptr, &stored);
        Page page(m.registry());
        EXPECT_EQ(page.apiLogging()->isChecked(), stored != 0);
        qmplatform::RegValue value;
        ASSERT_EQ(qmtest::readHklm(m.registry(), kQuillmarkKey, L"APILogging", value), 0);
        EXPECT_EQ(value.data,
                  (std::vector<std::uint8_t>{stored != 0 ? std::uint8_t{1} : std::uint8_t{0}, 0, 0, 0}));
    }
}

TEST(ErrorUtilitiesWidget, ClicksWriteAtOnceAndAgain) {
    SampleMachine m("healthy");
    Page page(m.registry());
    const auto level = [&] {
        qmplatform::RegValue value;
        EXPECT_EQ(qmtest::readHklm(m.registry(), kQuillmarkKey, L"LogLevel", value), 0);
        return qmplatform::regSzText(value.data);
    };
    page.radio("Info")->click();
    EXPECT_EQ(level(), L"Info");
    const std::wstring other = L"Other";
    qmtest::setHklmValue(m.registry(), kQuillmarkKey, L"LogLevel", &other, nullptr);
    page.radio("Info")->click();
    EXPECT_EQ(level(), L"Info") << "the checked button writes again";
    page.radio("Debug")->click();
    EXPECT_EQ(level(), L"Debug");
    page.radio("Error")->click();
    EXPECT_EQ(level(), L"Error");

    const auto apiLogging = [&] {
        qmplatform::RegValue value;
        EXPECT_EQ(qmtest::readHklm(m.registry(), kQuillmarkKey, L"APILogging", value), 0);
        return value.data.empty() ? -1 : int{value.data[0]};
    };
    page.apiLogging()->click();
    EXPECT_EQ(apiLogging(), 1);
    page.widget.APILoggingChange(Qt::PartiallyChecked);
    EXPECT_EQ(apiLogging(), 1);
    page.apiLogging()->click();
    EXPECT_EQ(apiLogging(), 0);
}

TEST(ErrorUtilitiesWidget, WithoutRightsTheControlKeepsItsStateSilently) {
    SampleMachine m("no-admin");
    Page page(m.registry());
    page.radio("Debug")->click();
    EXPECT_TRUE(page.radio("Debug")->isChecked());
    qmplatform::RegValue value;
    ASSERT_EQ(qmtest::readHklm(m.registry(), kQuillmarkKey, L"LogLevel", value), 0);
    EXPECT_EQ(qmplatform::regSzText(value.data), L"Error");
}

TEST(ErrorUtilitiesWidget, Grab) {
    SampleMachine m("healthy");
    Page page(m.registry());
    page.code()->setText("0x201");
    page.widget.errorLookup();
    page.widget.resize(560, 520);
    const QPixmap shot = page.widget.grab();
    EXPECT_FALSE(shot.isNull());
    if (const char* dir = std::getenv("QM_GRAB_DIR")) {
        EXPECT_TRUE(shot.save(QString::fromLocal8Bit(dir) + "/ErrorUtilitiesWidget.png"));
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
