// The simple view on private copies of the sample machines, offscreen, with
// the question boxes scripted: colours, texts, the restart button and the
// order of the questions as the user meets them.
#include "SimpleDiagnosticsWidget.h"

#include "FixJournal.h"
#include "QuestionPrompter.h"
#include "SampleMachine.h"

#include "QuillmarkModel.h"
#include "WindowsDiagnostics.h"

#include <QApplication>
#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include <functional>

namespace {

using qmtest::SampleMachine;

class ScriptedQuestions final : public QuestionPrompter {
public:
    explicit ScriptedQuestions(std::vector<int> answers = {}) : answers_(std::move(answers)) {}
    struct Asked {
        QWidget* parent;
        QString caption, text, button0, button1;
        // What the status label showed while the box was up.
        QString statusText;
        QColor statusColour;
    };
    std::vector<Asked> asked;
    SimpleDiagnosticsWidget* widget = nullptr;

    int ask(QWidget* parent, const QString& caption, const QString& text, const QString& button0,
            const QString& button1) override {
        Asked a{parent, caption, text, button0, button1, {}, {}};
        if (auto* view = qobject_cast<SimpleDiagnosticsWidget*>(parent)) {
            a.statusText = view->statusLabel()->text();
            a.statusColour = view->statusLabel()->palette().color(QPalette::Active, QPalette::WindowText);
        }
        asked.push_back(a);
        return next_ < answers_.size() ? answers_[next_++] : 1;
    }
    struct Warned {
        QWidget* parent;
        QString caption, text;
    };
    std::vector<Warned> warned;
    void warn(QWidget* parent, const QString& caption, const QString& text) override {
        warned.push_back({parent, caption, text});
    }

private:
    std::vector<int> answers_;
    std::size_t next_ = 0;
};

QColor statusColour(const SimpleDiagnosticsWidget& w) {
    return w.statusLabel()->palette().color(QPalette::Active, QPalette::WindowText);
}

void setText(SampleMachine& m, std::wstring_view key, std::wstring_view name, const std::wstring& text) {
    qmtest::setHklmValue(m.registry(), key, name, &text, nullptr);
}

const QString kAllFine = QStringLiteral("\nYour critical Quillmark system settings and drive "
                                        "communications\nhave been checked and are functioning "
                                        "correctly.");

struct View {
    static qmplatform::System& prepared(SampleMachine& m,
                                        const std::function<void(SampleMachine&)>& arrange) {
        if (arrange) {
            arrange(m);
        }
        return m.sys();
    }
    SampleMachine machine;
    WindowsDiagnostics checks;
    ScriptedQuestions questions;
    SimpleDiagnosticsWidget widget;
    View(const char* sample, int drives, std::vector<int> answers,
         const std::function<void(SampleMachine&)>& arrange = {})
        : machine(sample), checks(prepared(machine, arrange), [drives] { return drives; }),
          questions(std::move(answers)), widget(checks, nullptr, &questions) {}
};

TEST(SimpleDiagnosticsWidget, MetaObjectAndLayout) {
    const QMetaObject& meta = SimpleDiagnosticsWidget::staticMetaObject;
    EXPECT_STREQ(meta.className(), "SimpleDiagnosticsWidget");
    QStringList slotNames;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        if (meta.method(i).methodType() == QMetaMethod::Slot) {
            slotNames << QString::fromLatin1(meta.method(i).methodSignature());
        }
    }
    EXPECT_EQ(slotNames,
              (QStringList{"on_checkStatus()", "on_rebootWindows()", "on_close()", "on_getQMS()"}));
    EXPECT_STREQ(meta.method(meta.indexOfSlot("on_checkStatus()")).typeName(), "bool");

    View v("healthy", 1, {});
    EXPECT_EQ(int(v.widget.statusLabel()->alignment()), 33);
    // The logo resource belongs to the program; without it there is no logo label.
    EXPECT_EQ(v.widget.logoLabel(), nullptr);
    QStringList buttons;
    for (QPushButton* b : v.widget.findChildren<QPushButton*>()) {
        buttons << b->text();
    }
    EXPECT_EQ(buttons,
              (QStringList{"Re-check", "Close", "Get Quillmark System Software", "Restart Windows"}));
}

// One row per scenario: what the label says and how, after the first check.
struct Scenario {
    const char* name;
    const char* machine;
    int drives;
    std::function<void(SampleMachine&)> arrange;
    std::vector<int> answers;
    int questions;
    QColor colour;
    QString statusStart;
    bool restartVisible;
};

void PrintTo(const Scenario& s, std::ostream* os) {
    *os << s.name;
}

class SimpleViewScenarios : public ::testing::TestWithParam<Scenario> {};

TEST_P(SimpleViewScenarios, ColourTextAndRestartButton) {
    const Scenario& s = GetParam();
    View v(s.machine, s.drives, s.answers, s.arrange);
    EXPECT_EQ(int(v.questions.asked.size()), s.questions);
    EXPECT_EQ(statusColour(v.widget), s.colour);
    const QString text = v.widget.statusLabel()->text();
    const qsizetype status = text.indexOf(QStringLiteral("Status: "));
    ASSERT_GE(status, 0) << text.toStdString();
    EXPECT_TRUE(text.mid(status + 8).startsWith(s.statusStart)) << text.toStdString();
    EXPECT_EQ(!v.widget.restartButton()->isHidden(), s.restartVisible);
    for (const auto& a : v.questions.asked) {
        EXPECT_EQ(a.parent, &v.widget);
        EXPECT_EQ(a.caption, QStringLiteral("Quillmark Diagnostic Utility"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Samples, SimpleViewScenarios,
    ::testing::Values(Scenario{"Healthy", "healthy", 1, {}, {}, 0, QColor(0, 0, 0), "OK" + kAllFine, false},
                      Scenario{"AllocateCdRomsFixed",
                               "healthy",
                               1,
                               [](SampleMachine& m) {
                                   setText(m, WindowsDiagnostics::kWinlogonKey, L"allocatecdroms", L"1");
                               },
                               {0},
                               1,
                               QColor(0, 0, 255),
                               "AllocateCdRoms setting corrected.\n",
                               true},
                      Scenario{"AutorunCancelled",
                               "healthy",
                               1,
                               [](SampleMachine& m) {
                                   const std::uint32_t off = 0;
                                   qmtest::setHklmValue(m.registry(), WindowsDiagnostics::kCdRomKey,
                                                        L"autorun", nullptr, &off);
                               },
                               {1},
                               1,
                               QColor(255, 0, 0),
                               "Autorun setting NOT corrected.\n",
                               false},
                      Scenario{"NoDriveIsBlackInTheEnd",
                               "healthy",
                               0,
                               {},
                               {},
                               0,
                               QColor(0, 0, 0),
                               "No Quillmark Drive detected",
                               false},
                      Scenario{"NoAdminAccepted",
                               "no-admin",
                               1,
                               {},
                               {0, 0, 0, 0, 0, 0},
                               6,
                               QColor(255, 0, 0),
                               "Intel Application Accelerator conflict NOT corrected.",
                               false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimpleDiagnosticsWidget, QmsMissingIsRedWithoutQuestions) {
    View v("bare", 1, {});
    EXPECT_TRUE(v.questions.asked.empty());
    EXPECT_EQ(statusColour(v.widget), QColor(255, 0, 0));
    EXPECT_EQ(
        v.widget.statusLabel()->text(),
        QStringLiteral("Quillmark System Software not installed, click the 'Get Quillmark System Software' "
                       "button below"));
    EXPECT_FALSE(v.widget.on_checkStatus());
}

TEST(SimpleDiagnosticsWidget, MissingDriveShowsRedWhileTheQuestionsRun) {
    View v("broken", 0, {1, 1, 1, 1, 1, 1});
    ASSERT_EQ(v.questions.asked.size(), 6u);
    const QStringList firstWords = [&] {
        QStringList words;
        for (const auto& a : v.questions.asked) {
            words << a.button0;
        }
        return words;
    }();
    EXPECT_EQ(firstWords, (QStringList{"Yes", "OK", "OK", "Start Service", "Yes", "Yes"}));
    for (const auto& a : v.questions.asked) {
        EXPECT_EQ(a.statusText, QStringLiteral("No Quillmark Drive detected"));
        EXPECT_EQ(a.statusColour, QColor(255, 0, 0));
    }
}

TEST(SimpleDiagnosticsWidget, RecheckFindsTheFixAndKeepsTheRestartButton) {
    View v("healthy", 1, {0},
           [](SampleMachine& m) { setText(m, WindowsDiagnostics::kWinlogonKey, L"allocatecdroms", L"1"); });
    ASSERT_FALSE(v.widget.restartButton()->isHidden());
    v.widget.recheckButton()->click();
    EXPECT_EQ(v.questions.asked.size(), 1u) << "the fixed setting is not asked about again";
    EXPECT_EQ(statusColour(v.widget), QColor(0, 0, 0));
    EXPECT_TRUE(v.widget.statusLabel()->text().endsWith("Status: OK" + kAllFine));
    EXPECT_FALSE(v.widget.restartButton()->isHidden());
}

TEST(SimpleDiagnosticsWidget, RestartAndCloseButtons) {
    QWidget window;
    SampleMachine m("healthy");
    WindowsDiagnostics checks(m.sys(), [] { return 1; });
    ScriptedQuestions questions;
    // Inside a frame of the window, as a stacked page would be.
    auto* frame = new QWidget(&window);
    auto* view = new SimpleDiagnosticsWidget(checks, frame, &questions);
    window.show();
    ASSERT_TRUE(window.isVisible());
    view->restartButton()->click();
    m.reopen();
    EXPECT_EQ(m.system->machine().settings().restarts.size(), 1u);
    view->closeButton()->click();
    EXPECT_FALSE(window.isVisible());
}

// "Get Quillmark System Software" when the QMS cannot be asked for its
// update command: the download page directly, and the warning if even that
// cannot be opened.
struct Opener final : UrlOpener {
    bool works = true;
    std::vector<QUrl> opened;
    bool openUrl(const QUrl& url) override {
        opened.push_back(url);
        return works;
    }
};
struct Warnings final : UpdatePrompter {
    std::vector<std::pair<QString, QString>> shown;
    void warning(const QString& title, const QString& text) override { shown.emplace_back(title, text); }
};

TEST(SimpleDiagnosticsWidget, GetQmsFallsBackToTheDownloadPage) {
    fillGlobalTexts(globalTexts());
    for (const bool pageOpens : {true, false}) {
        SCOPED_TRACE(pageOpens);
        View v("healthy", 1, {});
        Opener opener;
        opener.works = pageOpens;
        Warnings warnings;
        v.widget.setUpdateServices(
            std::make_unique<QuillmarkModel>([](QMRT::IDiscPrintMgr**) -> HRESULT { return E_FAIL; }),
            &opener, &warnings);
        v.widget.getQmsButton()->click();
        ASSERT_EQ(opener.opened.size(), 1u);
        EXPECT_EQ(opener.opened[0], QUrl(downloadPage()));
        if (pageOpens) {
            EXPECT_TRUE(warnings.shown.empty());
        } else {
            ASSERT_EQ(warnings.shown.size(), 1u);
            EXPECT_EQ(warnings.shown[0].first, QStringLiteral("Error updating Quillmark System Software"));
            EXPECT_EQ(warnings.shown[0].second, globalTexts().updateErrorText);
        }
    }
}

// Marks every text of the simple view's context, so a test sees which
// texts went through the translation function.
class MarkingTranslator final : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* = nullptr,
                      int = -1) const override {
        if (qstrcmp(context, "SimpleDiagnosticsWidget") != 0)
            return {};
        return QStringLiteral("<") + QString::fromUtf8(sourceText) + QStringLiteral(">");
    }
};

struct Translated {
    MarkingTranslator translator;
    Translated() { QCoreApplication::installTranslator(&translator); }
    ~Translated() { QCoreApplication::removeTranslator(&translator); }
};

TEST(SimpleDiagnosticsWidget, EveryTextPassesThroughTheTranslationFunction) {
    {
        Translated translated;
        View v("broken", 0, {1, 1, 1, 1, 1, 1});
        QStringList buttons;
        for (QPushButton* b : v.widget.findChildren<QPushButton*>())
            buttons << b->text();
        EXPECT_EQ(buttons, (QStringList{"<Re-check>", "<Close>", "<Get Quillmark System Software>",
                                        "<Restart Windows>"}));
        ASSERT_EQ(v.questions.asked.size(), 6u);
        const auto& first = v.questions.asked[0];
        EXPECT_EQ(first.caption, "<Quillmark Diagnostic Utility>");
        EXPECT_TRUE(first.text.startsWith("<The Intel Application Accelerator application is found"))
            << first.text.toStdString();
        EXPECT_EQ(first.button0, "<Yes>");
        EXPECT_EQ(first.button1, "<No>");
        EXPECT_EQ(first.statusText, "<No Quillmark Drive detected>") << "shown red while the check runs";
        EXPECT_EQ(v.questions.asked[1].button0, "<OK>");
        EXPECT_EQ(v.questions.asked[3].button0, "<Start Service>");
        EXPECT_EQ(v.questions.asked[3].button1, "<Abort>");
        const QString label = v.widget.statusLabel()->text();
        EXPECT_TRUE(label.startsWith("<QMS Version: >")) << label.toStdString();
        EXPECT_TRUE(label.contains("\n<Status: ><No Quillmark Drive detected>")) << label.toStdString();
        EXPECT_TRUE(label.contains("<Intel Application Accelerator conflict NOT corrected.\nQuillmark may not "
                                   "work.\n><AllocateCdRoms setting NOT corrected."))
            << label.toStdString();
        EXPECT_TRUE(label.contains("<The Quillmark service is not running.\nThis prevents Quillmark from "
                                   "operating.\n>\n<The Quillmark service is not set to automatic."))
            << label.toStdString();
    }
    {
        Translated translated;
        View v("healthy", 1, {});
        EXPECT_TRUE(v.widget.statusLabel()->text().endsWith("<Status: ><OK><" + kAllFine + ">"))
            << v.widget.statusLabel()->text().toStdString();
    }
    // Without a translator the texts are the source texts, exactly.
    View v("healthy", 1, {});
    EXPECT_TRUE(v.widget.statusLabel()->text().endsWith("Status: OK" + kAllFine));
}

// A journal that keeps nothing costs no fix: the fixes are made, and one
// warning after the check says that they cannot be undone, and why.
TEST(SimpleDiagnosticsWidget, OneWarningAfterTheCheckWhenFixesCannotBeUndone) {
    struct Refusing final : FixJournal {
        bool append(const FixRecord&) override { return false; }
        bool last(FixRecord&) const override { return false; }
        bool dropLast() override { return false; }
        std::wstring problem() const override { return L"the fix journal C:\\j.json cannot be written"; }
    };
    for (const bool keeps : {false, true}) {
        SampleMachine m("broken");
        Refusing refusing;
        MemoryFixJournal memory;
        WindowsDiagnostics checks(m.sys(), [] { return 1; },
                                  keeps ? static_cast<FixJournal*>(&memory) : &refusing);
        ScriptedQuestions questions({0, 0, 0, 0, 0, 0});
        SimpleDiagnosticsWidget widget(checks, nullptr, &questions);
        EXPECT_EQ(statusColour(widget), QColor(0, 0, 255)) << "every fix made";
        if (keeps) {
            EXPECT_TRUE(questions.warned.empty());
            continue;
        }
        ASSERT_EQ(questions.warned.size(), 1u);
        EXPECT_EQ(questions.warned[0].parent, &widget);
        EXPECT_EQ(questions.warned[0].caption, "Quillmark Diagnostic Utility");
        EXPECT_EQ(questions.warned[0].text, "The fixes made in this check cannot be undone: the fix journal "
                                            "C:\\j.json cannot be written.");
    }
}

// Pictures of the two states to look at.
TEST(SimpleDiagnosticsWidget, Screenshots) {
    const QString folder = QString::fromStdString(::testing::TempDir());
    {
        View v("healthy", 1, {});
        v.widget.resize(v.widget.sizeHint());
        ASSERT_TRUE(v.widget.grab().save(folder + "/simple-view-healthy.png"));
    }
    {
        View v("broken", 1, {0, 0, 1, 1, 1, 0});
        v.widget.resize(v.widget.sizeHint());
        ASSERT_TRUE(v.widget.grab().save(folder + "/simple-view-broken.png"));
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
